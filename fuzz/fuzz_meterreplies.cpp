// The poll tick on any replies: identity and live status frames of any content, with reads
// that fail or succeed as the input says. The tick must never read past a reply, and what
// it decodes must stay within the glyph table.
#include "meter/Clock.h"
#include "meter/DeviceAccess.h"
#include "meter/MeterSession.h"

#include <cstdlib>
#include <cstring>

using namespace qx;

namespace {

// A meter whose every reply comes from the fuzzer's bytes: one control byte (bit 0: the
// read fails), then the reply itself.
class ReplayedMeter final : public DeviceAccess {
public:
    ReplayedMeter(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    int openDevice(std::uint16_t, std::uint16_t) override { return 0; }
    int setTimeouts(int, int) override { return 0; }
    int writeCommand(int, const std::uint8_t *) override { return 0; }
    int writeData(int, const std::uint8_t *) override { return 0; }
    int completeWrite() override { return 0; }
    int closeDevice() override { return 0; }
    int readSerialNumber(int, char *buffer, int size) override
    {
        if (size > 0)
            buffer[0] = 0;
        return 0;
    }
    int readReply(int length, std::uint8_t *buffer) override
    {
        if (m_pos >= m_size)
            return -1;
        const bool fail = m_data[m_pos++] & 1;
        // Exactly `length` bytes on the heap, so ASan sees a read past the reply.
        std::vector<std::uint8_t> reply(std::size_t(length), 0);
        const std::size_t n = std::min(m_size - m_pos, std::size_t(length));
        std::memcpy(reply.data(), m_data + m_pos, n);
        m_pos += n;
        if (fail)
            return -1;
        std::memcpy(buffer, reply.data(), reply.size());
        return 0;
    }
    bool exhausted() const { return m_pos >= m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    VirtualClock clock;
    ReplayedMeter meter(data, size);
    MeterSession session(meter, clock);
    session.setSampling(true);
    for (int tick = 0; tick < 256 && !meter.exhausted(); ++tick) {
        session.tick();
        const LiveState &live = session.liveState();
        for (int g : live.largeDigit)
            if (g < 0 || g > 24)
                std::abort();
        for (int g : live.smallDigit)
            if (g < 0 || g > 24)
                std::abort();
        if (session.failureCount() >= kFailuresToDisconnect)
            std::abort();
    }
    return 0;
}
