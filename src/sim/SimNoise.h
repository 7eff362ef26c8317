#pragma once
// Fixed-seed noise: the same stream and step always give the same value, so simulated
// readings look alive and tests still see the same numbers on every run.
#include <cstdint>

namespace qx::sim {

// A value in [-1, 1) for one step of one stream.
inline double noise(std::uint64_t stream, std::int64_t step)
{
    std::uint64_t x = std::uint64_t(step) * 0x9E3779B97F4A7C15ull + stream * 0xD1B54A32D192ED03ull;
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return double(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

} // namespace qx::sim
