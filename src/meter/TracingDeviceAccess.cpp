#include "TracingDeviceAccess.h"

#include "Clock.h"

#include <cstring>

namespace qx {

namespace {

// Callers move at most a few dozen bytes; a longer length is not trusted to describe
// readable memory.
constexpr int kMaxTracedBytes = 4096;

void appendHex(std::string &line, std::uint8_t byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    line += digits[byte >> 4];
    line += digits[byte & 0x0F];
}

// "name length: 02 41 03", "name length: (null)" or, with nothing to show, "name length".
std::string withBytes(const char *name, int length, const std::uint8_t *bytes, bool show)
{
    std::string line = std::string(name) + ' ' + std::to_string(length);
    if (!show || length <= 0 || length > kMaxTracedBytes)
        return line;
    line += ':';
    if (!bytes)
        return line + " (null)";
    for (int i = 0; i < length; ++i) {
        line += ' ';
        appendHex(line, bytes[i]);
    }
    return line;
}

} // namespace

TracingDeviceAccess::TracingDeviceAccess(DeviceAccess &inner, std::FILE *out, const Clock *clock)
    : m_inner(inner)
    , m_out(out ? out : stderr)
    , m_clock(clock)
{
}

void TracingDeviceAccess::writeLine(const std::string &call, int result)
{
    std::string line;
    if (m_clock)
        line = '[' + std::to_string(m_clock->tickMs()) + " ms] ";
    line += call;
    line += " -> ";
    line += std::to_string(result);
    line += '\n';
    // One write per line, flushed, so lines stay whole and survive a crash.
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}

int TracingDeviceAccess::openDevice(std::uint16_t vendorId, std::uint16_t productId)
{
    const int result = m_inner.openDevice(vendorId, productId);
    std::string call = "openDevice ";
    appendHex(call, std::uint8_t(vendorId >> 8));
    appendHex(call, std::uint8_t(vendorId));
    call += ':';
    appendHex(call, std::uint8_t(productId >> 8));
    appendHex(call, std::uint8_t(productId));
    writeLine(call, result);
    return result;
}

int TracingDeviceAccess::setTimeouts(int readMs, int writeMs)
{
    const int result = m_inner.setTimeouts(readMs, writeMs);
    writeLine("setTimeouts " + std::to_string(readMs) + ' ' + std::to_string(writeMs), result);
    return result;
}

int TracingDeviceAccess::writeCommand(int length, const std::uint8_t *bytes)
{
    const int result = m_inner.writeCommand(length, bytes);
    writeLine(withBytes("writeCommand", length, bytes, true), result);
    return result;
}

int TracingDeviceAccess::writeData(int length, const std::uint8_t *bytes)
{
    const int result = m_inner.writeData(length, bytes);
    writeLine(withBytes("writeData", length, bytes, true), result);
    return result;
}

int TracingDeviceAccess::completeWrite()
{
    const int result = m_inner.completeWrite();
    writeLine("completeWrite", result);
    return result;
}

int TracingDeviceAccess::readReply(int length, std::uint8_t *buffer)
{
    const int result = m_inner.readReply(length, buffer);
    // A failed read leaves nothing worth showing.
    writeLine(withBytes("readReply", length, buffer, result == 0 && buffer), result);
    return result;
}

int TracingDeviceAccess::closeDevice()
{
    const int result = m_inner.closeDevice();
    writeLine("closeDevice", result);
    return result;
}

int TracingDeviceAccess::readSerialNumber(int index, char *buffer, int size)
{
    const int result = m_inner.readSerialNumber(index, buffer, size);
    std::string call = "readSerialNumber " + std::to_string(index) + ' ' + std::to_string(size);
    if (result == 0 && buffer && size > 0 && size <= kMaxTracedBytes) {
        // Quoted, with anything but printable ASCII as \xHH, so the line stays one line.
        const void *end = std::memchr(buffer, '\0', std::size_t(size));
        const std::size_t n = end ? std::size_t(static_cast<const char *>(end) - buffer) : std::size_t(size);
        call += ": \"";
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(buffer[i]);
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                call += char(c);
            } else {
                call += "\\x";
                appendHex(call, c);
            }
        }
        call += '"';
    }
    writeLine(call, result);
    return result;
}

} // namespace qx
