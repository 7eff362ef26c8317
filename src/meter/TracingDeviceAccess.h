#pragma once
// Writes every call to the meter with its arguments, bytes and result, one line per
// call, so a user can attach the exchanges to a bug report:
//   writeCommand 7: 02 41 00 00 00 01 03 -> 0
//   readReply 64 -> 5
// With a clock, each line starts with its tick in milliseconds: "[12345 ms] ".
#include "DeviceAccess.h"

#include <cstdio>
#include <string>

namespace qx {

class Clock;

class TracingDeviceAccess final : public DeviceAccess {
public:
    // `out` null means stderr. Neither `inner`, `out` nor `clock` is owned.
    explicit TracingDeviceAccess(DeviceAccess &inner, std::FILE *out = stderr, const Clock *clock = nullptr);

    int openDevice(std::uint16_t vendorId, std::uint16_t productId) override;
    int setTimeouts(int readMs, int writeMs) override;
    int writeCommand(int length, const std::uint8_t *bytes) override;
    int writeData(int length, const std::uint8_t *bytes) override;
    int completeWrite() override;
    int readReply(int length, std::uint8_t *buffer) override;
    int closeDevice() override;
    int readSerialNumber(int index, char *buffer, int size) override;

private:
    void writeLine(const std::string &call, int result);

    DeviceAccess &m_inner;
    std::FILE *m_out;
    const Clock *m_clock;
};

} // namespace qx
