#include "SimulatedMeter.h"

#include "SimNoise.h"
#include "meter/Bcd.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qx {

using namespace sim::layout;

namespace {

constexpr int kCommandSize = 7;
constexpr int kDataBlockSize = 32;
constexpr int kShortReplySize = 32;
constexpr int kBlockReplySize = 36;
constexpr int kInfoReplySize = 64;
// Catching up MAX/MIN/AVG after a long jump of the clock looks at this many samples at most.
constexpr qint64 kMaxCatchUpSamples = 200000;

using Frame = std::array<std::uint8_t, SimulatedMeter::kFrameSize>;

// The LCD as the meter's firmware drives it: which bit of the frame's segment image
// (bytes 38 to 60) lights which segment or symbol.
namespace lcd {

struct Bit {
    int byte;
    std::uint8_t mask;
};

// What a digit can show: 0 to 9, then these.
enum Symbol : int { Blank = 10, Bar, LetterL };

// Segments a to g: T1 and T3 digits a 01, f 02, b 04, g 08, e 10, c 20, d 40 (bit 80 is a
// symbol); T2, T4 and the small digits a 80, f 40, b 20, g 10, e 08, c 04, d 02 (bit 01
// is a symbol). Indexed by Symbol.
constexpr std::array<std::uint8_t, 13> kDigitSegments = {0x77, 0x24, 0x5D, 0x6D, 0x2E, 0x6B, 0x7B,
                                                         0x27, 0x7F, 0x6F, 0x00, 0x08, 0x52};
constexpr std::array<std::uint8_t, 13> kDigitSegmentsReversed = {0xEE, 0x24, 0xBA, 0xB6, 0x74, 0xD6, 0xDE,
                                                                 0xE4, 0xFE, 0xF6, 0x00, 0x10, 0x4A};

// Per channel T1 to T4: its four digit bytes, leftmost first, and whether they are wired
// the reversed way.
constexpr std::array<std::array<int, 4>, 4> kDigitByte = {{{42, 43, 44, 45}, {49, 48, 47, 46},
                                                           {51, 52, 53, 54}, {59, 58, 57, 56}}};
constexpr std::array<bool, 4> kReversed = {false, true, false, true};
constexpr std::array<int, 2> kSmallDigitByte = {39, 38}; // left, right; reversed wiring

// Per channel T1 to T4.
constexpr std::array<Bit, 4> kLabel = {{{42, 0x80}, {41, 0x80}, {50, 0x08}, {52, 0x80}}};
constexpr std::array<Bit, 4> kMinus = {{{43, 0x80}, {50, 0x40}, {50, 0x04}, {60, 0x80}}};
constexpr std::array<Bit, 4> kPoint = {{{44, 0x80}, {47, 0x01}, {54, 0x80}, {57, 0x01}}};
constexpr std::array<Bit, 4> kCelsius = {{{45, 0x80}, {48, 0x01}, {55, 0x08}, {55, 0x02}}};
constexpr std::array<Bit, 4> kFahrenheit = {{{38, 0x01}, {46, 0x01}, {55, 0x10}, {55, 0x04}}};
// Thermocouple K, J, E, T.
constexpr std::array<Bit, 4> kType = {{{41, 0x10}, {41, 0x08}, {41, 0x04}, {41, 0x02}}};
// Battery with 0 to 3 bars.
constexpr std::array<Bit, 4> kBattery = {{{60, 0x40}, {60, 0x08}, {60, 0x10}, {60, 0x20}}};

constexpr Bit kTypeCaption{41, 0x01};
constexpr Bit kRecall{39, 0x01};
constexpr Bit kMem{40, 0x20};
constexpr Bit kAvg{40, 0x10};
constexpr Bit kMin{40, 0x08};
constexpr Bit kMax{40, 0x04};
constexpr Bit kHold{40, 0x02};
constexpr Bit kT1MinusT2{50, 0x02};
constexpr Bit kAutoOff{51, 0x80};
constexpr Bit kFull{55, 0x01};
constexpr Bit kRec{56, 0x01};
constexpr Bit kAlarm{60, 0x04};
constexpr Bit kAlarmHi{60, 0x02};
constexpr Bit kAlarmLo{60, 0x01};

} // namespace lcd

constexpr std::array<int, 4> kOverRangeGlyphs = {lcd::Blank, 0, lcd::LetterL, lcd::Blank};
constexpr std::array<int, 4> kNoReadingGlyphs = {lcd::Bar, lcd::Bar, lcd::Bar, lcd::Bar};

void light(Frame &f, lcd::Bit bit, bool on = true)
{
    if (on)
        f[std::size_t(bit.byte)] |= bit.mask;
}

// Digits first: symbol bits are OR-ed into the digit bytes afterwards.
void putDigit(Frame &f, int channel, int digit, int symbol)
{
    const auto &segments = lcd::kReversed[std::size_t(channel)] ? lcd::kDigitSegmentsReversed : lcd::kDigitSegments;
    f[std::size_t(lcd::kDigitByte[std::size_t(channel)][std::size_t(digit)])] = segments[std::size_t(symbol)];
}

void putSmallDigit(Frame &f, int index, int symbol)
{
    f[std::size_t(lcd::kSmallDigitByte[std::size_t(index)])] = lcd::kDigitSegmentsReversed[std::size_t(symbol)];
}

void put16(std::uint8_t *at, int value)
{
    at[0] = std::uint8_t(value >> 8);
    at[1] = std::uint8_t(value);
}

double toUnit(double celsius, bool fahrenheit) { return fahrenheit ? celsius * 1.8 + 32.0 : celsius; }

// How one channel appears: four glyphs, its point and minus sign, the reading it reports
// (tenths in the unit shown) and its channel status bits.
struct Cell {
    std::array<int, 4> glyphs{lcd::Blank, lcd::Blank, lcd::Blank, lcd::Blank};
    bool point = false;
    bool minus = false;
    std::int16_t sample = 0;
    std::uint8_t status = 0;
};

Cell cellFor(double celsius, bool overRange, bool noReading, bool fahrenheit, int channel)
{
    Cell cell;
    if (noReading) {
        cell.glyphs = kNoReadingGlyphs;
        cell.sample = sim::kNoReadingSample;
        cell.status = std::uint8_t(1u << (channel + 4));
        return cell;
    }
    const double value = toUnit(celsius, fahrenheit);
    const double tenths = std::round(value * 10.0);
    if (overRange || !std::isfinite(value) || std::abs(tenths) > 32767.0) {
        cell.glyphs = kOverRangeGlyphs;
        cell.sample = sim::kOverRangeSample;
        cell.status = std::uint8_t(1u << channel);
        return cell;
    }
    cell.sample = std::int16_t(tenths);
    cell.minus = cell.sample < 0;
    int shown = std::abs(int(cell.sample));
    // Four digits hold 999.9 with the point; from 1000 on the tenths are dropped.
    cell.point = shown < 10000;
    if (!cell.point)
        shown = int(std::lround(std::abs(value)));
    for (int i = 3; i >= 0; --i, shown /= 10)
        cell.glyphs[std::size_t(i)] = shown % 10;
    // Leading zeros are blank, but never the digit before the point.
    const int firstKept = cell.point ? 2 : 3;
    for (int i = 0; i < firstKept && cell.glyphs[std::size_t(i)] == 0; ++i)
        cell.glyphs[std::size_t(i)] = lcd::Blank;
    return cell;
}

// The four probes of the demo: room air, a warm water bath, ice water and a fridge, all
// within the default chart scales so a first recording shows four moving curves.
double autoReading(int channel, qint64 tick)
{
    constexpr double kTwoPi = 6.28318530717959;
    const double s = double(tick) / 1000.0;
    const qint64 step = tick / SimulatedMeter::kSampleMs;
    double v = 0.0;
    switch (channel) {
    case 0: v = 22.4 + 0.6 * std::sin(kTwoPi * s / 240.0) + 0.05 * sim::noise(101, step); break;
    case 1: v = 37.0 + 6.0 * std::sin(kTwoPi * s / 120.0) + 0.1 * sim::noise(102, step); break;
    case 2: v = 0.3 + 0.15 * std::sin(kTwoPi * s / 600.0) + 0.05 * sim::noise(103, step); break;
    default: v = 4.0 + 1.5 * std::sin(kTwoPi * s / 300.0) + 0.1 * sim::noise(104, step); break;
    }
    return std::round(v * 10.0) / 10.0; // the meter's resolution
}

bool validChannel(int channel) { return channel >= 0 && channel < 4; }

std::vector<std::uint8_t> markedReply(char command, bool ok)
{
    std::vector<std::uint8_t> r(kShortReplySize, 0);
    r[0] = 0x02;
    r[1] = std::uint8_t(command);
    if (ok) {
        r[2] = 'O';
        r[3] = 'K';
    }
    return r;
}

// The upper three bytes of the float, lowest byte first.
void putPackedFloat24(std::uint8_t *at, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    at[0] = std::uint8_t(bits >> 8);
    at[1] = std::uint8_t(bits >> 16);
    at[2] = std::uint8_t(bits >> 24);
}

} // namespace

