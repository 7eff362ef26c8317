#pragma once
// The data logger commands without their windows: loading the logger memory from the meter
// (the data logger menu item and tool button), saving the data sets as a collection and
// opening one. The windows hand in what only they can do as hooks and get the texts to
// show through showMessage.
#include "CollectionFile.h"
#include "Download.h"
#include "MemoryImage.h"

#include <QString>
#include <functional>

namespace qx {

class MeterSession;

// The messages of the load, as the program shows them.
namespace loggerText {
inline QString notConnected() { return QStringLiteral("Il n'y a pas de connexion avec l'appareil !"); }
inline QString recordingInProgress()
{
    return QStringLiteral("Enregistrement en cours. Arrêtez l'enregistrement avant de charger les données.");
}
inline QString noDataSets() { return QStringLiteral("Pas de données enregistrées dans l'appareil !"); }
// The code follows the "=" at once: "...code d'erreur =1005".
inline QString errorCode(int code)
{
    return QStringLiteral("Il y a eu une erreur, veuillez réessayer! code d'erreur =") + QString::number(code);
}
} // namespace loggerText

// What the windows do for the commands. Any hook may be left empty.
struct DataLoggerHooks {
    std::function<void(const QString &text)> showMessage;
    std::function<void()> openDataLoggerWindow; // restore it, or create it
    std::function<void()> fillDataSetGrid;      // from the store, after every successful parse
    std::function<void(int set)> showDataSet;   // draw set n in the data logger window
};

struct LoadResult {
    int code = kDownloadOk; // a DownloadCode, or kParseTooManySets / kParseNoDataSets
    // The sets are in the store and the grid, but the working folder could be neither
    // found nor created: `folder` is the message.
    bool folderUnavailable = false;
    QString folder;
    bool workingCopyWritten = false;
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
};

class DataLogger {
public:
    DataLogger(MeterSession &session, DataSetStore &store);

    void setHooks(DataLoggerHooks hooks) { m_hooks = std::move(hooks); }
    void setDownloadObserver(DownloadObserver *observer) { m_observer = observer; }
    // The data folder ends with a separator; empty when there is none, and then the
    // program's folder (by default the application's) holds the working copy.
    void setDataFolder(const QString &folder) { m_dataFolder = folder; }
    const QString &dataFolder() const { return m_dataFolder; }
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    QString workingCopyPath() const { return qx::workingCopyPath(m_dataFolder, m_programFolder); }

    DataSetStore &store() { return m_store; }
    bool downloadBusy() const { return m_downloadBusy; }
    // Set by a load that ended with code 0; the window clears it when it closes.
    bool unsavedDataSets() const { return *m_unsavedDataSets; }
    void setUnsavedDataSets(bool on) { *m_unsavedDataSets = on; }
    // The main window keeps the mark its graph windows ask about; the logger then sets
    // and clears that one instead of its own.
    void bindUnsavedDataSets(bool &flag) { m_unsavedDataSets = &flag; }

    // The data logger command: checks the connection and the meter's recording, holds the
    // link for the whole load with the poll timer off, runs loadDataSets and reports the
    // outcome. A call while a load runs does nothing.
    void loadData();
    // The load sequence: download, parse, grid, working copy, set 0.
    LoadResult loadDataSets();

    // The collection branch of the save command, once the user has chosen `fileName`:
    // clears unsavedDataSets and copies the working copy there. False when nothing was
    // written (no working copy, or the copy failed); no message in either case.
    bool saveCollection(const QString &fileName);
    // The collection branch of the open command, once the data logger window is open and
    // the user has chosen `fileName`. unsavedDataSets is left as it was.
    OpenResult openCollection(const QString &fileName);
    OpenResult openCollectionBytes(const QByteArray &bytes);

private:
    OpenResult openImage(const MemoryImage &image);
    void message(const QString &text);
    void abandon();

    MeterSession &m_session;
    DataSetStore &m_store;
    DataLoggerHooks m_hooks;
    DownloadObserver *m_observer = nullptr;
    QString m_dataFolder;
    QString m_programFolder;
    bool m_downloadBusy = false;
    bool m_ownUnsaved = false;
    bool *m_unsavedDataSets = &m_ownUnsaved;
};

} // namespace qx
