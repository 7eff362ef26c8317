#include "RealTimeRecording.h"

#include "ChartSetup.h"
#include "GraphStatistics.h"
#include "meter/Formats.h"

#include <cmath>

namespace qx {

QString sampleExtremeText(const LiveSample &sample, int channel)
{
    if (channelOverRange(sample.channelStatus, channel))
        return QStringLiteral("OL");
    if (channelNoReading(sample.channelStatus, channel))
        return QStringLiteral("----");
    return fixedText(sample.temperature[std::size_t(channel)], 1) + '@' + dateTimeText(sample.time);
}

QString recordingPeriodText(qint64 count, int intervalSeconds, bool padded)
{
    const qint64 period = count * qint64(intervalSeconds);
    const qint64 h = period / 3600, m = period / 60 % 60, s = period % 60;
    const auto part = [padded](qint64 v) { return padded ? QString::number(v).rightJustified(2, '0') : QString::number(v); };
    return QString::number(h) + ':' + part(m) + ':' + part(s);
}

std::optional<int> parseSampleCount(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    for (QChar c : t)
        if (c < '0' || c > '9')
            return std::nullopt;
    return t.toInt();
}

void RealTimeRecording::start(ChartModel &chart, int count, double now)
{
    chart.setPointCount(count);
    resetChartPoints(chart);
    m_recorded = 0;
    m_max.fill(-9999.0f);
    m_min.fill(9999.0f);
    m_startTime = now;
    chart.setMinX(now);
    chart.setMaxX(now + kInitialSpanSeconds * kSecondDays);
    m_running = true;
}

RealTimeRecording::Appended RealTimeRecording::append(ChartModel &chart, const LiveSample &sample)
{
    Appended out;
    if (chart.getMaxX() < sample.time)
        chart.setMaxX(sample.time + m_extensionStep);
    for (int s = 0; s < 4; ++s) {
        chart.setX(s, m_recorded, sample.time);
        chart.setY(s, m_recorded,
                   channelFlagged(sample.channelStatus, s) ? chart.nullY() : sample.temperature[std::size_t(s)]);
    }
    // The reading as delivered decides, also for a flagged channel.
    for (std::size_t c = 0; c < 4; ++c) {
        const float t = sample.temperature[c];
        if (t > m_max[c]) {
            m_max[c] = t;
            out.maxText[c] = sampleExtremeText(sample, int(c));
        }
        if (t < m_min[c]) {
            m_min[c] = t;
            out.minText[c] = sampleExtremeText(sample, int(c));
        }
    }
    ++m_recorded;
    out.planReached = m_recorded >= chart.pointCount();
    return out;
}

std::array<QString, 4> RealTimeRecording::finish(ChartModel &chart, double now)
{
    if (m_recorded < chart.pointCount()) {
        // The cut keeps the last sample of T4 where it was.
        const int last = m_recorded - 1;
        const double x = last >= 0 ? chart.getX(3, last) : 0;
        const float y = last >= 0 ? chart.getY(3, last) : chart.nullY();
        chart.setPointCount(m_recorded);
        if (last >= 0) {
            chart.setX(3, last, x);
            chart.setY(3, last, y);
        }
    }
    chart.setMaxX(now);
    std::array<QString, 4> averages;
    const int n = std::min(m_recorded, chart.pointCount());
    for (int s = 0; s < 4; ++s) {
        double sum = 0;
        int counted = 0;
        for (int p = 0; p < n; ++p) {
            const float y = chart.getY(s, p);
            if (countsForAverage(y)) {
                sum += y;
                ++counted;
            }
        }
        const double average = counted ? sum / counted : NAN;
        averages[std::size_t(s)] = std::isfinite(average) ? fixedText(average, 3) : QStringLiteral("****");
    }
    return averages;
}

void RealTimeRecording::clear(ChartModel &chart)
{
    resetChartPoints(chart);
    m_recorded = 0;
}

} // namespace qx
