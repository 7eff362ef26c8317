#include "Download.h"

#include "meter/MeterSession.h"

namespace qx {

namespace {

constexpr int kShortestReported = 256;
constexpr int kLiveReplyInDownload = 32;

class Downloader {
public:
    Downloader(MeterSession &session, MemoryImage &image, DownloadObserver *observer)
        : m_link(session.link()), m_device(session.device()), m_clock(session.clock()), m_gate(session.gate()),
          m_image(image), m_observer(observer)
    {
    }

    int run()
    {
        m_image.clear();
        m_gate.quiesce();
        busyCursor(true);
        const int opening = openingExchange();
        busyCursor(false);
        if (opening != kDownloadOk)
            return opening;

        const auto &r = m_link.reply();
        const int reported = (r[10] << 16 | r[11] << 8 | r[12]) + 1;
        m_target = downloadTargetLength(reported);
        m_image.reserve(m_target);
        if (m_observer)
            m_observer->started(m_target);
        m_image.append(reinterpret_cast<const char *>(r.data()), image::kBlockSize);
        m_received = image::kBlockSize;

        int result = firstPass();
        result = resume(result);
        if (m_observer)
            m_observer->finished();
        return result;
    }

private:
    int remaining() const { return m_target - m_received; }

    void busyCursor(bool on)
    {
        if (m_observer)
            m_observer->setBusyCursor(on);
    }

    bool send(char command)
    {
        m_link.buffer().compose(command);
        return m_device.writeCommand(kCommandReportSize, m_link.buffer().data()) == 0;
    }

    bool readBlock() { return m_device.readReply(kBlockReplySize, m_link.reply().data()) == 0; }

    void storeBlock()
    {
        m_image.append(reinterpret_cast<const char *>(m_link.reply().data()), image::kBlockSize);
        m_received += image::kBlockSize;
        if (m_observer)
            m_observer->progress(m_received);
        m_clock.processEvents();
    }

    int openingExchange()
    {
        if (m_device.openDevice(kMeterVendorId, kMeterProductId) != 0)
            return kDownloadOpenFailed;
        if (m_device.setTimeouts(kDownloadTimeoutMs, kDownloadTimeoutMs) != 0)
            return kDownloadTimeoutsFailed;
        CommandBuffer &buffer = m_link.buffer();
        buffer.compose('P');
        buffer.setParam(2, 0x00);
        buffer.setParam(3, 0x01); // block 1 answers with block 0, where the fill pointer is
        if (m_device.writeCommand(kCommandReportSize, buffer.data()) != 0)
            return kDownloadSelectWriteFailed;
        m_device.completeWrite();
        m_clock.pumpWait(kOpeningReplyWaitMs);
        if (!readBlock())
            return kDownloadSelectNoReply;
        const auto &r = m_link.reply();
        if (r[34] != 0x04 || r[35] != 0x05)
            return kDownloadSelectBadMarks;
        return kDownloadOk;
    }

    // Block after block; a failed read is repeated once in place. Returns the result the
    // resumption stage starts from.
    int firstPass()
    {
        int repeats = 0;
        while (remaining() > 0) {
            if (!send('p')) {
                m_device.closeDevice();
                return kDownloadWriteFailed;
            }
            m_device.completeWrite();
            if (readBlock()) {
                storeBlock();
                repeats = 0;
                continue;
            }
            m_clock.pumpWait(kRepeatPauseMs);
            if (!send('r')) {
                m_device.closeDevice();
                return kDownloadWriteFailed;
            }
            m_device.completeWrite();
            // The repeat's own content is not used: the next 'p' brings the failed block.
            if (!readBlock() || ++repeats >= kMaxRepeatsPerBlock)
                return kDownloadOk;
        }
        return send('q') ? kDownloadOk : kDownloadEndFailed;
    }

    int resume(int result)
    {
        int failures = 0;
        while (m_received < m_target && failures < kMaxResumeFailures) {
            result = kDownloadOk;
            CommandBuffer &buffer = m_link.buffer();
            buffer.compose('A');
            buffer.setParam(5, m_link.nextSequence());
            m_device.writeCommand(kCommandReportSize, buffer.data());
            m_device.completeWrite();
            m_device.readReply(kLiveReplyInDownload, m_link.reply().data());
            m_clock.pumpWait(kResumePauseMs);

            const int block = m_received / image::kBlockSize;
            m_link.selectBlock(block);
            m_clock.pumpWait(kResumePauseMs);
            if (m_link.selectBlock(block) != kSelectOk) {
                result = kResumeSelectFailed;
                ++failures;
                continue;
            }
            while (remaining() > 0) {
                if (!send('p')) {
                    m_device.closeDevice();
                    result = kResumeWriteFailed;
                    ++failures;
                    break;
                }
                m_device.completeWrite();
                if (!readBlock()) {
                    result = kResumeReadFailed;
                    ++failures;
                    break;
                }
                failures = 0;
                storeBlock();
            }
            if (result == kDownloadOk)
                send('q');
        }
        return result;
    }

    MeterLink &m_link;
    DeviceAccess &m_device;
    Clock &m_clock;
    ExchangeGate &m_gate;
    MemoryImage &m_image;
    DownloadObserver *m_observer;
    int m_target = 0;
    int m_received = 0;
};

} // namespace

int downloadTargetLength(int reportedLength)
{
    int target = reportedLength;
    if (target > image::kMemorySize || target < kShortestReported)
        target = image::kMemorySize;
    const int partial = target % image::kBlockSize;
    if (partial != 0)
        target += image::kBlockSize - partial;
    return target;
}

int downloadMemory(MeterSession &session, MemoryImage &image, DownloadObserver *observer)
{
    return Downloader(session, image, observer).run();
}

} // namespace qx
