#pragma once
// The 64-byte live status reply and what it says: four readings, the unit, the logger
// state and an image of the meter's LCD.
#include <array>
#include <cstdint>

namespace qx {

inline constexpr int kLiveFrameSize = 64;

// Every lit element of the LCD besides the digits.
enum class Indicator : int {
    T1Fahrenheit, Recall, Mem, Avg, Min, Max, Hold,
    T2Label, TypeK, TypeJ, TypeE, TypeT, TypeCaption,
    T1Label, T1Minus, T1Point, T1Celsius,
    T2Fahrenheit, T2Point, T2Celsius, T2Minus,
    T3Label, T3Minus, T1T2Label, AutoOff, T4Label, T3Point,
    T3Fahrenheit, T3Celsius, T4Fahrenheit, T4Celsius, Full,
    Rec, T4Point, T4Minus,
    Battery3, Battery2, Battery1, Battery0, Alarm,
    AlarmHi, // byte 60 bit 1
    AlarmLo, // byte 60 bit 0
    Count
};
inline constexpr int kIndicatorCount = int(Indicator::Count);

inline constexpr int kGlyphCount = 25;
inline constexpr int kBlankGlyph = 16;
inline constexpr int kMinusGlyph = 17;
inline constexpr int kLetterLGlyph = 18;

struct LiveState {
    std::array<float, 4> temperature{}; // always °C
    bool fahrenheit = false;
    std::uint8_t channelStatus = 0;
    bool loggerRecording = false;
    bool recordFull = false;
    bool maxMinAvgFlashMode = false;
    bool maxMinAvgFlash = false;
    std::array<std::uint8_t, 16> largeDigit{};
    std::array<std::uint8_t, 2> smallDigit{}; // left, right
    std::array<bool, kIndicatorCount> indicator{};

    bool on(Indicator i) const { return indicator[std::size_t(i)]; }
};

// Start mark 0x02 at byte 0 and end mark 0x03 at byte 63.
bool liveFrameMarksValid(const std::uint8_t *frame);
// Decodes a 64-byte frame whose marks are valid.
LiveState decodeLiveFrame(const std::uint8_t *frame);
// °F to °C as the meter's readings are converted.
inline float fahrenheitToCelsius(float f) { return (f - 32.0f) * 5.0f * (1.0f / 9.0f); }

} // namespace qx
