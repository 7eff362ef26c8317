#include "LiveFrame.h"

namespace qx {

namespace {

// Where things are in the frame.
constexpr int kUnitByte = 2;            // bit 7: the readings are in °F
constexpr std::uint8_t kFahrenheitBit = 0x80;
constexpr int kLoggerByte = 3;          // recording, record full, MAX/MIN/AVG flash
constexpr std::uint8_t kRecordingBit = 0x08;
constexpr std::uint8_t kRecordFullBit = 0x10;
constexpr std::uint8_t kFlashBit = 0x40;
constexpr int kFlashModeByte = 4;
constexpr std::uint8_t kFlashModeBit = 0x08;
constexpr int kChannelStatusByte = 6;
constexpr int kFirstReadingByte = 9;    // T1 to T4, two bytes each, high byte first
constexpr int kStartMarkByte = 0;
constexpr int kEndMarkByte = kLiveFrameSize - 1;

// Digit bytes of the LCD image: the 16 large digits, T1 to T4, leftmost digit first
// (T2 and T4 in the second encoding, T1 and T3 in the first), then the two small
// digits, left then right (second encoding).
constexpr std::array<int, 16> kLargeDigitByte = {42, 43, 44, 45, 49, 48, 47, 46, 51, 52, 53, 54, 59, 58, 57, 56};
constexpr bool largeDigitUsesEncodingB(int position) { return (position / 4) % 2 == 1; }
constexpr std::array<int, 2> kSmallDigitByte = {39, 38};

struct IndicatorBit {
    int byte;
    std::uint8_t mask;
};

constexpr std::array<IndicatorBit, kIndicatorCount> kIndicatorBits = {{
    {38, 0x01}, // T1Fahrenheit
    {39, 0x01}, // Recall
    {40, 0x20}, // Mem
    {40, 0x10}, // Avg
    {40, 0x08}, // Min
    {40, 0x04}, // Max
    {40, 0x02}, // Hold
    {41, 0x80}, // T2Label
    {41, 0x10}, // TypeK
    {41, 0x08}, // TypeJ
    {41, 0x04}, // TypeE
    {41, 0x02}, // TypeT
    {41, 0x01}, // TypeCaption
    {42, 0x80}, // T1Label
    {43, 0x80}, // T1Minus
    {44, 0x80}, // T1Point
    {45, 0x80}, // T1Celsius
    {46, 0x01}, // T2Fahrenheit
    {47, 0x01}, // T2Point
    {48, 0x01}, // T2Celsius
    {50, 0x40}, // T2Minus
    {50, 0x08}, // T3Label
    {50, 0x04}, // T3Minus
    {50, 0x02}, // T1T2Label
    {51, 0x80}, // AutoOff
    {52, 0x80}, // T4Label
    {54, 0x80}, // T3Point
    {55, 0x10}, // T3Fahrenheit
    {55, 0x08}, // T3Celsius
    {55, 0x04}, // T4Fahrenheit
    {55, 0x02}, // T4Celsius
    {55, 0x01}, // Full
    {56, 0x01}, // Rec
    {57, 0x01}, // T4Point
    {60, 0x80}, // T4Minus
    {60, 0x20}, // Battery3
    {60, 0x10}, // Battery2
    {60, 0x08}, // Battery1
    {60, 0x40}, // Battery0
    {60, 0x04}, // Alarm
    {60, 0x02}, // AlarmHi
    {60, 0x01}, // AlarmLo
}};

// Patterns per glyph index 0..24; 0 marks "not in this encoding" (except glyph 16, blank).
constexpr std::array<std::uint8_t, kGlyphCount> kPatternA = {
    0x77, 0x24, 0x5D, 0x6D, 0x2E, 0x6B, 0x7B, 0x27, 0x7F, 0x6F, 0x3F, 0x7A, 0x53,
    0x7C, 0x5B, 0x1B, 0x00, 0x08, 0x52, 0x78, 0x18, 0x5A, 0x38, 0x3E, 0x20};
constexpr std::array<std::uint8_t, kGlyphCount> kPatternB = {
    0xEE, 0x24, 0xBA, 0xB6, 0x74, 0xD6, 0xDE, 0xE4, 0xFE, 0xF6, 0xFC, 0x5E, 0xCA,
    0x3E, 0xDA, 0xD8, 0x00, 0x10, 0x4A, 0x1E, 0x18, 0x5A, 0x6E, 0x00, 0x00};

using GlyphLookup = std::array<std::uint8_t, 256>;

constexpr GlyphLookup makeLookup(const std::array<std::uint8_t, kGlyphCount> &patterns,
                                 std::uint8_t indicatorMask)
{
    GlyphLookup lookup{};
    for (auto &g : lookup)
        g = kBlankGlyph;
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t segments = std::uint8_t(b & ~indicatorMask);
        for (int g = 0; g < kGlyphCount; ++g) {
            if (patterns[std::size_t(g)] == segments && (segments != 0 || g == kBlankGlyph)) {
                lookup[std::size_t(b)] = std::uint8_t(g);
                break;
            }
        }
    }
    return lookup;
}

constexpr GlyphLookup kLookupA = makeLookup(kPatternA, 0x80);
constexpr GlyphLookup kLookupB = makeLookup(kPatternB, 0x01);

float reading(const std::uint8_t *frame, int at)
{
    const auto raw = std::int16_t(std::uint16_t(frame[at] << 8 | frame[at + 1]));
    return float(raw) * 0.1f;
}

} // namespace

bool liveFrameMarksValid(const std::uint8_t *frame)
{
    return frame[kStartMarkByte] == 0x02 && frame[kEndMarkByte] == 0x03;
}

LiveState decodeLiveFrame(const std::uint8_t *frame)
{
    LiveState s;
    s.fahrenheit = (frame[kUnitByte] & kFahrenheitBit) != 0;
    for (int ch = 0; ch < 4; ++ch) {
        const float value = reading(frame, kFirstReadingByte + 2 * ch);
        s.temperature[std::size_t(ch)] = s.fahrenheit ? fahrenheitToCelsius(value) : value;
    }
    for (int pos = 0; pos < 16; ++pos) {
        const std::uint8_t b = frame[kLargeDigitByte[std::size_t(pos)]];
        s.largeDigit[std::size_t(pos)] =
            std::uint8_t(largeDigitUsesEncodingB(pos) ? kLookupB[b] : kLookupA[b]);
    }
    for (int i = 0; i < 2; ++i)
        s.smallDigit[std::size_t(i)] = kLookupB[frame[kSmallDigitByte[std::size_t(i)]]];
    for (int i = 0; i < kIndicatorCount; ++i) {
        const IndicatorBit bit = kIndicatorBits[std::size_t(i)];
        s.indicator[std::size_t(i)] = (frame[bit.byte] & bit.mask) != 0;
    }
    s.loggerRecording = (frame[kLoggerByte] & kRecordingBit) != 0;
    s.recordFull = (frame[kLoggerByte] & kRecordFullBit) != 0;
    s.maxMinAvgFlashMode = (frame[kFlashModeByte] & kFlashModeBit) != 0;
    s.maxMinAvgFlash = s.maxMinAvgFlashMode && (frame[kLoggerByte] & kFlashBit) != 0;
    s.channelStatus = frame[kChannelStatusByte];
    return s;
}

} // namespace qx
