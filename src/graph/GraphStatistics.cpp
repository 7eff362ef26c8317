#include "GraphStatistics.h"

#include "meter/Formats.h"

#include <algorithm>
#include <cmath>

namespace qx {

GraphStatistics computeStatistics(const ChartModel &chart)
{
    GraphStatistics st;
    const int n = chart.pointCount();
    st.pointCount = n;
    st.first = chart.getX(0, 0);
    if (n >= 2) {
        const double last = chart.getX(0, n - 1);
        const double seconds = (last - st.first) / (n - 1) * 86400.0 + 0.5;
        st.intervalSeconds = std::isfinite(seconds) && seconds > 0 && seconds < 1e9 ? int(seconds) : 0;
    }
    const int series = std::min(chart.seriesCount(), 4);
    for (int p = 0; p < n; ++p) {
        for (int s = 0; s < series; ++s) {
            ChannelStatistics &c = st.channel[std::size_t(s)];
            const float y = chart.getY(s, p);
            if (y < 9000 && y > c.maximum) {
                c.maximum = y;
                c.maximumTime = chart.getX(s, p);
            }
            if (y < 9000 && y < c.minimum) {
                c.minimum = y;
                c.minimumTime = chart.getX(s, p);
            }
            if (countsForAverage(y)) {
                c.sum += y;
                ++c.count;
            }
        }
    }
    return st;
}

QString extremeText(float value, double time)
{
    if (value > 3000 || value < -400)
        return QStringLiteral("OL");
    return fixedText(value, 1) + '@' + dateTimeText(time);
}

QString averageText(const ChannelStatistics &s, int decimals)
{
    if (s.count == 0)
        return QStringLiteral("****");
    const double avg = double(s.sum) / s.count;
    if (!std::isfinite(avg))
        return QStringLiteral("****");
    return fixedText(avg, decimals);
}

QString twoDigitItem(int value) { return QString::number(value).rightJustified(2, '0'); }

int takeAnnotationNumber(int &counter, const ChartModel &chart)
{
    counter = std::max(counter, chart.annotationCount() - 1) + 1;
    return counter;
}

} // namespace qx