SimulatedMeter::SimulatedMeter(Clock &clock) : m_clock(clock)
{
    m_memory = sim::LoggerMemory(sim::LoggerMemory::build(sim::demoDataSets()));
    m_calibration.gain = {1.00213f, 0.99874f, 1.00041f, 0.99962f};
    m_calibration.extOffset = {0.125f, -0.0625f, 0.03125f, 0.0f};
    m_calibration.cjcOffset = {-0.25f, 0.1875f, 0.0f, -0.0625f};
}

// --- call plumbing ----------------------------------------------------------------------

int SimulatedMeter::begin(Call call, const std::uint8_t *bytes, int length)
{
    m_callStartMs = m_clock.tickMs();
    const bool transfer = call == Call::WriteCommand || call == Call::WriteData || call == Call::ReadReply;
    if (transfer && !m_unplugged)
        m_clock.sleepBlocking(m_latencyMs);
    update();
    // Injected faults see every call, also while unplugged, so a hook can watch them all.
    int &failures = m_failNext[std::size_t(call)];
    if (failures > 0) {
        --failures;
        return kFailed;
    }
    if (m_faultHook) {
        if (const int rc = m_faultHook(call, bytes, length))
            return rc;
    }
    return m_unplugged ? kNoDevice : 0;
}

int SimulatedMeter::end(Call call, std::vector<std::uint8_t> bytes, int result)
{
    m_log.push_back({call, std::move(bytes), result, m_callStartMs});
    while (m_log.size() > m_logCapacity)
        m_log.pop_front();
    return result;
}

