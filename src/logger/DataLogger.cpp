#include "DataLogger.h"

#include "meter/MeterSession.h"

#include <QCoreApplication>

namespace qx {

DataLogger::DataLogger(MeterSession &session, DataSetStore &store) : m_session(session), m_store(store)
{
    if (QCoreApplication::instance())
        m_programFolder = QCoreApplication::applicationDirPath();
}

void DataLogger::message(const QString &text)
{
    if (m_hooks.showMessage)
        m_hooks.showMessage(text);
}

void DataLogger::abandon()
{
    DeviceAccess &device = m_session.device();
    CommandBuffer &buffer = m_session.link().buffer();
    device.completeWrite();
    buffer.compose('Q');
    device.writeCommand(kCommandReportSize, buffer.data()); // no open, no reply
}

void DataLogger::loadData()
{
    if (m_downloadBusy)
        return;
    m_downloadBusy = true;
    if (!m_session.connected()) {
        message(loggerText::notConnected());
        m_downloadBusy = false;
        return;
    }
    if (m_session.liveState().loggerRecording) {
        message(loggerText::recordingInProgress());
        m_downloadBusy = false;
        return;
    }
    {
        // Waits for a poll tick to end and keeps the poll timer off until the scope ends.
        UserExchange exchange(m_session.gate());
        if (!exchange.ok()) {
            // Another exchange holds the link; interleaving with it would spoil both.
            m_downloadBusy = false;
            return;
        }
        m_session.resetFailureCount();
        if (m_hooks.openDataLoggerWindow)
            m_hooks.openDataLoggerWindow();

        const LoadResult result = loadDataSets();
        if (result.folderUnavailable) {
            message(result.folder);
        } else if (result.code == kDownloadOk) {
            *m_unsavedDataSets = true;
        } else if (result.code == kParseNoDataSets) {
            message(loggerText::noDataSets());
        } else {
            message(loggerText::errorCode(result.code));
            abandon();
        }
    }
    m_downloadBusy = false;
}

LoadResult DataLogger::loadDataSets()
{
    LoadResult result;
    MemoryImage &image = m_store.memoryImage();
    image.clear();
    result.code = downloadMemory(m_session, image, m_observer);
    if (result.code != kDownloadOk) {
        image.clear();
        return result;
    }
    result.code = m_store.parseMemoryImage(m_session.clock());
    if (result.code != kParseOk) {
        image.clear();
        return result;
    }
    if (m_hooks.fillDataSetGrid)
        m_hooks.fillDataSetGrid();
    const WorkingCopyResult copy = writeWorkingCopy(image, m_store.dataSets(), m_dataFolder, m_programFolder);
    image.clear();
    if (copy.status == WorkingCopyResult::FolderUnavailable) {
        result.folderUnavailable = true;
        result.folder = copy.folder;
        return result;
    }
    result.workingCopyWritten = copy.status == WorkingCopyResult::Written;
    if (m_hooks.showDataSet)
        m_hooks.showDataSet(0);
    return result;
}

bool DataLogger::saveCollection(const QString &fileName)
{
    *m_unsavedDataSets = false;
    return copyWorkingCopy(workingCopyPath(), fileName);
}

OpenResult DataLogger::openCollection(const QString &fileName)
{
    // Its own buffer: a download that is pumping events meanwhile keeps the store's image.
    MemoryImage image;
    OpenResult result;
    result.read = readCollectionFile(fileName, image);
    if (result.read != CollectionRead::Ok) {
        result.status = OpenResult::NotRead;
        return result;
    }
    return openImage(image);
}

OpenResult DataLogger::openCollectionBytes(const QByteArray &bytes)
{
    OpenResult result;
    result.read = checkCollectionBytes(bytes);
    if (result.read != CollectionRead::Ok) {
        result.status = OpenResult::NotRead;
        return result;
    }
    return openImage(bytes);
}

OpenResult DataLogger::openImage(const MemoryImage &image)
{
    OpenResult result;
    result.parseCode = m_store.parse(image, m_session.clock().now());
    if (result.parseCode != kParseOk) {
        result.status = OpenResult::NotParsed;
        return result;
    }
    if (m_hooks.fillDataSetGrid)
        m_hooks.fillDataSetGrid();
    const WorkingCopyResult copy = writeWorkingCopy(image, m_store.dataSets(), m_dataFolder, m_programFolder);
    if (copy.status == WorkingCopyResult::FolderUnavailable) {
        result.status = OpenResult::FolderUnavailable;
        result.folder = copy.folder;
        message(copy.folder);
        return result;
    }
    if (m_hooks.showDataSet)
        m_hooks.showDataSet(0);
    return result;
}

} // namespace qx
