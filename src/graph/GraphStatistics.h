#pragma once
// The figures a graph window shows for its chart: start, interval, count and, for each
// channel, maximum and minimum with their times and the average.
#include "ChartModel.h"

#include <array>

namespace qx {

struct ChannelStatistics {
    float maximum = -9999.0f;
    float minimum = 9999.0f;
    double maximumTime = 0;
    double minimumTime = 0;
    float sum = 0;
    int count = 0; // values that count for the average
};

struct GraphStatistics {
    double first = 0;
    int intervalSeconds = 0; // 0 for fewer than two points
    int pointCount = 0;
    std::array<ChannelStatistics, 4> channel;
};

GraphStatistics computeStatistics(const ChartModel &chart);

// "OL" outside −400 … 3000, else the value with one decimal, "@" and the time.
QString extremeText(float value, double time);
// The average with the given decimals, or "****" when nothing counted.
QString averageText(const ChannelStatistics &s, int decimals);
// "00" … "60" as the interval boxes list them.
QString twoDigitItem(int value);

// Values that count for an average: strictly between −400 and 3000.
inline bool countsForAverage(double y) { return y > -400 && y < 3000; }

// The next annotation number: above the program-wide counter and above every slot the
// chart already holds, so a user's annotation is never overwritten. Updates the counter.
int takeAnnotationNumber(int &counter, const ChartModel &chart);

inline constexpr int kFirstAnnotationCounter = 3;
inline constexpr int kDataPointReadoutSlot = 2;

} // namespace qx
