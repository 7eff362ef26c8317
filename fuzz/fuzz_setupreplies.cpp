// The setup window's replies: the information, the calibration parts and an EEPROM cell,
// decoded straight from any bytes of any length, and read through the operations from a
// meter whose replies (and whose failing reads) come from the input. No decoder may read
// past a reply, and every text must come out whole.
#include "meter/Clock.h"
#include "meter/DeviceAccess.h"
#include "meter/MeterSession.h"
#include "setup/MeterSetup.h"
#include "setup/SetupFormats.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace qx;

namespace {

// Every reply from the input: one control byte (bit 0: the read fails), then the reply.
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
        // Whatever the meter says, not always terminated.
        for (int i = 0; i < size; ++i)
            buffer[i] = m_pos + std::size_t(i) < m_size ? char(m_data[m_pos + std::size_t(i)]) : 'x';
        return 0;
    }
    int readReply(int length, std::uint8_t *buffer) override
    {
        if (m_pos >= m_size)
            return -1;
        const bool fail = m_data[m_pos++] & 1;
        std::vector<std::uint8_t> reply(std::size_t(length), 0);
        const std::size_t n = std::min(m_size - m_pos, std::size_t(length));
        std::memcpy(reply.data(), m_data + m_pos, n);
        m_pos += n;
        if (fail)
            return -1;
        std::memcpy(buffer, reply.data(), reply.size());
        return 0;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

class View final : public SetupView {
public:
    QString input(SetupInput) const override { return QStringLiteral("9264"); }
    void started(SetupOperation) override {}
    void finished(const SetupResult &result) override
    {
        if (result.information) {
            const MeterInfoTexts &t = *result.information;
            if (t.meterTime.size() != 21 || t.serialNumber.size() > kSerialNumberSize)
                std::abort();
        }
        if (result.calibration)
            for (float v : *result.calibration)
                if (calibrationText(v).isEmpty())
                    std::abort();
        if (result.eepromValue && (*result.eepromValue < 0 || *result.eepromValue > 255))
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    // Exactly the input on the heap, so that ASan sees a read past it.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> all(bytes);
    switch (mode % 3) {
    case 0: {
        if (const auto info = decodeMeterInfo(all))
            if (info->meterTime.size() != 21)
                std::abort();
        const std::size_t half = size / 2;
        if (const auto values = decodeCalibration(all.first(half), all.subspan(half)))
            for (float v : *values)
                (void)calibrationText(v);
        (void)eepromReadValue(all);
        const std::vector<char> text(bytes.begin(), bytes.end());
        (void)serialNumberText(text);
        break;
    }
    default: {
        VirtualClock clock;
        ReplayedMeter meter(data, size);
        MeterSession session(meter, clock);
        View view;
        MeterSetup setup(session, view);
        if (mode % 3 == 1) {
            setup.readInformation();
        } else {
            setup.readCalibration();
            setup.readEeprom();
        }
        break;
    }
    }
    return 0;
}
