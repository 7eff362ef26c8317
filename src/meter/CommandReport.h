#pragma once
// The 7-byte command report: 02, command letter, four parameter bytes, 03.
// A buffer is kept per sender; a command only writes the bytes it uses, so the others
// keep what the previous command of the same buffer left there (the meter sees them).
#include <array>
#include <cstdint>

namespace qx {

inline constexpr int kCommandReportSize = 7;

class CommandBuffer {
public:
    CommandBuffer() { m_bytes = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03}; }

    // Writes the marks and the command letter; parameter bytes stay as they were.
    void compose(char command)
    {
        m_bytes[0] = 0x02;
        m_bytes[1] = std::uint8_t(command);
        m_bytes[6] = 0x03;
    }
    // Parameter byte 2 to 5.
    void setParam(int index, std::uint8_t value)
    {
        if (index >= 2 && index <= 5)
            m_bytes[std::size_t(index)] = value;
    }
    std::uint8_t operator[](int index) const { return m_bytes[std::size_t(index)]; }
    const std::uint8_t *data() const { return m_bytes.data(); }
    const std::array<std::uint8_t, kCommandReportSize> &bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, kCommandReportSize> m_bytes;
};

} // namespace qx
