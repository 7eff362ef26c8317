#pragma once
// The meter over USB HID. The device stays open between exchanges: callers open at the
// start of every exchange, and reopening a hidraw node five times a second would only
// cost time. A write or read that finds the device gone closes it, so the next open
// looks for the meter again.
#include "DeviceAccess.h"
#include "HidTransport.h"

#include <vector>

namespace qx {

class HidDeviceAccess final : public DeviceAccess {
public:
    // Non-zero results, so that a trace tells what went wrong.
    enum Result : int {
        Ok = 0,
        InvalidArgument = 1,
        NotFound = 2,     // no such device attached, or it could not be opened
        NotOpen = 3,
        WriteFailed = 4,
        TimedOut = 5,     // an input report did not arrive within the read time-out
        ReadFailed = 6,
        NoSerialNumber = 7,
    };
    static constexpr int kDefaultTimeoutMs = 100;
    static constexpr int kMaxTimeoutMs = 60000;

    explicit HidDeviceAccess(HidTransport &transport);
    ~HidDeviceAccess() override;

    int openDevice(std::uint16_t vendorId, std::uint16_t productId) override;
    // The read time-out bounds the wait for each input report. hidraw writes are bounded
    // by the kernel, so the write time-out is kept but has nothing to govern.
    int setTimeouts(int readMs, int writeMs) override;
    // Both go out as report id 0 and the bytes, zero-padded to the output report
    // length; bytes beyond one report continue in the next.
    int writeCommand(int length, const std::uint8_t *bytes) override;
    int writeData(int length, const std::uint8_t *bytes) override;
    int completeWrite() override { return Ok; }
    // Gathers input reports until `length` bytes have come; what the last report brings
    // beyond them is dropped.
    int readReply(int length, std::uint8_t *buffer) override;
    int closeDevice() override;
    // Index 0 only: the USB serial number, one byte per character ('?' for characters
    // beyond Latin-1), cut to fit and always zero-terminated.
    int readSerialNumber(int index, char *buffer, int size) override;

    bool isOpen() const { return m_open; }
    int readTimeoutMs() const { return m_readMs; }
    int writeTimeoutMs() const { return m_writeMs; }
    int reportLength() const { return m_reportLength; }

private:
    int send(int length, const std::uint8_t *bytes);
    void drop();

    HidTransport &m_transport;
    bool m_open = false;
    std::uint16_t m_vendorId = 0;
    std::uint16_t m_productId = 0;
    int m_readMs = kDefaultTimeoutMs;
    int m_writeMs = kDefaultTimeoutMs;
    int m_reportLength = kFallbackOutputReportLength;
    std::vector<std::uint8_t> m_report; // one report in either direction
};

} // namespace qx