int SimulatedMeter::openDevice(std::uint16_t vendorId, std::uint16_t productId)
{
    int rc = begin(Call::Open, nullptr, 0);
    if (rc == 0) {
        if (vendorId == kMeterVendorId && productId == kMeterProductId) {
            m_deviceOpen = true;
            ++m_openHandles;
        } else
            rc = kNoDevice;
    }
    return end(Call::Open, {}, rc);
}

int SimulatedMeter::setTimeouts(int readMs, int writeMs)
{
    int rc = begin(Call::SetTimeouts, nullptr, 0);
    if (rc == 0) {
        if (!m_deviceOpen) {
            rc = kNotOpen;
        } else if (readMs < 0 || writeMs < 0) {
            rc = kBadArgument;
        } else {
            m_readTimeoutMs = readMs;
            m_writeTimeoutMs = writeMs;
        }
    }
    return end(Call::SetTimeouts, {}, rc);
}

int SimulatedMeter::writeCommand(int length, const std::uint8_t *bytes)
{
    const bool valid = bytes && length == kCommandSize;
    std::vector<std::uint8_t> written;
    if (valid)
        written.assign(bytes, bytes + kCommandSize);
    int rc = begin(Call::WriteCommand, valid ? bytes : nullptr, valid ? length : 0);
    if (rc == 0) {
        if (!valid)
            rc = kBadArgument;
        else if (!m_deviceOpen)
            rc = kNotOpen;
        else if (!m_stalled)
            execute(bytes);
    }
    return end(Call::WriteCommand, std::move(written), rc);
}

int SimulatedMeter::writeData(int length, const std::uint8_t *bytes)
{
    const bool valid = bytes && length == kDataBlockSize;
    std::vector<std::uint8_t> written;
    if (valid)
        written.assign(bytes, bytes + kDataBlockSize);
    int rc = begin(Call::WriteData, valid ? bytes : nullptr, valid ? length : 0);
    if (rc == 0) {
        if (!valid) {
            rc = kBadArgument;
        } else if (!m_deviceOpen) {
            rc = kNotOpen;
        } else if (!m_stalled && m_awaitingData) {
            const char command = m_awaitingData;
            m_awaitingData = 0;
            post(command, command == 't' ? setClock(bytes) : applySettings(bytes));
        }
    }
    return end(Call::WriteData, std::move(written), rc);
}

int SimulatedMeter::completeWrite()
{
    int rc = begin(Call::CompleteWrite, nullptr, 0);
    if (rc == 0 && !m_deviceOpen)
        rc = kNotOpen;
    return end(Call::CompleteWrite, {}, rc);
}

int SimulatedMeter::readReply(int length, std::uint8_t *buffer)
{
    const bool valid = buffer && length > 0 && length <= kMaxReplySize;
    const std::uint8_t *waiting = m_pending ? m_pending->data() : nullptr;
    const int waitingLength = m_pending ? int(m_pending->size()) : 0;
    int rc = begin(Call::ReadReply, waiting, waitingLength);
    std::vector<std::uint8_t> delivered;
    if (rc != 0) {
        // The meter sent it, the host never got it.
        m_pending.reset();
    } else if (!valid) {
        rc = kBadArgument;
    } else if (!m_deviceOpen) {
        rc = kNotOpen;
    } else if (m_stalled || !m_pending) {
        m_clock.sleepBlocking(m_readTimeoutMs);
        rc = kTimedOut;
    } else {
        delivered.assign(std::size_t(length), 0);
        std::copy_n(m_pending->begin(), std::min(std::size_t(length), m_pending->size()), delivered.begin());
        std::copy(delivered.begin(), delivered.end(), buffer);
        m_pending.reset();
    }
    return end(Call::ReadReply, std::move(delivered), rc);
}

