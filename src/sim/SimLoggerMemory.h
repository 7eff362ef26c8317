#pragma once
// The simulated meter's logger memory: 128 KiB holding the set count and fill pointer near
// the start, then the data sets one after the other from 0xB00, each a header, its records
// and an end mark. The same code writes the memory while the meter records and builds
// images for tests, so both always agree on the layout.
#include <QDateTime>
#include <array>
#include <cstdint>
#include <vector>

namespace qx::sim {

namespace layout {
inline constexpr int kMemorySize = 131072;
inline constexpr int kBlockSize = 32;
inline constexpr int kSetCount = 8;    // 2 bytes
inline constexpr int kFillPointer = 10; // 3 bytes: offset of the last used byte
inline constexpr int kFirstSet = 0xB00;
inline constexpr int kEmptyFillPointer = kFirstSet - 1;
// No byte is written at or above this offset: the meter keeps the top 256 bytes free, and
// "memory available" counts down to it.
inline constexpr int kLoggerEnd = 130816;
// More sets than the program accepts in one image would make the memory unreadable.
inline constexpr int kMaxSets = 4000;

// Offsets within one data set.
inline constexpr int kSetStartMark = 0; // A5 5A
inline constexpr int kSetTime = 3;      // BCD year (after 2000), month, day, hour, minute, second
inline constexpr int kSetIntervalMinutes = 9;
inline constexpr int kSetIntervalSeconds = 10;
inline constexpr int kSetFlags = 11; // bits 0-3 type, bit 4 °F
inline constexpr int kSetRecordCount = 12; // 2 bytes
inline constexpr int kSetOffsets = 14;     // four signed bytes, tenths
inline constexpr int kSetHeaderSize = 18;
inline constexpr int kRecordSize = 8; // four signed 16-bit tenths, T1..T4
inline constexpr int kEndMarkSize = 2; // 5A A5
inline constexpr std::uint8_t kFahrenheitFlag = 0x10;
inline constexpr std::uint8_t kErasedByte = 0xFF;
} // namespace layout

// What the meter stores for a channel that had no usable reading.
inline constexpr std::int16_t kOverRangeSample = 0x7FFF;
inline constexpr std::int16_t kNoReadingSample = -0x8000;

using Record = std::array<std::int16_t, 4>; // tenths in the set's unit, T1..T4

struct SetHeader {
    QDateTime start;
    int intervalSeconds = 2;
    int type = 0; // 0 K, 1 J, 2 E, 3 T
    bool fahrenheit = false;
    std::array<std::int8_t, 4> offsets{};
};

struct DataSet {
    SetHeader header;
    std::vector<Record> records;
};

class LoggerMemory {
public:
    LoggerMemory(); // erased
    // Takes a memory image as it is; a shorter one is padded with erased bytes, a longer
    // one cut to the memory size.
    explicit LoggerMemory(std::vector<std::uint8_t> image);

    // No sets, fill pointer just before the first set, every data byte erased.
    void erase();

    int setCount() const;
    int fillPointer() const;
    // Writes the two header fields as they come (the settings command does this).
    void setCountAndFillPointer(int sets, int fillPointer);

    // Whether `bytes` more bytes fit behind the last used one.
    bool fits(int bytes) const;
    // Starts a new set behind the last used byte; false (nothing written) when it does not fit.
    bool beginSet(const SetHeader &header);
    // Adds a record to the set begun last; false when there is none or the memory is full.
    bool appendRecord(const Record &record);
    // Later records go nowhere until the next beginSet.
    void endSet() { m_openSet = -1; }
    bool setOpen() const { return m_openSet >= 0; }

    // Block n of the read-out; erased bytes outside the memory.
    std::array<std::uint8_t, layout::kBlockSize> block(int n) const;
    const std::vector<std::uint8_t> &bytes() const { return m_bytes; }

    // An image holding `sets` in order; a set that no longer fits is left out, and so are
    // the ones after it.
    static std::vector<std::uint8_t> build(const std::vector<DataSet> &sets);

private:
    int read16(int at) const;
    void write16(int at, int value);
    void writeCounts(int sets, int fillPointer);

    std::vector<std::uint8_t> m_bytes;
    int m_openSet = -1; // offset of the set that records go to
};

// The recordings the simulated meter holds when it is switched on.
std::vector<DataSet> demoDataSets();

} // namespace qx::sim
