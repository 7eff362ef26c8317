#pragma once
// The real-time recording: how a Run prepares the real-time chart, how each sample from
// the poll tick lands in it, and what a stop, a clear or a change of interval does to it.
// No widgets: the real-time window shows the texts this returns.
#include "ChartModel.h"
#include "meter/MeterSession.h"

#include <array>
#include <optional>

namespace qx {

inline constexpr int kDefaultSampleCount = 2000;
inline constexpr double kSecondDays = 1.0 / 86400.0;
inline constexpr double kInitialSpanSeconds = 100;     // X span of a fresh Run
inline constexpr double kStartupExtensionSeconds = 10; // axis push past a late sample
inline constexpr int kStopWaitLimitMs = 2500;

// The channel status byte: bit n−1 is over-range, bit n+3 no reading (channel n = 1..4).
inline bool channelOverRange(std::uint8_t status, int channel) { return status & (1u << channel); }
inline bool channelNoReading(std::uint8_t status, int channel) { return status & (1u << (channel + 4)); }
inline bool channelFlagged(std::uint8_t status, int channel)
{
    return channelOverRange(status, channel) || channelNoReading(status, channel);
}

// "OL", "----", or the reading with one decimal, "@" and the sample's date and time.
QString sampleExtremeText(const LiveSample &sample, int channel);

// The recording period of `count` samples: hours ":" minutes ":" seconds; minutes and
// seconds as two digits when `padded`, without leading zeros otherwise.
QString recordingPeriodText(qint64 count, int intervalSeconds, bool padded);

// The count typed in the setup dialog: the trimmed text as a decimal integer.
std::optional<int> parseSampleCount(const QString &text);

class RealTimeRecording {
public:
    bool running() const { return m_running; }
    void setRunning(bool on) { m_running = on; }
    // Samples taken since the user last saved them or chose not to.
    bool unsaved() const { return m_unsaved; }
    void setUnsaved(bool on) { m_unsaved = on; }
    int recordedCount() const { return m_recorded; }
    double startTime() const { return m_startTime; }
    double axisExtensionStep() const { return m_extensionStep; } // days
    void setAxisExtensionStep(double days) { m_extensionStep = days; }

    // A new recording of `count` samples starting now: every point emptied, X from now
    // to now + 100 s, running maximum and minimum reset.
    void start(ChartModel &chart, int count, double now);

    struct Appended {
        std::array<std::optional<QString>, 4> maxText; // set where the field changes
        std::array<std::optional<QString>, 4> minText;
        bool planReached = false; // the recording must stop now
    };
    Appended append(ChartModel &chart, const LiveSample &sample);

    // Ends the recording in the chart: the point count cut to the samples taken, X
    // ending at the stop time; returns the four averages (three decimals or "****").
    std::array<QString, 4> finish(ChartModel &chart, double now);

    // Empties every point and forgets the samples; the point count and the scales stay.
    void clear(ChartModel &chart);
    // The window went away: the recording ends and its samples are forgotten.
    void forget()
    {
        m_running = false;
        m_recorded = 0;
    }

private:
    bool m_running = false;
    bool m_unsaved = false;
    int m_recorded = 0;
    double m_startTime = 0;
    double m_extensionStep = kStartupExtensionSeconds * kSecondDays;
    std::array<float, 4> m_max{};
    std::array<float, 4> m_min{};
};

} // namespace qx
