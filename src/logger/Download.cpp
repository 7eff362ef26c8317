#include "Download.h"

#include "meter/MeterSession.h"

namespace qx {

namespace {

constexpr int kShortestReported = 256;
constexpr int kLiveReplyInDownload = 32;

// The opening selection of block 1, which answers with block 0 and so with the fill
// pointer; its echo is not checked.
constexpr ExchangeSpec kOpeningExchange{.command = 'P',
                                        .params = {0x00, 0x01},
                                        .readTimeoutMs = kDownloadTimeoutMs,
                                        .writeTimeoutMs = kDownloadTimeoutMs,
                                        .pauseAfterCommandMs = kOpeningReplyWaitMs,
                                        .replyLength = kBlockReplySize,
                                        .marks = kBlockReplyMarks,
                                        .codes = {.open = kDownloadOpenFailed,
                                                  .timeouts = kDownloadTimeoutsFailed,
                                                  .command = kDownloadSelectWriteFailed,
                                                  .read = kDownloadSelectNoReply,
                                                  .marks = kDownloadSelectBadMarks}};

// The first pass on the device the opening left open: a block is read at once after its
// 'p', a failed read is followed by one 'r', and a write that fails closes the device.
constexpr ExchangeSpec kNextBlock{.command = 'p',
                                  .open = false,
                                  .replyLength = kBlockReplySize,
                                  .close = CloseRule::AfterFailedCommand,
                                  .codes = {.command = kDownloadWriteFailed}};
constexpr ExchangeSpec kRepeatBlock{.command = 'r',
                                    .open = false,
                                    .replyLength = kBlockReplySize,
                                    .close = CloseRule::AfterFailedCommand,
                                    .codes = {.command = kDownloadWriteFailed}};
// Ends the read-out; no reply.
constexpr ExchangeSpec kEndReadout{
    .command = 'q', .open = false, .completeWrite = false, .codes = {.command = kDownloadEndFailed}};

// Each resumption attempt begins with a live status whose reply is not looked at, then
// reads block after block until one fails.
constexpr ExchangeSpec kResumeStatus{
    .command = 'A', .open = false, .commandChecked = false, .replyLength = kLiveReplyInDownload};
constexpr ExchangeSpec kResumeBlock{.command = 'p',
                                    .open = false,
                                    .replyLength = kBlockReplySize,
                                    .close = CloseRule::AfterFailedCommand,
                                    .codes = {.command = kResumeWriteFailed, .read = kResumeReadFailed}};

class Downloader {
public:
    Downloader(MeterSession &session, MemoryImage &image, DownloadObserver *observer)
        : m_link(session.link()), m_exchange(m_link.exchange()), m_clock(session.clock()),
          m_gate(session.gate()), m_image(image), m_observer(observer)
    {
    }

    int run()
    {
        m_image.clear();
        m_gate.quiesce();
        busyCursor(true);
        const ExchangeResult opening = exchange(kOpeningExchange);
        busyCursor(false);
        if (!opening.ok())
            return opening.code;

        // The reply carries block 0, the start of the memory image.
        const auto *block0 = m_link.reply().data() + kBlockReplyDataAt;
        const int fillPointer =
            block0[image::kFillPointer] << 16 | block0[image::kFillPointer + 1] << 8 | block0[image::kFillPointer + 2];
        m_target = downloadTargetLength(fillPointer + 1);
        m_image.reserve(m_target);
        if (m_observer)
            m_observer->started(m_target);
        m_image.append(reinterpret_cast<const char *>(block0), image::kBlockSize);
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

    ExchangeResult exchange(const ExchangeSpec &spec, const Exchange::Hooks &hooks = {})
    {
        return m_exchange.run(spec, m_link.reply(), hooks);
    }

    void storeBlock()
    {
        m_image.append(reinterpret_cast<const char *>(m_link.reply().data() + kBlockReplyDataAt), image::kBlockSize);
        m_received += image::kBlockSize;
        if (m_observer)
            m_observer->progress(m_received);
        m_clock.processEvents();
    }

    // Block after block; a failed read is repeated once in place. Returns the result the
    // resumption stage starts from.
    int firstPass()
    {
        int repeats = 0;
        while (remaining() > 0) {
            ExchangeResult r = exchange(kNextBlock);
            if (r.failedStep == ExchangeStep::Command)
                return r.code;
            if (r.ok()) {
                storeBlock();
                repeats = 0;
                continue;
            }
            m_clock.pumpWait(kRepeatPauseMs);
            r = exchange(kRepeatBlock);
            if (r.failedStep == ExchangeStep::Command)
                return r.code;
            // The repeat's own content is not used: the next 'p' brings the failed block.
            if (!r.ok() || ++repeats >= kMaxRepeatsPerBlock)
                return kDownloadOk;
        }
        return exchange(kEndReadout).code;
    }

    int resume(int result)
    {
        int failures = 0;
        while (m_received < m_target && failures < kMaxResumeFailures) {
            result = kDownloadOk;
            exchange(kResumeStatus, m_link.sequenceHooks());
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
                const ExchangeResult r = exchange(kResumeBlock);
                if (!r.ok()) {
                    result = r.code;
                    ++failures;
                    break;
                }
                failures = 0;
                storeBlock();
            }
            if (result == kDownloadOk)
                exchange(kEndReadout);
        }
        return result;
    }

    MeterLink &m_link;
    Exchange &m_exchange;
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