int SimulatedMeter::closeDevice()
{
    const int rc = begin(Call::Close, nullptr, 0);
    if (rc == 0) {
        m_deviceOpen = false;
        m_openHandles = std::max(m_openHandles - 1, 0);
        m_pending.reset();
    }
    return end(Call::Close, {}, rc);
}

int SimulatedMeter::readSerialNumber(int index, char *buffer, int size)
{
    const bool valid = buffer && size > 0;
    if (valid)
        buffer[0] = '\0'; // never leave the caller's bytes looking like an answer
    int rc = begin(Call::ReadSerial, nullptr, 0);
    std::vector<std::uint8_t> text;
    if (rc == 0) {
        if (!valid || index != 0) {
            rc = kBadArgument;
        } else if (!m_deviceOpen) {
            rc = kNotOpen;
        } else {
            const std::size_t n = std::min(m_serial.size(), std::size_t(size - 1));
            std::memcpy(buffer, m_serial.data(), n);
            buffer[n] = '\0';
            text.assign(m_serial.begin(), m_serial.begin() + std::ptrdiff_t(n));
        }
    }
    return end(Call::ReadSerial, std::move(text), rc);
}

void SimulatedMeter::failNext(Call call, int count) { m_failNext[std::size_t(call)] = std::max(count, 0); }

void SimulatedMeter::setUnplugged(bool on)
{
    m_unplugged = on;
    if (on) {
        // The system drops the handles of a device that is gone.
        m_deviceOpen = false;
        m_openHandles = 0;
        m_pending.reset();
        m_awaitingData = 0;
    }
}

void SimulatedMeter::setLogCapacity(std::size_t entries)
{
    m_logCapacity = std::max<std::size_t>(entries, 1);
    while (m_log.size() > m_logCapacity)
        m_log.pop_front();
}

// --- time -------------------------------------------------------------------------------

void SimulatedMeter::update() const
{
    const qint64 now = m_clock.tickMs();
    accumulateStats(now);
    appendDueRecords(now);
}

SimulatedMeter::Channels SimulatedMeter::measuredAt(qint64 tick) const
{
    const qint64 sampleTick = tick - tick % kSampleMs;
    Channels c;
    for (int ch = 0; ch < 4; ++ch) {
        const auto i = std::size_t(ch);
        c[i].celsius = m_pinned[i] ? *m_pinned[i] : autoReading(ch, sampleTick);
        c[i].overRange = m_overRange[i];
        c[i].open = m_noReading[i];
    }
    return c;
}

void SimulatedMeter::accumulateStats(qint64 now) const
{
    if (m_maxMinAvg == MaxMinAvg::Off)
        return;
    const qint64 last = now - now % kSampleMs;
    m_statsUntil = std::max(m_statsUntil, last - kMaxCatchUpSamples * kSampleMs);
    for (qint64 t = m_statsUntil + kSampleMs; t <= last; t += kSampleMs) {
        const Channels c = measuredAt(t);
        for (std::size_t ch = 0; ch < 4; ++ch) {
            if (c[ch].overRange || c[ch].open)
                continue;
            Stats &s = m_stats[ch];
            const double v = c[ch].celsius;
            s.max = s.count ? std::max(s.max, v) : v;
            s.min = s.count ? std::min(s.min, v) : v;
            s.sum += v;
            ++s.count;
        }
        m_statsUntil = t;
    }
}

void SimulatedMeter::resetStats()
{
    const qint64 now = m_clock.tickMs();
    m_stats = {};
    // The sample before the current one, so that the current one is counted at once.
    m_statsUntil = now - now % kSampleMs - kSampleMs;
    accumulateStats(now);
}

void SimulatedMeter::appendDueRecords(qint64 now) const
{
    while (m_recording && !m_full && m_nextRecordTick <= now) {
        const Channels c = measuredAt(m_nextRecordTick);
        sim::Record record;
        for (int ch = 0; ch < 4; ++ch) {
            const Channel &x = c[std::size_t(ch)];
            record[std::size_t(ch)] = cellFor(x.celsius, x.overRange, x.open, m_recordFahrenheit, ch).sample;
        }
        if (!m_memory.appendRecord(record)) {
            m_full = true;
            break;
        }
        m_nextRecordTick += m_recordIntervalMs;
        m_full = !m_memory.fits(kRecordSize);
    }
}

