// Three recordings that look like what the meter is used for: an oven warming up, a night
// in a cold room with one probe unplugged, and a smoker logged in °F.
#include "SimLoggerMemory.h"
#include "SimNoise.h"

#include <algorithm>
#include <cmath>

namespace qx::sim {

namespace {

std::int16_t tenths(double value)
{
    const long t = std::lround(value * 10.0);
    return std::int16_t(std::clamp(t, -32767L, 32767L));
}

// Exponential approach from `from` to `to` with time constant `tau` (seconds).
double approach(double from, double to, double tau, double t) { return to + (from - to) * std::exp(-t / tau); }

DataSet ovenWarmUp()
{
    DataSet set;
    set.header = {QDateTime(QDate(2026, 3, 12), QTime(18, 42, 10)), 2, 0, false, {0, 0, 0, 0}};
    for (int i = 0; i < 300; ++i) {
        const double t = i * 2.0;
        set.records.push_back({tenths(approach(21.3, 186.0, 150.0, t) + 0.4 * noise(1, i)),
                               tenths(approach(21.1, 162.0, 320.0, t) + 0.1 * noise(2, i)),
                               tenths(approach(6.2, 38.0, 900.0, t) + 0.05 * noise(3, i)),
                               tenths(approach(21.4, 23.1, 400.0, t) + 0.1 * noise(4, i))});
    }
    return set;
}

DataSet coldRoomNight()
{
    DataSet set;
    set.header = {QDateTime(QDate(2026, 3, 13), QTime(22, 0, 0)), 60, 3, false, {3, -2, 0, 0}};
    constexpr double kPi = 3.14159265358979;
    for (int i = 0; i < 480; ++i) {
        const double minute = i;
        // A defrost every four hours lifts the room for twenty minutes.
        const double sinceDefrost = std::fmod(minute, 240.0);
        const double defrost = sinceDefrost < 20.0 ? 5.0 * std::sin(kPi * sinceDefrost / 20.0) : 0.0;
        const double compressor = 1.2 * std::sin(2.0 * kPi * minute / 38.0);
        set.records.push_back({tenths(3.1 + defrost + 0.4 * compressor + 0.05 * noise(5, i)),
                               tenths(-19.2 + compressor + 0.1 * noise(6, i)),
                               tenths(5.6 + 0.6 * defrost + 0.3 * compressor + 0.1 * noise(7, i)),
                               kNoReadingSample});
    }
    return set;
}

DataSet smokerFahrenheit()
{
    DataSet set;
    set.header = {QDateTime(QDate(2026, 3, 14), QTime(7, 15, 0)), 30, 1, true, {0, 0, -1, 0}};
    for (int i = 0; i < 240; ++i) {
        const double t = i * 30.0;
        // The meat climbs, stalls around 160 °F for a while, then climbs on.
        double meat = approach(38.0, 158.0, 2400.0, t);
        if (t > 5400.0)
            meat += (t - 5400.0) / 300.0;
        set.records.push_back({tenths(225.0 + 7.0 * std::sin(t / 700.0) + 1.5 * noise(8, i)),
                               tenths(meat + 0.2 * noise(9, i)),
                               tenths(approach(51.8, 61.5, 3000.0, t) + 0.2 * noise(10, i)),
                               tenths(approach(120.0, 181.0, 900.0, t) + 0.3 * noise(11, i))});
    }
    return set;
}

} // namespace

std::vector<DataSet> demoDataSets() { return {ovenWarmUp(), coldRoomNight(), smokerFahrenheit()}; }

} // namespace qx::sim
