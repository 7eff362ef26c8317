#pragma once
// What the setup commands carry: the meter's information reply and how its fields read,
// the clock and default settings blocks, the recording interval typed as mm:ss, the
// calibration values packed in three bytes, and the EEPROM cell's address and data.
// Every decoder takes the reply with its length and refuses one that is too short.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qx {

inline constexpr int kSetupReplySize = 32;
inline constexpr int kMeterInfoReplySize = 64;
inline constexpr int kSerialNumberSize = 32;

// MeterInfoReply: where each field is, high byte first.
namespace info {
inline constexpr int kAlarm = 3;
inline constexpr int kHigh = 4;     // signed 16-bit
inline constexpr int kLow = 6;      // signed 16-bit
inline constexpr int kDataSets = 8; // unsigned 16-bit
inline constexpr int kFillPointer = 10; // unsigned 24-bit
inline constexpr int kIntervalMinutes = 13;
inline constexpr int kIntervalSeconds = 14;
inline constexpr int kThermoType = 18;
inline constexpr int kT1MinusT2 = 21;
inline constexpr int kOffsets = 22; // signed 8-bit, T1 to T4
inline constexpr int kPowerOff = 30;
inline constexpr int kFirmware = 31; // version × 100
inline constexpr int kClock = 40;    // the layout of ClockBlock bytes 0 to 6
// The logger's end: (end − fill pointer) / 8 records still fit.
inline constexpr int kLoggerEnd = 130816;
inline constexpr int kRecordSize = 8;
} // namespace info

// The sixteen fields of the information group as they read.
struct MeterInfoTexts {
    QString version;
    QString meterTime;
    QString interval;
    QString dataSets;
    QString memoryAvailable;
    QString alarm;
    QString high;
    QString low;
    QString t1MinusT2;
    QString thermoType;
    QString powerOff;
    std::array<QString, 4> offsets;
    QString serialNumber;
};

// Null when the reply holds fewer than 64 bytes. The serial number is not in the reply.
std::optional<MeterInfoTexts> decodeMeterInfo(std::span<const std::uint8_t> reply, const QLocale &locale = QLocale());

// The serial number buffer up to its first zero byte, 8-bit text; never past `buffer`.
QString serialNumberText(std::span<const char> buffer);

// ClockBlock for `time` composed in `block`: only the bytes it sets (0 to 4, 6 to 10);
// the others keep what the buffer held.
void composeClockBlock(std::span<std::uint8_t, kSetupReplySize> block, const QDateTime &time);
// DefaultSettingsBlock composed in `block`, its unset bytes kept likewise.
void composeDefaultSettingsBlock(std::span<std::uint8_t, kSetupReplySize> block);

// The recording interval from the minutes and seconds texts, each byte BCD from the
// text's characters. Null when a text is not one or two digits, a value is above 60, or
// both are 0.
struct IntervalBcd {
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
};
std::optional<IntervalBcd> intervalFromTexts(const QString &minutes, const QString &seconds);

// A whole 32-bit integer in decimal, an optional sign first; nothing else around it.
std::optional<qint32> parseInteger(const QString &text);

// PackedFloat24: the upper three bytes of a single-precision number, lowest byte first.
float unpackFloat24(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);

// Gain, EXT offset and CJC offset of T1 to T4, in the order the window shows them.
using CalibrationValues = std::array<float, 12>;
// From the 'Y' reply (bytes 0 to 23) and the 'Z' reply (bytes 0 to 11); null when
// either is shorter.
std::optional<CalibrationValues> decodeCalibration(std::span<const std::uint8_t> first,
                                                   std::span<const std::uint8_t> second);
// Eight decimals, rounded to ten significant digits, with the locale's decimal separator;
// more than ten digits before the point in scientific notation.
QString calibrationText(float value, const QLocale &locale = QLocale());

// An EEPROM address as three bytes, high first (modulo 2^24), and a data byte (modulo 256).
std::array<std::uint8_t, 3> eepromAddressBytes(qint64 address);
std::uint8_t eepromDataByte(qint64 data);
// The cell's value in an EEPROM read reply (byte 5); null when the reply is shorter.
std::optional<int> eepromReadValue(std::span<const std::uint8_t> reply);

// The fixed access code of the EEPROM write.
inline constexpr char kEepromAccessCode[] = "9264";

} // namespace qx