SimulatedMeter::Channels SimulatedMeter::shownUnheld() const
{
    if (m_recallPlace > 0)
        return m_places[std::size_t(m_recallPlace - 1)];
    Channels c = measuredAt(m_clock.tickMs());
    if (m_maxMinAvg == MaxMinAvg::Off || m_maxMinAvg == MaxMinAvg::Flash)
        return c;
    for (std::size_t ch = 0; ch < 4; ++ch) {
        const Stats &s = m_stats[ch];
        if (s.count == 0) {
            c[ch] = {0.0, false, true};
            continue;
        }
        const double v = m_maxMinAvg == MaxMinAvg::Max   ? s.max
                         : m_maxMinAvg == MaxMinAvg::Min ? s.min
                                                         : s.sum / s.count;
        c[ch] = {v, false, false};
    }
    return c;
}

SimulatedMeter::Channels SimulatedMeter::shown() const
{
    update();
    return m_held ? *m_held : shownUnheld();
}

// --- readings ---------------------------------------------------------------------------

void SimulatedMeter::setReading(int channel, double celsius)
{
    if (!validChannel(channel))
        return;
    update(); // what was measured until now stays as it was
    m_pinned[std::size_t(channel)] = celsius;
}

void SimulatedMeter::setOverRange(int channel, bool on)
{
    if (!validChannel(channel))
        return;
    update();
    m_overRange[std::size_t(channel)] = on;
}

void SimulatedMeter::setOpen(int channel, bool on)
{
    if (!validChannel(channel))
        return;
    update();
    m_noReading[std::size_t(channel)] = on;
}

void SimulatedMeter::setAutoReadings(bool on)
{
    update();
    const Channels now = measuredAt(m_clock.tickMs());
    for (std::size_t ch = 0; ch < 4; ++ch)
        m_pinned[ch] = on ? std::nullopt : std::optional<double>(now[ch].celsius);
}

double SimulatedMeter::reading(int channel) const
{
    return validChannel(channel) ? measuredAt(m_clock.tickMs())[std::size_t(channel)].celsius : 0.0;
}

bool SimulatedMeter::channelOverRange(int channel) const
{
    return validChannel(channel) && m_overRange[std::size_t(channel)];
}

bool SimulatedMeter::channelOpen(int channel) const
{
    return validChannel(channel) && m_noReading[std::size_t(channel)];
}

void SimulatedMeter::setBatteryLevel(int bars) { m_battery = std::clamp(bars, 0, 3); }

// --- display ----------------------------------------------------------------------------

std::array<std::uint8_t, SimulatedMeter::kFrameSize> SimulatedMeter::liveFrame() const
{
    const Channels display = shown();
    const Channels measured = measuredAt(m_clock.tickMs());
    Frame f{};
    f[0] = 0x02;
    f[1] = 'A';
    f[63] = 0x03;
    if (m_fahrenheit)
        f[2] |= 0x80;
    if (m_recording)
        f[3] |= 0x08;
    if (m_full)
        f[3] |= 0x10;
    const bool flashing = m_maxMinAvg == MaxMinAvg::Flash;
    if (flashing) {
        f[3] |= 0x40;
        f[4] |= 0x08;
    }

    std::array<Cell, 4> cells;
    for (int ch = 0; ch < 4; ++ch) {
        const Channel &c = display[std::size_t(ch)];
        const Cell cell = cellFor(c.celsius, c.overRange, c.open, m_fahrenheit, ch);
        cells[std::size_t(ch)] = cell;
        put16(&f[std::size_t(9 + 2 * ch)], std::uint16_t(cell.sample));
        f[6] |= cell.status;
        for (int d = 0; d < 4; ++d)
            putDigit(f, ch, d, cell.glyphs[std::size_t(d)]);
    }
    // The small digits number the stored readings: the one recalled, or how many there are.
    const int place = m_recallPlace > 0 ? m_recallPlace : int(m_places.size());
    putSmallDigit(f, 0, place > 0 ? place / 10 : lcd::Blank);
    putSmallDigit(f, 1, place > 0 ? place % 10 : lcd::Blank);

    for (std::size_t ch = 0; ch < 4; ++ch) {
        light(f, lcd::kLabel[ch]);
        light(f, m_fahrenheit ? lcd::kFahrenheit[ch] : lcd::kCelsius[ch]);
        light(f, lcd::kPoint[ch], cells[ch].point);
        light(f, lcd::kMinus[ch], cells[ch].minus);
    }
    light(f, lcd::kTypeCaption);
    if (m_settings.type >= 0 && m_settings.type < 4)
        light(f, lcd::kType[std::size_t(m_settings.type)]);
    light(f, lcd::kHold, m_held.has_value());
    light(f, lcd::kMax, flashing || m_maxMinAvg == MaxMinAvg::Max);
    light(f, lcd::kMin, flashing || m_maxMinAvg == MaxMinAvg::Min);
    light(f, lcd::kAvg, flashing || m_maxMinAvg == MaxMinAvg::Avg);
    light(f, lcd::kMem, !m_places.empty());
    light(f, lcd::kRecall, m_recallPlace > 0);
    light(f, lcd::kRec, m_recording);
    light(f, lcd::kFull, m_full);
    light(f, lcd::kT1MinusT2, m_settings.t1MinusT2);
    light(f, lcd::kAutoOff, m_settings.powerOff != 0);
    light(f, lcd::kBattery[std::size_t(m_battery)]);
    if (m_settings.alarm) {
        light(f, lcd::kAlarm);
        for (const Channel &c : measured) {
            if (c.open || c.overRange)
                continue;
            const double v = toUnit(c.celsius, m_fahrenheit);
            light(f, lcd::kAlarmHi, v > m_settings.alarmHigh);
            light(f, lcd::kAlarmLo, v < m_settings.alarmLow);
        }
    }
    return f;
}

