#include "CollectionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace qx {

namespace {
constexpr qint64 kCopyChunk = 64 * 1024;
} // namespace

QString collectionBaseFolder(const QString &dataFolder, const QString &programFolder)
{
    QString base = dataFolder.isEmpty() ? programFolder : dataFolder;
    // The program's folder comes without a trailing separator; "temp" goes inside it.
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')) && !base.endsWith(QDir::separator()))
        base += QLatin1Char('/');
    return base;
}

QString workingFolder(const QString &dataFolder, const QString &programFolder)
{
    return collectionBaseFolder(dataFolder, programFolder) + QStringLiteral("temp");
}

QString workingCopyPath(const QString &dataFolder, const QString &programFolder)
{
    return workingFolder(dataFolder, programFolder) + QStringLiteral("/DataSetsTemp.tmp");
}

int workingCopyLength(const MemoryImage &img, const std::vector<DataSet> &sets)
{
    const int size = int(img.size());
    qint64 length = size;
    if (size >= image::kCopyLength + 3) {
        const auto *b = reinterpret_cast<const std::uint8_t *>(img.constData()) + image::kCopyLength;
        const qint64 v = qint64(b[0]) << 16 | b[1] << 8 | b[2];
        length = v - 255 + 512;
    }
    if (!sets.empty()) {
        // The last set as its header announces it, so a cut set keeps all that is there.
        const DataSet &last = sets.back();
        const qint64 end = qint64(last.headerPosition) + qint64(image::kRecordSize) * last.announcedRecordCount +
                           image::kSetOverhead;
        length = std::max(length, end);
    }
    return int(std::clamp<qint64>(length, 0, size));
}

WorkingCopyResult writeWorkingCopy(const MemoryImage &image, const std::vector<DataSet> &sets,
                                   const QString &dataFolder, const QString &programFolder)
{
    WorkingCopyResult result;
    const QString folder = workingFolder(dataFolder, programFolder);
    result.folder = QDir::toNativeSeparators(folder);
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
        result.status = WorkingCopyResult::FolderUnavailable;
        return result;
    }
    QSaveFile file(workingCopyPath(dataFolder, programFolder));
    const qint64 length = workingCopyLength(image, sets);
    if (!file.open(QIODevice::WriteOnly) || file.write(image.constData(), length) != length || !file.commit()) {
        result.status = WorkingCopyResult::NotWritten;
        return result;
    }
    return result;
}

bool copyWorkingCopy(const QString &workingCopy, const QString &target, QString *error)
{
    QFile source(workingCopy);
    if (!source.open(QIODevice::ReadOnly)) {
        if (error)
            *error = source.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    for (;;) {
        const QByteArray chunk = source.read(kCopyChunk);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            break;
        }
    }
    if (source.error() != QFileDevice::NoError)
        out.cancelWriting();
    if (out.commit())
        return true;
    if (error)
        *error = source.error() != QFileDevice::NoError ? source.errorString() : out.errorString();
    return false;
}

CollectionRead readCollection(QIODevice &device, MemoryImage &image)
{
    image.clear();
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        return CollectionRead::CannotOpen;
    // A size that says too much is refused before anything is read; a device whose size is
    // unknown (or wrong) is read up to one byte past the limit, which tells the same.
    if (!device.isSequential() && device.size() > kMaxCollectionSize)
        return CollectionRead::TooLarge;
    QByteArray bytes = device.read(kMaxCollectionSize + 1);
    const auto *file = qobject_cast<QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        return CollectionRead::ReadError;
    if (bytes.size() > kMaxCollectionSize)
        return CollectionRead::TooLarge;
    if (bytes.isEmpty())
        return CollectionRead::Empty;
    image = std::move(bytes);
    return CollectionRead::Ok;
}

CollectionRead readCollectionFile(const QString &fileName, MemoryImage &image)
{
    image.clear();
    QFile file(fileName);
    // Only a plain file: a folder, a device or a pipe is no collection.
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return CollectionRead::CannotOpen;
    return readCollection(file, image);
}

CollectionRead checkCollectionBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return CollectionRead::Empty;
    if (bytes.size() > kMaxCollectionSize)
        return CollectionRead::TooLarge;
    return CollectionRead::Ok;
}

} // namespace qx
