#pragma once
// The logger memory as downloaded (the memory image), the recordings found in it (data
// sets) and the program-wide store of the last successful parse with every sample in °C.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace qx {

class Clock;

// The logger memory: offset 0 is the first byte of the meter's memory. Multi-byte numbers
// have the high byte first.
using MemoryImage = QByteArray;

// Where things are in a memory image. Every offset the parser reads is here.
namespace image {
inline constexpr int kMemorySize = 131072; // the most the program reads from the meter
inline constexpr int kBlockSize = 32;
inline constexpr int kSetCount = 8;       // 2 bytes
inline constexpr int kFillPointer = 10;   // 3 bytes: offset of the last used byte
inline constexpr int kCopyLength = 11;    // 3 bytes: the working copy's length rule reads here
inline constexpr int kFirstSet = 0xB00;   // 2816: the sets follow each other without gaps
inline constexpr int kMaxDataSets = 4000;

// Within one data set, from its first byte.
inline constexpr int kSetStartMark = 0;   // A5 5A, not verified
inline constexpr int kSetYear = 3;        // BCD, years after 2000
inline constexpr int kSetMonth = 4;       // BCD
inline constexpr int kSetDay = 5;         // BCD
inline constexpr int kSetHour = 6;        // BCD
inline constexpr int kSetMinute = 7;      // BCD
inline constexpr int kSetSecond = 8;      // BCD
inline constexpr int kSetIntervalMinutes = 9;
inline constexpr int kSetIntervalSeconds = 10;
inline constexpr int kSetFlags = 11;
inline constexpr int kSetRecordCount = 12; // 2 bytes
inline constexpr int kSetOffsets = 14;     // four signed bytes, tenths
inline constexpr int kSetRecords = 18;
inline constexpr int kSetHeaderSize = kSetRecords;
inline constexpr int kRecordSize = 8;      // T1..T4, signed 16-bit tenths each
inline constexpr int kSampleSize = 2;
inline constexpr int kEndMarkSize = 2;     // 5A A5, not verified
inline constexpr int kSetOverhead = kSetHeaderSize + kEndMarkSize;
inline constexpr std::uint8_t kTypeMask = 0x0F;
inline constexpr std::uint8_t kUnitFlag = 0x10;
inline constexpr int kChannels = 4;
} // namespace image

// Results of the parse.
enum ParseCode : int {
    kParseOk = 0,
    kParseTooManySets = 2, // more than 4000 announced
    kParseNoDataSets = 6,  // none announced, or none of them in the image
};

// One recording.
struct DataSet {
    double startTime = 0;     // day count
    int intervalSeconds = 0;  // minutes × 60 + seconds
    int recordCount = 0;      // records in the image (the header's count, cut at the image's end)
    int announcedRecordCount = 0; // the header's count
    bool unitFlag = false;    // recorded in °F; the samples in the store are converted
    int thermocoupleType = 0; // 0 K, 1 J, 2 E, 3 T; any value 0 to 15 as stored
    std::array<std::int8_t, 4> channelOffsets{}; // raw tenths
    int headerPosition = 0;   // image offset of the set's first byte
    int endPosition = 0;      // headerPosition + 8·recordCount + 19: the last byte of its end mark

    // The image ended before the last of the announced records.
    bool truncated() const { return recordCount < announcedRecordCount; }
    // Start plus recordCount intervals.
    double endTime() const;
    // Channel offset in degrees: tenths for a °C set, tenths of a °F difference shown as °C
    // for a flagged one.
    double offsetDegrees(int channel) const;
    // "mm:ss" with at least two digits each: 90 s gives "01:30", 6000 s "100:00".
    QString intervalText() const;
    // "K", "J", "E" or "T"; an unknown type shows as "K".
    QString thermocoupleLetter() const;
};

// Where the samples of one set lie in sampleValues / sampleTimes.
struct SampleRange {
    int first = 0;
    int count = 0;
};

// What one parse produces.
struct ParsedDataSets {
    std::vector<DataSet> sets;
    std::vector<float> values;  // °C, set after set, record after record, T1..T4
    std::vector<double> times;  // one day count per value: its record's time
};

// Parses an image of any length. `now` gives the fall-backs for dates and times that
// cannot be read. `out` is replaced only when the result is kParseOk.
// Nothing past the end of the image is read: a set whose header is not complete is left
// out together with everything after it, and a set whose records run past the end keeps
// the complete records that are there.
int parseMemoryImage(std::span<const std::uint8_t> bytes, const QDateTime &now, ParsedDataSets &out);
int parseMemoryImage(const MemoryImage &bytes, const QDateTime &now, ParsedDataSets &out);

// Every recording of the last successful load. One per program; replaced only by a
// successful parse.
class DataSetStore {
public:
    // The image being downloaded; empty between loads.
    MemoryImage &memoryImage() { return m_memoryImage; }
    const MemoryImage &memoryImage() const { return m_memoryImage; }

    // Parses memoryImage(); on success replaces the sets and samples, on failure (2 or 6)
    // keeps them. Does not empty memoryImage().
    int parseMemoryImage(const Clock &clock);
    // The same for an image held elsewhere.
    int parse(const MemoryImage &image, const QDateTime &now);

    int count() const { return int(m_sets.size()); }
    bool isEmpty() const { return m_sets.empty(); }
    // Set n, or null when there is none.
    const DataSet *dataSet(int n) const;
    const std::vector<DataSet> &dataSets() const { return m_sets; }
    const std::vector<float> &sampleValues() const { return m_values; }
    const std::vector<double> &sampleTimes() const { return m_times; }
    // Set n's entries: first = 4 × the records of the sets before it, count = 4 × its own.
    // Empty for a set that does not exist.
    SampleRange sampleRange(int n) const;
    std::span<const float> values(int n) const;
    std::span<const double> times(int n) const;

    void clear();

private:
    void replace(ParsedDataSets &&parsed);

    MemoryImage m_memoryImage;
    std::vector<DataSet> m_sets;
    std::vector<float> m_values;
    std::vector<double> m_times;
    std::vector<int> m_firstSample; // per set
};

} // namespace qx
