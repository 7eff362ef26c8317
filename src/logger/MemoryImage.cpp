#include "MemoryImage.h"

#include "meter/Bcd.h"
#include "meter/Clock.h"
#include "meter/DayCount.h"
#include "meter/LiveFrame.h"

#include <algorithm>

namespace qx {

using namespace image;

namespace {

constexpr double kSecondsPerDay = 86400.0;

int read16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] << 8 | b[at + 1]; }

// Day count of a calendar date and time, free of daylight-saving gaps: the fields are
// taken as they stand.
double dayCountOf(const QDate &date, const QTime &time) { return toDayCount(QDateTime(date, time, Qt::UTC)); }

double startTimeOf(std::span<const std::uint8_t> header, const QDateTime &now)
{
    const QDate today = now.date();
    const QTime clockTime = now.time();
    // A byte that is not BCD takes the clock's field, the hour like the others.
    const auto field = [&](int offset, int fallback) {
        int value = 0;
        return fromBcd(header[std::size_t(offset)], value) ? value : fallback;
    };
    int year = field(kSetYear, -1);
    year = year < 0 ? today.year() : 2000 + year;
    const QDate date(year, field(kSetMonth, today.month()), field(kSetDay, today.day()));
    const QTime time(field(kSetHour, clockTime.hour()), field(kSetMinute, clockTime.minute()),
                     field(kSetSecond, clockTime.second()));
    if (!date.isValid() || !time.isValid())
        return toDayCount(now);
    return dayCountOf(date, time);
}

} // namespace

int parseMemoryImage(std::span<const std::uint8_t> b, const QDateTime &now, ParsedDataSets &out)
{
    const std::size_t size = b.size();
    if (size < std::size_t(kSetCount + 2))
        return kParseNoDataSets;
    const int announced = read16(b, kSetCount);
    if (announced == 0)
        return kParseNoDataSets;
    if (announced > kMaxDataSets)
        return kParseTooManySets;

    ParsedDataSets parsed;
    // Never more sets than whole headers fit in the image, whatever the count says.
    const std::size_t room = size > std::size_t(kFirstSet) ? (size - kFirstSet) / kSetHeaderSize + 1 : 0;
    parsed.sets.reserve(std::min<std::size_t>(std::size_t(announced), room));

    std::size_t totalRecords = 0;
    std::size_t position = kFirstSet;
    for (int i = 0; i < announced; ++i) {
        if (position + kSetHeaderSize > size)
            break; // the header is not all there: this set and the ones after it are not
        const auto header = b.subspan(position, kSetHeaderSize);
        DataSet set;
        set.headerPosition = int(position);
        set.announcedRecordCount = read16(header, kSetRecordCount);
        const std::size_t present = (size - position - kSetHeaderSize) / kRecordSize;
        set.recordCount = int(std::min<std::size_t>(std::size_t(set.announcedRecordCount), present));
        set.endPosition = set.headerPosition + kRecordSize * set.recordCount + kSetOverhead - 1;
        set.thermocoupleType = header[kSetFlags] & kTypeMask;
        set.unitFlag = (header[kSetFlags] & kUnitFlag) != 0;
        for (int ch = 0; ch < kChannels; ++ch)
            set.channelOffsets[std::size_t(ch)] = std::int8_t(header[std::size_t(kSetOffsets + ch)]);
        set.startTime = startTimeOf(header, now);
        set.intervalSeconds = header[kSetIntervalMinutes] * 60 + header[kSetIntervalSeconds];
        totalRecords += std::size_t(set.recordCount);
        parsed.sets.push_back(set);
        // The announced extent, so that a cut set is the last one.
        position += std::size_t(kRecordSize) * std::size_t(set.announcedRecordCount) + kSetOverhead;
    }
    if (parsed.sets.empty())
        return kParseNoDataSets;

    // totalRecords counts records that are in the image, so this is bounded by its size.
    parsed.values.reserve(totalRecords * kChannels);
    parsed.times.reserve(totalRecords * kChannels);
    for (const DataSet &set : parsed.sets) {
        const double step = double(set.intervalSeconds) / kSecondsPerDay;
        const std::uint8_t *p = b.data() + set.headerPosition + kSetRecords;
        for (int r = 0; r < set.recordCount; ++r) {
            const double time = set.startTime + r * step;
            for (int ch = 0; ch < kChannels; ++ch, p += kSampleSize) {
                const auto raw = std::int16_t(std::uint16_t(p[0] << 8 | p[1]));
                float value = float(raw * 0.1);
                if (set.unitFlag)
                    value = fahrenheitToCelsius(value);
                parsed.values.push_back(value);
                parsed.times.push_back(time);
            }
        }
    }
    out = std::move(parsed);
    return kParseOk;
}

