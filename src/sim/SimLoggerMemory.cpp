#include "SimLoggerMemory.h"

#include "meter/Bcd.h"

#include <algorithm>

namespace qx::sim {

using namespace layout;

LoggerMemory::LoggerMemory() { erase(); }

LoggerMemory::LoggerMemory(std::vector<std::uint8_t> image) : m_bytes(std::move(image))
{
    m_bytes.resize(std::size_t(kMemorySize), kErasedByte);
}

void LoggerMemory::erase()
{
    m_bytes.assign(std::size_t(kMemorySize), kErasedByte);
    std::fill(m_bytes.begin(), m_bytes.begin() + kFirstSet, std::uint8_t(0));
    setCountAndFillPointer(0, kEmptyFillPointer);
}

int LoggerMemory::read16(int at) const { return m_bytes[std::size_t(at)] << 8 | m_bytes[std::size_t(at + 1)]; }

void LoggerMemory::write16(int at, int value)
{
    m_bytes[std::size_t(at)] = std::uint8_t(value >> 8);
    m_bytes[std::size_t(at + 1)] = std::uint8_t(value);
}

int LoggerMemory::setCount() const { return read16(kSetCount); }

int LoggerMemory::fillPointer() const
{
    return m_bytes[kFillPointer] << 16 | m_bytes[kFillPointer + 1] << 8 | m_bytes[kFillPointer + 2];
}

void LoggerMemory::setCountAndFillPointer(int sets, int fillPointer)
{
    endSet();
    writeCounts(sets, fillPointer);
}

void LoggerMemory::writeCounts(int sets, int fillPointer)
{
    write16(kSetCount, sets);
    m_bytes[kFillPointer] = std::uint8_t(fillPointer >> 16);
    m_bytes[kFillPointer + 1] = std::uint8_t(fillPointer >> 8);
    m_bytes[kFillPointer + 2] = std::uint8_t(fillPointer);
}

bool LoggerMemory::fits(int bytes) const
{
    // A fill pointer from a foreign image may point anywhere: then nothing fits.
    const int last = fillPointer();
    return last >= kEmptyFillPointer && last < kLoggerEnd && bytes >= 0 && last + bytes < kLoggerEnd;
}

bool LoggerMemory::beginSet(const SetHeader &header)
{
    endSet();
    if (setCount() >= kMaxSets || !fits(kSetHeaderSize + kEndMarkSize))
        return false;
    const int at = fillPointer() + 1;
    auto *p = m_bytes.data() + at;
    p[kSetStartMark] = 0xA5;
    p[kSetStartMark + 1] = 0x5A;
    p[2] = 0x00;
    const QDate d = header.start.date();
    const QTime t = header.start.time();
    const int fields[6] = {d.year() - 2000, d.month(), d.day(), t.hour(), t.minute(), t.second()};
    for (int i = 0; i < 6; ++i)
        p[kSetTime + i] = toBcd(fields[i]);
    const int interval = std::max(header.intervalSeconds, 0);
    p[kSetIntervalMinutes] = std::uint8_t(std::min(interval / 60, 255));
    p[kSetIntervalSeconds] = std::uint8_t(interval % 60);
    p[kSetFlags] = std::uint8_t((header.type & 0x0F) | (header.fahrenheit ? kFahrenheitFlag : 0));
    write16(at + kSetRecordCount, 0);
    for (int ch = 0; ch < 4; ++ch)
        p[kSetOffsets + ch] = std::uint8_t(header.offsets[std::size_t(ch)]);
    p[kSetHeaderSize] = 0x5A;
    p[kSetHeaderSize + 1] = 0xA5;
    writeCounts(setCount() + 1, at + kSetHeaderSize + kEndMarkSize - 1);
    m_openSet = at;
    return true;
}

bool LoggerMemory::appendRecord(const Record &record)
{
    if (m_openSet < 0 || !fits(kRecordSize))
        return false;
    const int count = read16(m_openSet + kSetRecordCount);
    if (count == 0xFFFF)
        return false;
    const int at = fillPointer() - 1; // over the end mark, which moves behind the record
    for (int ch = 0; ch < 4; ++ch)
        write16(at + 2 * ch, std::uint16_t(record[std::size_t(ch)]));
    m_bytes[std::size_t(at + kRecordSize)] = 0x5A;
    m_bytes[std::size_t(at + kRecordSize + 1)] = 0xA5;
    write16(m_openSet + kSetRecordCount, count + 1);
    writeCounts(setCount(), fillPointer() + kRecordSize);
    return true;
}

std::array<std::uint8_t, kBlockSize> LoggerMemory::block(int n) const
{
    std::array<std::uint8_t, kBlockSize> out;
    out.fill(kErasedByte);
    if (n >= 0 && n < kMemorySize / kBlockSize)
        std::copy_n(m_bytes.begin() + n * kBlockSize, kBlockSize, out.begin());
    return out;
}

std::vector<std::uint8_t> LoggerMemory::build(const std::vector<DataSet> &sets)
{
    LoggerMemory memory;
    for (const DataSet &set : sets) {
        const int needed = kSetHeaderSize + kEndMarkSize + kRecordSize * int(set.records.size());
        if (!memory.fits(needed) || !memory.beginSet(set.header))
            break;
        for (const Record &r : set.records)
            memory.appendRecord(r);
    }
    return memory.m_bytes;
}

} // namespace qx::sim
