#include "DataLogger.h"

#include "meter/MeterSession.h"

#include <QCoreApplication>

namespace qx {

DataLogger::DataLogger(MeterSession &session, DataSetStore &store) : m_session(session), m_store(store)
{
    if (QCoreApplication::instance())
        m_programFolder = QCoreApplication::applicationDirPath();
}

DataLogger::~DataLogger() = default;

void DataLogger::abandon()
{
    DeviceAccess &device = m_session.device();
    CommandBuffer &buffer = m_session.link().buffer();
    device.completeWrite();
    buffer.compose('Q');
    device.writeCommand(kCommandReportSize, buffer.data()); // no open, no reply
}

LoadStart DataLogger::beginLoad()
{
    LoadStart start;
    if (m_downloadBusy)
        return start;
    if (!m_session.connected()) {
        start.message = loggerText::notConnected();
        return start;
    }
    if (m_session.liveState().loggerRecording) {
        start.message = loggerText::recordingInProgress();
        return start;
    }
    // Waits for a poll tick to end and keeps the poll timer off until finishLoad.
    auto exchange = std::make_unique<UserExchange>(m_session.gate());
    if (!exchange->ok())
        return start; // another exchange holds the link; interleaving would spoil both
    m_downloadBusy = true;
    m_exchange = std::move(exchange);
    m_session.resetFailureCount();
    start.started = true;
    return start;
}

LoadResult DataLogger::finishLoad()
{
    if (!m_exchange)
        return {};
    LoadResult result = loadDataSets();
    if (result.folderUnavailable) {
        result.message = result.folder;
    } else if (result.code == kDownloadOk) {
        m_unsavedDataSets = true;
    } else if (result.code == kParseNoDataSets) {
        result.message = loggerText::noDataSets();
    } else {
        result.message = loggerText::errorCode(result.code);
        m_abandonAtEnd = true;
    }
    return result;
}

void DataLogger::endLoad()
{
    if (!m_exchange)
        return;
    // The meter is told to give up only once the user has seen why.
    if (m_abandonAtEnd)
        abandon();
    m_abandonAtEnd = false;
    m_exchange.reset();
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
    result.parsed = true;
    const WorkingCopyResult copy = writeWorkingCopy(image, m_store.dataSets(), m_dataFolder, m_programFolder);
    image.clear();
    if (copy.status == WorkingCopyResult::FolderUnavailable) {
        result.folderUnavailable = true;
        result.folder = copy.folder;
        return result;
    }
    result.workingCopyWritten = copy.status == WorkingCopyResult::Written;
    result.showFirstSet = true;
    return result;
}

bool DataLogger::saveCollection(const QString &fileName, QString *error)
{
    // A save that did not happen keeps the question at closing: the sets are not kept yet.
    if (!copyWorkingCopy(workingCopyPath(), fileName, error))
        return false;
    m_unsavedDataSets = false;
    return true;
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
    const WorkingCopyResult copy = writeWorkingCopy(image, m_store.dataSets(), m_dataFolder, m_programFolder);
    if (copy.status == WorkingCopyResult::FolderUnavailable) {
        result.status = OpenResult::FolderUnavailable;
        result.folder = copy.folder;
    }
    return result;
}

} // namespace qx