// --- logger -----------------------------------------------------------------------------

bool SimulatedMeter::loggerRecording() const { return m_recording; }

bool SimulatedMeter::recordFull() const
{
    update();
    return m_full;
}

const std::vector<std::uint8_t> &SimulatedMeter::memoryImage() const
{
    update();
    return m_memory.bytes();
}

void SimulatedMeter::setMemoryImage(std::vector<std::uint8_t> image)
{
    update();
    stopRecording();
    m_memory = sim::LoggerMemory(std::move(image));
}

std::vector<std::uint8_t> SimulatedMeter::buildMemoryImage(const std::vector<sim::DataSet> &sets)
{
    return sim::LoggerMemory::build(sets);
}

void SimulatedMeter::startRecording()
{
    m_recording = true;
    m_recordFahrenheit = m_fahrenheit;
    const sim::SetHeader header{meterTime(), m_settings.interval.totalSeconds(), m_settings.type,
                                m_fahrenheit, m_settings.offsets};
    // A set is only worth starting with room for its first record.
    m_full = !m_memory.fits(kSetHeaderSize + kEndMarkSize + kRecordSize) || !m_memory.beginSet(header);
    m_recordIntervalMs = qint64(std::max(header.intervalSeconds, 1)) * 1000;
    m_nextRecordTick = m_clock.tickMs();
    appendDueRecords(m_nextRecordTick);
}

void SimulatedMeter::stopRecording()
{
    m_recording = false;
    m_full = false;
    m_memory.endSet();
}

// --- commands ---------------------------------------------------------------------------

void SimulatedMeter::execute(const std::uint8_t *report)
{
    // Any new command supersedes an unread reply and a data block still expected.
    m_pending.reset();
    m_awaitingData = 0;
    if (report[0] != 0x02 || report[6] != 0x03)
        return; // not a command: the meter ignores it
    post(char(report[1]), dispatch(report));
}

SimulatedMeter::Reply SimulatedMeter::dispatch(const std::uint8_t *report)
{
    const char command = char(report[1]);
    switch (command) {
    case 'K': return identity();
    case 'A': {
        const Frame f = liveFrame();
        return Reply(f.begin(), f.end());
    }
    case 'H': case 'C': case 'E': case 'R': case 'M': case 'N': case 'B': case 'm':
        return keyPress(command);
    case 'P': return selectBlock(report[2] << 8 | report[3]);
    case 'p': return nextBlock();
    case 'r': return m_readout ? repeatBlock() : readEeprom(report);
    case 'q': case 'Q': return endReadout();
    case 't': case 's':
        m_awaitingData = command; // answered once the data block has arrived
        return {};
    case 'I': return setInterval(report[2], report[3]);
    case 'e': return erase();
    case 'X': return information();
    case 'Y': return calibrationFirst();
    case 'Z': return calibrationSecond();
    case 'W': return writeEeprom(report);
    default: return {};
    }
}

void SimulatedMeter::post(char command, Reply reply)
{
    if (m_replyHook && !reply.empty())
        m_replyHook(command, reply);
    if (reply.size() > std::size_t(kMaxReplySize))
        reply.resize(std::size_t(kMaxReplySize));
    if (!reply.empty())
        m_pending = std::move(reply);
}

SimulatedMeter::Reply SimulatedMeter::identity() const
{
    // "...QX" then the model digits, as the meter spells its name.
    static constexpr char kName[] = "4CH THERMOMETER  QX";
    Reply r(kShortReplySize, 0);
    r[0] = 0x02;
    r[1] = 'K';
    std::copy_n(kName, sizeof kName - 1, r.begin() + 4);
    std::copy(m_model.begin(), m_model.end(), r.begin() + 23);
    r[26] = 'V';
    r[27] = std::uint8_t('0' + m_firmware / 100 % 10);
    r[28] = std::uint8_t('0' + m_firmware / 10 % 10);
    r[29] = std::uint8_t('0' + m_firmware % 10);
    r[31] = 0x03;
    return r;
}

