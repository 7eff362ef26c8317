#pragma once
// The one door to the meter: every byte to and from the thermometer passes here.
// Each call returns 0 on success and anything else on failure; there is no handle,
// at most one meter is open at a time.
#include <cstdint>

namespace qx {

inline constexpr std::uint16_t kMeterVendorId = 0x04D9;
inline constexpr std::uint16_t kMeterProductId = 0xE000;

class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;
    // Opens the meter; succeeds again when it is still open from an earlier exchange.
    virtual int openDevice(std::uint16_t vendorId, std::uint16_t productId) = 0;
    virtual int setTimeouts(int readMs, int writeMs) = 0;
    // A 7-byte command report.
    virtual int writeCommand(int length, const std::uint8_t *bytes) = 0;
    // A 32-byte data block that follows a command report.
    virtual int writeData(int length, const std::uint8_t *bytes) = 0;
    virtual int completeWrite() = 0;
    // Reads exactly `length` bytes (32, 36 or 64); on failure the buffer is not to be used.
    virtual int readReply(int length, std::uint8_t *buffer) = 0;
    virtual int closeDevice() = 0;
    // Leaves the serial number as zero-terminated 8-bit text in `buffer`.
    virtual int readSerialNumber(int index, char *buffer, int size) = 0;
};

} // namespace qx
