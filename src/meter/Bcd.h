#pragma once
// Two decimal digits in one byte, tens in the high nibble (23 is 0x23): how the meter
// keeps the dates and times of its logger and clock, and takes a recording interval.
#include <algorithm>
#include <cstdint>

namespace qx {

// Values outside 0 to 99 are taken as the nearest of the two.
constexpr std::uint8_t toBcd(int value)
{
    value = std::clamp(value, 0, 99);
    return std::uint8_t((value / 10) << 4 | (value % 10));
}

// False, and `value` left alone, when a nibble is above 9.
constexpr bool fromBcd(std::uint8_t byte, int &value)
{
    const int tens = byte >> 4;
    const int units = byte & 0x0F;
    if (tens > 9 || units > 9)
        return false;
    value = tens * 10 + units;
    return true;
}

} // namespace qx
