#pragma once
// The data set collection (".ch4": the memory image as downloaded, nothing else) and the
// working copy "temp/DataSetsTemp.tmp" that mirrors the image of the last successful load.
#include "MemoryImage.h"

#include <QString>
#include <vector>

class QIODevice;

namespace qx {

// No meter memory is larger, and the file has no header of its own.
inline constexpr qint64 kMaxCollectionSize = image::kMemorySize;

inline QString collectionSaveFilter() { return QStringLiteral("Data Set Collection file(*.ch4,only for QX736)|*.CH4"); }
inline QString collectionOpenFilter() { return QStringLiteral("Data Sets Collection (*.CH4)|*.CH4"); }
inline QString collectionDefaultSuffix() { return QStringLiteral("CH4"); }

// The data folder, or the program's folder when there is none, ending with a separator.
QString collectionBaseFolder(const QString &dataFolder, const QString &programFolder);
// Base folder + "temp".
QString workingFolder(const QString &dataFolder, const QString &programFolder);
// Working folder + "/DataSetsTemp.tmp".
QString workingCopyPath(const QString &dataFolder, const QString &programFolder);

// How many bytes of `image` the working copy holds: the length rule (value at offset 11,
// − 255 + 512), raised to the end of the last data set when it falls short of it, and
// never more than the image holds.
int workingCopyLength(const MemoryImage &image, const std::vector<DataSet> &sets);

struct WorkingCopyResult {
    enum Status {
        Written,
        FolderUnavailable, // the working folder could be neither found nor created
        NotWritten,        // the file could not be written; any previous copy is intact
    };
    Status status = Written;
    QString folder; // the working folder: the message shown when it is unavailable
};

// Writes the working copy of a parsed image (its sets give the least length).
WorkingCopyResult writeWorkingCopy(const MemoryImage &image, const std::vector<DataSet> &sets,
                                   const QString &dataFolder, const QString &programFolder);

// Copies the working copy to `target`, replacing it only once the copy is complete.
// False, and nothing written, when there is no working copy or the copy fails.
bool copyWorkingCopy(const QString &workingCopy, const QString &target, QString *error = nullptr);

enum class CollectionRead {
    Ok,
    CannotOpen,
    Empty,
    TooLarge, // longer than any meter memory
    ReadError,
};

// Reads a whole collection into `image` (emptied first; left empty on failure). At most
// kMaxCollectionSize + 1 bytes are ever held, whatever the file claims to be.
CollectionRead readCollection(QIODevice &device, MemoryImage &image);
CollectionRead readCollectionFile(const QString &fileName, MemoryImage &image);
// The same checks for bytes already in memory.
CollectionRead checkCollectionBytes(const QByteArray &bytes);

} // namespace qx