SimulatedMeter::Reply SimulatedMeter::keyPress(char key)
{
    switch (key) {
    case 'H':
        if (m_held)
            m_held.reset();
        else
            m_held = shown();
        break;
    case 'C': m_fahrenheit = !m_fahrenheit; break;
    case 'E':
        update();
        if (m_recording)
            stopRecording();
        else
            startRecording();
        break;
    case 'R':
        // Steps back through the stored readings, newest first, then leaves.
        if (!m_places.empty())
            m_recallPlace = m_recallPlace == 0 ? int(m_places.size()) : m_recallPlace - 1;
        break;
    case 'M':
        update();
        switch (m_maxMinAvg) {
        case MaxMinAvg::Off:
            m_maxMinAvg = MaxMinAvg::Flash;
            resetStats();
            break;
        case MaxMinAvg::Flash:
        case MaxMinAvg::Avg: m_maxMinAvg = MaxMinAvg::Max; break;
        case MaxMinAvg::Max: m_maxMinAvg = MaxMinAvg::Min; break;
        case MaxMinAvg::Min: m_maxMinAvg = MaxMinAvg::Avg; break;
        }
        break;
    case 'N': m_maxMinAvg = MaxMinAvg::Off; break;
    case 'B': m_backlight = !m_backlight; break;
    case 'm':
        if (m_recallPlace == 0 && int(m_places.size()) < kManualPlaces)
            m_places.push_back(shown());
        break;
    }
    return markedReply(key, true);
}

SimulatedMeter::Reply SimulatedMeter::blockReply(int block, int echo) const
{
    const auto data = m_memory.block(block);
    Reply r(kBlockReplySize, 0);
    std::copy(data.begin(), data.end(), r.begin());
    put16(&r[32], echo);
    r[34] = 0x04;
    r[35] = 0x05;
    return r;
}

SimulatedMeter::Reply SimulatedMeter::selectBlock(int number)
{
    // Selecting block n answers with the block before it (block 1 brings block 0, where
    // the fill pointer is) and leaves the read-out at n.
    m_readout = true;
    m_lastServed = std::max(number - 1, 0);
    m_position = number;
    return blockReply(m_lastServed, number);
}

SimulatedMeter::Reply SimulatedMeter::nextBlock()
{
    if (!m_readout)
        return {};
    m_lastServed = m_position++;
    return blockReply(m_lastServed, m_lastServed);
}

SimulatedMeter::Reply SimulatedMeter::repeatBlock()
{
    // Back to the block of the last answer, which may not have arrived.
    m_position = m_lastServed;
    return blockReply(m_lastServed, m_lastServed);
}

SimulatedMeter::Reply SimulatedMeter::endReadout()
{
    m_readout = false;
    return {};
}

SimulatedMeter::Reply SimulatedMeter::setInterval(std::uint8_t minutesBcd, std::uint8_t secondsBcd)
{
    Interval interval;
    const bool ok = fromBcd(minutesBcd, interval.minutes) && fromBcd(secondsBcd, interval.seconds) &&
                    interval.valid();
    if (ok)
        m_settings.interval = interval; // a running recording keeps the interval it began with
    return markedReply('I', ok);
}

SimulatedMeter::Reply SimulatedMeter::erase()
{
    update();
    stopRecording();
    m_memory.erase();
    return markedReply('e', true);
}

SimulatedMeter::Reply SimulatedMeter::information() const
{
    const auto &image = memoryImage();
    Reply r(kInfoReplySize, 0);
    r[0] = 'O';
    r[1] = 'K';
    r[3] = m_settings.alarm ? 1 : 0;
    put16(&r[4], std::uint16_t(m_settings.alarmHigh));
    put16(&r[6], std::uint16_t(m_settings.alarmLow));
    std::copy_n(image.begin() + kSetCount, 5, r.begin() + 8); // set count and fill pointer
    r[13] = std::uint8_t(m_settings.interval.minutes);
    r[14] = std::uint8_t(m_settings.interval.seconds);
    r[15] = m_settings.byte15;
    r[18] = std::uint8_t(m_settings.type);
    r[21] = m_settings.t1MinusT2 ? 1 : 0;
    for (std::size_t ch = 0; ch < 4; ++ch)
        r[22 + ch] = std::uint8_t(m_settings.offsets[ch]);
    r[30] = std::uint8_t(m_settings.powerOff);
    r[31] = m_firmware;
    const QDateTime t = meterTime();
    r[40] = toBcd(t.time().second());
    r[41] = toBcd(t.time().minute());
    r[42] = toBcd(t.time().hour());
    r[43] = toBcd(t.date().day());
    r[44] = toBcd(t.date().month());
    r[46] = toBcd(t.date().year() % 100);
    return r;
}

SimulatedMeter::Reply SimulatedMeter::calibrationFirst() const
{
    Reply r(kShortReplySize, 0);
    for (std::size_t ch = 0; ch < 4; ++ch) {
        putPackedFloat24(&r[3 * ch], m_calibration.gain[ch]);
        putPackedFloat24(&r[12 + 3 * ch], m_calibration.extOffset[ch]);
    }
    r[28] = 'O';
    r[29] = 'K';
    return r;
}

