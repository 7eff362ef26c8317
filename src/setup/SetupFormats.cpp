#include "SetupFormats.h"

#include "meter/Bcd.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace qx {

namespace {

// The texts of the coded fields, indexed by the byte's value; a value past the end
// leaves the field empty.
constexpr std::array<const char *, 4> kThermoTypes = {"K", "J", "E", "T"};
constexpr std::array<const char *, 7> kPowerOffTimes = {"OFF",     "10 minutes", "30 minutes", "1 hour",
                                                        "2 hours", "4 hours",    "8 hours"};
const char *const kOn = "ON";
const char *const kOff = "OFF";

template <std::size_t N> QString coded(const std::array<const char *, N> &table, std::uint8_t value)
{
    return value < table.size() ? QString::fromLatin1(table[value]) : QString();
}

QString flag(std::uint8_t value) { return QString::fromLatin1(value != 0 ? kOn : kOff); }

int u16(std::span<const std::uint8_t> r, int at) { return r[std::size_t(at)] << 8 | r[std::size_t(at) + 1]; }
int s16(std::span<const std::uint8_t> r, int at) { return std::int16_t(std::uint16_t(u16(r, at))); }
int u24(std::span<const std::uint8_t> r, int at) { return r[std::size_t(at)] << 16 | u16(r, at + 1); }

// Two upper-case hexadecimal digits: a BCD byte reads as its two decimal digits.
QString hex2(std::uint8_t byte) { return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper(); }

// One or two digits, as the interval's mask edits hold them.
std::optional<int> intervalField(const QString &text, std::uint8_t &bcd)
{
    if (text.isEmpty() || text.size() > 2)
        return std::nullopt;
    int digits[2] = {0, 0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        digits[2 - text.size() + i] = c - u'0';
    }
    const int value = digits[0] * 10 + digits[1];
    bcd = toBcd(value);
    return value;
}

constexpr int kMaxIntervalField = 60;

} // namespace

std::optional<MeterInfoTexts> decodeMeterInfo(std::span<const std::uint8_t> r, const QLocale &locale)
{
    if (r.size() < std::size_t(kMeterInfoReplySize))
        return std::nullopt;
    MeterInfoTexts t;
    const int firmware = r[info::kFirmware];
    t.version = QString::number(firmware / 100) + locale.decimalPoint()
                + QStringLiteral("%1").arg(firmware % 100, 2, 10, QLatin1Char('0'));
    const auto clock = r.subspan(info::kClock, 7);
    t.meterTime = hex2(clock[4]) + QLatin1Char('/') + hex2(clock[3]) + QStringLiteral("/20") + hex2(clock[6])
                  + QStringLiteral("   ") + hex2(clock[2]) + QLatin1Char(':') + hex2(clock[1]) + QLatin1Char(':')
                  + hex2(clock[0]);
    // Sent in BCD, read back as plain numbers.
    t.interval = QString::number(r[info::kIntervalMinutes]) + QLatin1Char(':') + QString::number(r[info::kIntervalSeconds]);
    t.dataSets = QString::number(u16(r, info::kDataSets));
    t.memoryAvailable = QString::number((info::kLoggerEnd - u24(r, info::kFillPointer)) / info::kRecordSize);
    t.alarm = flag(r[info::kAlarm]);
    t.high = QString::number(s16(r, info::kHigh));
    t.low = QString::number(s16(r, info::kLow));
    t.t1MinusT2 = flag(r[info::kT1MinusT2]);
    t.thermoType = coded(kThermoTypes, r[info::kThermoType]);
    t.powerOff = coded(kPowerOffTimes, r[info::kPowerOff]);
    for (std::size_t ch = 0; ch < t.offsets.size(); ++ch)
        t.offsets[ch] = QString::number(std::int8_t(r[info::kOffsets + ch]));
    return t;
}

QString serialNumberText(std::span<const char> buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return QString::fromLatin1(buffer.data(), qsizetype(end - buffer.begin()));
}

void composeClockBlock(std::span<std::uint8_t, kSetupReplySize> b, const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    b[0] = toBcd(t.second());
    b[1] = toBcd(t.minute());
    b[2] = toBcd(t.hour());
    b[3] = toBcd(d.day());
    b[4] = toBcd(d.month());
    b[6] = toBcd(d.year() % 100);
    b[7] = 0x00;
    b[8] = 'r';
    b[9] = 't';
    b[10] = 'c';
}