int parseMemoryImage(const MemoryImage &bytes, const QDateTime &now, ParsedDataSets &out)
{
    return parseMemoryImage(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())),
        now, out);
}

// --- DataSet ------------------------------------------------------------------------

double DataSet::endTime() const { return startTime + recordCount * (double(intervalSeconds) / kSecondsPerDay); }

double DataSet::offsetDegrees(int channel) const
{
    if (channel < 0 || channel >= kChannels)
        return 0.0;
    const int raw = channelOffsets[std::size_t(channel)];
    return unitFlag ? raw * 5 * (1.0 / 90) : raw * 0.1;
}

QString DataSet::intervalText() const
{
    const auto twoDigits = [](int v) { return v < 10 ? QStringLiteral("0") + QString::number(v) : QString::number(v); };
    return twoDigits(intervalSeconds / 60) + QLatin1Char(':') + twoDigits(intervalSeconds % 60);
}

QString DataSet::thermocoupleLetter() const
{
    switch (thermocoupleType) {
    case 1: return QStringLiteral("J");
    case 2: return QStringLiteral("E");
    case 3: return QStringLiteral("T");
    default: return QStringLiteral("K");
    }
}

// --- DataSetStore ---------------------------------------------------------------------

int DataSetStore::parseMemoryImage(const Clock &clock) { return parse(m_memoryImage, clock.now()); }

int DataSetStore::parse(const MemoryImage &image, const QDateTime &now)
{
    ParsedDataSets parsed;
    const int code = qx::parseMemoryImage(image, now, parsed);
    if (code == kParseOk)
        replace(std::move(parsed));
    return code;
}

void DataSetStore::replace(ParsedDataSets &&parsed)
{
    m_sets = std::move(parsed.sets);
    m_values = std::move(parsed.values);
    m_times = std::move(parsed.times);
    m_firstSample.clear();
    m_firstSample.reserve(m_sets.size());
    int first = 0;
    for (const DataSet &set : m_sets) {
        m_firstSample.push_back(first);
        first += kChannels * set.recordCount;
    }
}

void DataSetStore::clear()
{
    m_memoryImage.clear();
    m_sets.clear();
    m_values.clear();
    m_times.clear();
    m_firstSample.clear();
}

const DataSet *DataSetStore::dataSet(int n) const
{
    return n >= 0 && n < count() ? &m_sets[std::size_t(n)] : nullptr;
}

SampleRange DataSetStore::sampleRange(int n) const
{
    if (n < 0 || n >= count())
        return {};
    return {m_firstSample[std::size_t(n)], kChannels * m_sets[std::size_t(n)].recordCount};
}

std::span<const float> DataSetStore::values(int n) const
{
    const SampleRange r = sampleRange(n);
    return std::span<const float>(m_values).subspan(std::size_t(r.first), std::size_t(r.count));
}

std::span<const double> DataSetStore::times(int n) const
{
    const SampleRange r = sampleRange(n);
    return std::span<const double>(m_times).subspan(std::size_t(r.first), std::size_t(r.count));
}

} // namespace qx