SimulatedMeter::Reply SimulatedMeter::calibrationSecond() const
{
    Reply r(kShortReplySize, 0);
    for (std::size_t ch = 0; ch < 4; ++ch)
        putPackedFloat24(&r[3 * ch], m_calibration.cjcOffset[ch]);
    r[30] = 'O';
    r[31] = 'K';
    return r;
}

namespace {
std::uint32_t eepromAddress(const std::uint8_t *report)
{
    return std::uint32_t(report[2]) << 16 | std::uint32_t(report[3]) << 8 | report[4];
}

// 02, the command letter, the address and the cell's value.
std::vector<std::uint8_t> cellReply(const std::uint8_t *report, std::uint8_t value)
{
    std::vector<std::uint8_t> r(kShortReplySize, 0);
    r[0] = 0x02;
    r[1] = report[1];
    std::copy_n(report + 2, 3, r.begin() + 2);
    r[5] = value;
    return r;
}
} // namespace

SimulatedMeter::Reply SimulatedMeter::writeEeprom(const std::uint8_t *report)
{
    setEepromCell(eepromAddress(report), report[5]);
    return cellReply(report, report[5]);
}

SimulatedMeter::Reply SimulatedMeter::readEeprom(const std::uint8_t *report) const
{
    return cellReply(report, eepromCell(eepromAddress(report)));
}

SimulatedMeter::Reply SimulatedMeter::setClock(const std::uint8_t *block)
{
    int second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;
    const bool bcdOk = fromBcd(block[0], second) && fromBcd(block[1], minute) &&
                       fromBcd(block[2], hour) && fromBcd(block[3], day) &&
                       fromBcd(block[4], month) && fromBcd(block[6], year);
    const bool marked = block[8] == 'r' && block[9] == 't' && block[10] == 'c';
    const QDateTime time(QDate(2000 + year, month, day), QTime(hour, minute, second));
    const bool ok = bcdOk && marked && time.isValid();
    if (ok)
        setMeterTime(time);
    return markedReply('t', ok);
}

SimulatedMeter::Reply SimulatedMeter::applySettings(const std::uint8_t *block)
{
    const auto s16 = [block](int at) { return std::int16_t(std::uint16_t(block[at] << 8 | block[at + 1])); };
    Settings s = m_settings;
    s.alarm = block[3] != 0;
    s.alarmHigh = s16(4);
    s.alarmLow = s16(6);
    const int sets = block[8] << 8 | block[9];
    const int fill = block[10] << 16 | block[11] << 8 | block[12];
    s.interval = {block[13], block[14]};
    s.byte15 = block[15];
    s.type = block[18];
    s.t1MinusT2 = block[21] != 0;
    for (std::size_t ch = 0; ch < 4; ++ch)
        s.offsets[ch] = std::int8_t(block[22 + ch]);
    s.powerOff = block[30];

    // Nothing of a block the meter cannot take is applied: half-applied settings would leave
    // the logger pointing into nowhere.
    const bool ok = block[0] == 'A' && block[1] == 'L' && block[2] == 'L' && s.interval.valid() && s.type <= 3 &&
                    s.powerOff <= 6 && sets <= kMaxSets && fill >= kEmptyFillPointer && fill < kLoggerEnd;
    if (ok) {
        update();
        stopRecording(); // the set being recorded is no longer where the header says
        m_settings = s;
        m_memory.setCountAndFillPointer(sets, fill);
    }
    return markedReply('s', ok);
}

// --- settings and the rest --------------------------------------------------------------

void SimulatedMeter::setSettings(const Settings &settings)
{
    m_settings = settings;
    if (!m_settings.interval.valid())
        m_settings.interval = Interval{};
}

QDateTime SimulatedMeter::meterTime() const
{
    const QDateTime t = m_clock.now().addMSecs(m_clockOffsetMs);
    return t.addMSecs(-t.time().msec());
}

void SimulatedMeter::setMeterTime(const QDateTime &time) { m_clockOffsetMs = m_clock.now().msecsTo(time); }

std::uint8_t SimulatedMeter::eepromCell(std::uint32_t address) const
{
    const auto it = m_eeprom.find(address & 0xFFFFFF);
    return it == m_eeprom.end() ? 0xFF : it->second;
}

void SimulatedMeter::setEepromCell(std::uint32_t address, std::uint8_t value)
{
    m_eeprom[address & 0xFFFFFF] = value;
}

void SimulatedMeter::setModelDigits(std::string_view digits)
{
    for (std::size_t i = 0; i < m_model.size(); ++i)
        m_model[i] = i < digits.size() ? digits[i] : ' ';
}

} // namespace qx