void composeDefaultSettingsBlock(std::span<std::uint8_t, kSetupReplySize> b)
{
    constexpr int kNotSet = -1;
    // "ALL", alarm off, limits 212 and -4, no data sets, fill pointer 2815, interval 0:02,
    // 20, type K, T1-T2 off, offsets 0, power-off after 30 minutes.
    static constexpr std::array<int, kSetupReplySize> kDefaults = {
        'A',     'L',     'L',  0x00,    0x00,    0xD4,    0xFF,    0xFC, 0x00, 0x00, 0x00,
        0x0A,    0xFF,    0x00, 0x02,    0x14,    kNotSet, kNotSet, 0x00, kNotSet, kNotSet, 0x00,
        0x00,    0x00,    0x00, 0x00,    kNotSet, kNotSet, kNotSet, kNotSet, 0x02, kNotSet};
    for (std::size_t i = 0; i < kDefaults.size(); ++i)
        if (kDefaults[i] != kNotSet)
            b[i] = std::uint8_t(kDefaults[i]);
}

std::optional<IntervalBcd> intervalFromTexts(const QString &minutes, const QString &seconds)
{
    IntervalBcd bcd;
    const auto m = intervalField(minutes, bcd.minutes);
    const auto s = intervalField(seconds, bcd.seconds);
    if (!m || !s || *m > kMaxIntervalField || *s > kMaxIntervalField || (*m == 0 && *s == 0))
        return std::nullopt;
    return bcd;
}

std::optional<qint32> parseInteger(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

float unpackFloat24(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    return std::bit_cast<float>(std::uint32_t(b2) << 24 | std::uint32_t(b1) << 16 | std::uint32_t(b0) << 8);
}

std::optional<CalibrationValues> decodeCalibration(std::span<const std::uint8_t> first,
                                                   std::span<const std::uint8_t> second)
{
    constexpr std::size_t kFirstValues = 8; // gains, then EXT offsets
    constexpr std::size_t kSecondValues = 4; // CJC offsets
    if (first.size() < 3 * kFirstValues || second.size() < 3 * kSecondValues)
        return std::nullopt;
    CalibrationValues values{};
    for (std::size_t i = 0; i < kFirstValues; ++i)
        values[i] = unpackFloat24(first[3 * i], first[3 * i + 1], first[3 * i + 2]);
    for (std::size_t i = 0; i < kSecondValues; ++i)
        values[kFirstValues + i] = unpackFloat24(second[3 * i], second[3 * i + 1], second[3 * i + 2]);
    return values;
}

QString calibrationText(float value, const QLocale &locale)
{
    constexpr int kSignificant = 10;
    constexpr int kDecimals = 8;
    const double v = value;
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    // Rounded once to ten significant digits; its exponent tells where the point falls.
    const QString rounded = QString::number(v, 'e', kSignificant - 1);
    const qsizetype e = rounded.indexOf(QLatin1Char('e'));
    const int exponent = rounded.mid(e + 1).toInt();
    QString text;
    if (exponent >= kSignificant) {
        text = rounded.toUpper();
    } else if (exponent + 1 + kDecimals > kSignificant) {
        // The ten digits end before the eighth decimal: the rest shows as 0.
        const bool negative = rounded.startsWith(QLatin1Char('-'));
        QString digits = rounded.left(e).remove(QLatin1Char('-')).remove(QLatin1Char('.'));
        digits += QString(kDecimals - (kSignificant - exponent - 1), QLatin1Char('0'));
        text = (negative ? QStringLiteral("-") : QString()) + digits.left(exponent + 1) + QLatin1Char('.')
               + digits.mid(exponent + 1);
    } else {
        // Eight decimals hold no more than ten digits.
        text = QString::number(v, 'f', kDecimals);
    }
    // A value that rounds to nothing has no sign.
    const bool nonZero = std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    if (text.startsWith(QLatin1Char('-')) && !nonZero)
        text.remove(0, 1);
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

std::array<std::uint8_t, 3> eepromAddressBytes(qint64 address)
{
    const auto a = std::uint32_t(std::uint64_t(address) & 0xFFFFFF);
    return {std::uint8_t(a >> 16), std::uint8_t(a >> 8), std::uint8_t(a)};
}

std::uint8_t eepromDataByte(qint64 data) { return std::uint8_t(std::uint64_t(data) & 0xFF); }

std::optional<int> eepromReadValue(std::span<const std::uint8_t> reply)
{
    constexpr std::size_t kValueAt = 5;
    if (reply.size() <= kValueAt)
        return std::nullopt;
    return reply[kValueAt];
}

} // namespace qx
