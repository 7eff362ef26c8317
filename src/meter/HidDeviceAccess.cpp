#include "HidDeviceAccess.h"

#include <algorithm>
#include <cstring>

namespace qx {

HidDeviceAccess::HidDeviceAccess(HidTransport &transport)
    : m_transport(transport)
    , m_report(std::size_t(kMaxReportLength) + 1)
{
}

HidDeviceAccess::~HidDeviceAccess()
{
    closeDevice();
}

int HidDeviceAccess::openDevice(std::uint16_t vendorId, std::uint16_t productId)
{
    // Zero ids would make the enumeration match any HID device.
    if (vendorId == 0 || productId == 0)
        return InvalidArgument;
    if (m_open && vendorId == m_vendorId && productId == m_productId)
        return Ok;
    closeDevice();

    const std::string path = m_transport.find(vendorId, productId);
    if (path.empty() || !m_transport.open(path))
        return NotFound;
    m_open = true;
    m_vendorId = vendorId;
    m_productId = productId;
    const int length = m_transport.outputLength();
    m_reportLength = length > 0 && length <= kMaxReportLength ? length : kFallbackOutputReportLength;
    return Ok;
}

int HidDeviceAccess::setTimeouts(int readMs, int writeMs)
{
    // A negative wait would block for ever on a silent meter.
    if (readMs < 0 || writeMs < 0 || readMs > kMaxTimeoutMs || writeMs > kMaxTimeoutMs)
        return InvalidArgument;
    m_readMs = readMs;
    m_writeMs = writeMs;
    return Ok;
}

int HidDeviceAccess::writeCommand(int length, const std::uint8_t *bytes)
{
    return send(length, bytes);
}

int HidDeviceAccess::writeData(int length, const std::uint8_t *bytes)
{
    return send(length, bytes);
}

int HidDeviceAccess::send(int length, const std::uint8_t *bytes)
{
    if (!bytes || length <= 0 || length > kMaxReportLength)
        return InvalidArgument;
    if (!m_open)
        return NotOpen;

    const std::size_t reportSize = std::size_t(m_reportLength) + 1;
    for (int sent = 0; sent < length;) {
        const int chunk = std::min(length - sent, m_reportLength);
        std::fill(m_report.begin(), m_report.begin() + reportSize, std::uint8_t(0));
        std::memcpy(m_report.data() + 1, bytes + sent, std::size_t(chunk));
        const int written = m_transport.write(m_report.data(), reportSize);
        if (written < 0) {
            drop();
            return WriteFailed;
        }
        if (std::size_t(written) != reportSize)
            return WriteFailed;
        sent += chunk;
    }
    return Ok;
}

int HidDeviceAccess::readReply(int length, std::uint8_t *buffer)
{
    if (!buffer || length <= 0 || length > kMaxReportLength)
        return InvalidArgument;
    if (!m_open)
        return NotOpen;

    for (int got = 0; got < length;) {
        const int n = m_transport.read(m_report.data(), m_report.size(), m_readMs);
        if (n < 0) {
            drop();
            return ReadFailed;
        }
        if (n == 0)
            return TimedOut;
        const int take = std::min({n, length - got, int(m_report.size())});
        std::memcpy(buffer + got, m_report.data(), std::size_t(take));
        got += take;
    }
    return Ok;
}

int HidDeviceAccess::closeDevice()
{
    if (m_open)
        drop();
    return Ok;
}

void HidDeviceAccess::drop()
{
    m_transport.close();
    m_open = false;
    m_reportLength = kFallbackOutputReportLength;
}

int HidDeviceAccess::readSerialNumber(int index, char *buffer, int size)
{
    if (!buffer || size <= 0)
        return InvalidArgument;
    buffer[0] = '\0';
    if (index != 0)
        return InvalidArgument;
    if (!m_open)
        return NotOpen;

    std::wstring text;
    if (!m_transport.serialNumber(text))
        return NoSerialNumber;
    const std::size_t count = std::min(text.size(), std::size_t(size) - 1);
    std::size_t i = 0;
    for (; i < count && text[i] != L'\0'; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        buffer[i] = static_cast<char>(c <= 0xFF ? c : '?');
    }
    buffer[i] = '\0';
    return Ok;
}

} // namespace qx
