#pragma once
// A device whose every call does what the test says: a result per call kind, the reply a
// read delivers, or a read that raises an error. It keeps a line per call, with the bytes
// written, so a test sees the steps an exchange takes in their order.
#include "meter/Clock.h"
#include "meter/DeviceAccess.h"

#include <QStringList>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace qx::test {

class ScriptedDevice final : public DeviceAccess {
public:
    int openResult = 0;
    int timeoutsResult = 0;
    int commandResult = 0;
    int dataResult = 0;
    int readResult = 0;
    int readsToFail = 0; // the next this many reads fail, then readResult holds again
    bool readThrows = false;
    std::vector<std::uint8_t> reply; // what a successful read delivers, padded with zeros
    QStringList calls;
    const Clock *clock = nullptr; // when set, each line starts with the tick: "[100] "

    int openDevice(std::uint16_t vendorId, std::uint16_t productId) override
    {
        log(QStringLiteral("open %1:%2").arg(vendorId, 4, 16, QLatin1Char('0')).arg(productId, 4, 16, QLatin1Char('0')));
        return openResult;
    }
    int setTimeouts(int readMs, int writeMs) override
    {
        log(QStringLiteral("timeouts %1 %2").arg(readMs).arg(writeMs));
        return timeoutsResult;
    }
    int writeCommand(int length, const std::uint8_t *bytes) override
    {
        log(QStringLiteral("command ") + hex(bytes, length));
        return commandResult;
    }
    int writeData(int length, const std::uint8_t *bytes) override
    {
        log(QStringLiteral("data ") + hex(bytes, length));
        return dataResult;
    }
    int completeWrite() override
    {
        log(QStringLiteral("complete"));
        return 0;
    }
    int readReply(int length, std::uint8_t *buffer) override
    {
        log(QStringLiteral("read %1").arg(length));
        if (readThrows)
            throw std::runtime_error("transfer error");
        if (readsToFail > 0) {
            --readsToFail;
            return -1;
        }
        if (readResult != 0)
            return readResult;
        std::memset(buffer, 0, std::size_t(length));
        std::memcpy(buffer, reply.data(), std::min(reply.size(), std::size_t(length)));
        return 0;
    }
    int closeDevice() override
    {
        log(QStringLiteral("close"));
        return 0;
    }
    int readSerialNumber(int, char *buffer, int size) override
    {
        log(QStringLiteral("serial"));
        if (size > 0)
            buffer[0] = '\0';
        return 0;
    }

private:
    void log(const QString &line) { calls << (clock ? QStringLiteral("[%1] ").arg(clock->tickMs()) + line : line); }
    static QString hex(const std::uint8_t *bytes, int length)
    {
        return QByteArray(reinterpret_cast<const char *>(bytes), length).toHex(' ').toUpper();
    }
};

} // namespace qx::test
