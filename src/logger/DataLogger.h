#pragma once
// The data logger commands without their windows: loading the logger memory from the meter
// (the data logger menu item and tool button), saving the data sets as a collection and
// opening one. Each returns what changed; the windows show it.
#include "CollectionFile.h"
#include "Download.h"
#include "MemoryImage.h"

#include <QString>
#include <memory>

namespace qx {

class MeterSession;
class UserExchange;

// The messages of the load, as the program shows them.
namespace loggerText {
inline QString notConnected() { return QStringLiteral("Il n'y a pas de connexion avec l'appareil !"); }
inline QString recordingInProgress()
{
    return QStringLiteral("Enregistrement en cours. Arrêtez l'enregistrement avant de charger les données.");
}
inline QString noDataSets() { return QStringLiteral("Pas de données enregistrées dans l'appareil !"); }
// A collection save that did not happen: the file and the system's reason.
inline QString collectionNotSaved(const QString &file, const QString &reason)
{
    return QStringLiteral("Impossible d'enregistrer le fichier %1.\n%2").arg(file, reason);
}
// The code follows the "=" at once: "...code d'erreur =1005".
inline QString errorCode(int code)
{
    return QStringLiteral("Il y a eu une erreur, veuillez réessayer! code d'erreur =") + QString::number(code);
}
} // namespace loggerText

// How a load began. When it started, the link is held for it: the windows open the data
// logger window, then finishLoad runs the rest.
struct LoadStart {
    bool started = false;
    QString message; // why it did not start, when the user is told
};

// What a load changed, for the windows to show.
struct LoadResult {
    int code = kDownloadOk; // a DownloadCode, or kParseTooManySets / kParseNoDataSets
    // The store holds the new data sets: the grid shows them.
    bool parsed = false;
    // The sets are in the store and the grid, but the working folder could be neither
    // found nor created: `folder` is the message.
    bool folderUnavailable = false;
    QString folder;
    bool workingCopyWritten = false;
    // Data set 0 is to be drawn.
    bool showFirstSet = false;
    // What the user is told at the end; empty when all went well.
    QString message;
};

struct OpenResult {
    enum Status {
        Opened,
        NotRead,           // see `read`; nothing changed
        NotParsed,         // no data set, or more than 4000 (see `parseCode`); nothing changed
        FolderUnavailable, // the sets are in the store and the grid but not drawn
    };
    Status status = Opened;
    CollectionRead read = CollectionRead::Ok;
    int parseCode = kParseOk;
    QString folder;
    // The store holds the opened data sets (Opened, FolderUnavailable): the grid shows them.
    bool parsed() const { return status == Opened || status == FolderUnavailable; }
};

class DataLogger {
public:
    DataLogger(MeterSession &session, DataSetStore &store);
    ~DataLogger();

    void setDownloadObserver(DownloadObserver *observer) { m_observer = observer; }
    // The data folder ends with a separator; empty when there is none, and then the
    // program's folder (by default the application's) holds the working copy.
    void setDataFolder(const QString &folder) { m_dataFolder = folder; }
    const QString &dataFolder() const { return m_dataFolder; }
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    QString workingCopyPath() const { return qx::workingCopyPath(m_dataFolder, m_programFolder); }

    DataSetStore &store() { return m_store; }
    bool downloadBusy() const { return m_downloadBusy; }
    // Set by a load that ended with code 0; cleared by a collection save that succeeded
    // and when the data logger window closes.
    bool unsavedDataSets() const { return m_unsavedDataSets; }
    void setUnsavedDataSets(bool on) { m_unsavedDataSets = on; }

    // The data logger command, first half: checks the connection and the meter's
    // recording, then holds the link for the whole load with the poll timer off. Nothing
    // starts while a load runs or another exchange holds the link.
    LoadStart beginLoad();
    // Second half, after a load that started: runs loadDataSets and tells what to show
    // (still holding the link).
    LoadResult finishLoad();
    // Ends the load: after a failure tells the meter to abandon, then releases the link.
    void endLoad();
    // The load sequence: download, parse, working copy.
    LoadResult loadDataSets();

    // The collection branch of the save command, once the user has chosen `fileName`:
    // copies the working copy there and clears unsavedDataSets. False when nothing was
    // written (no working copy, or the copy failed): the mark stays.
    bool saveCollection(const QString &fileName, QString *error = nullptr);
    // The collection branch of the open command, once the data logger window is open and
    // the user has chosen `fileName`. unsavedDataSets is left as it was.
    OpenResult openCollection(const QString &fileName);
    OpenResult openCollectionBytes(const QByteArray &bytes);

private:
    OpenResult openImage(const MemoryImage &image);
    void abandon();

    MeterSession &m_session;
    DataSetStore &m_store;
    DownloadObserver *m_observer = nullptr;
    QString m_dataFolder;
    QString m_programFolder;
    bool m_downloadBusy = false;
    bool m_unsavedDataSets = false;
    bool m_abandonAtEnd = false;
    std::unique_ptr<UserExchange> m_exchange; // the link, from beginLoad to finishLoad
};

} // namespace qx
