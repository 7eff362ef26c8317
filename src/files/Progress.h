#pragma once
// How a long file operation reports how far it is and learns that the user cancelled: a
// callback it owns for its run, called at the start and then about every interval, not
// after every line, so a window can redraw its counter and take the "Annuler" click.
#include <QElapsedTimer>
#include <functional>

namespace qx {

struct Progress {
    // Lines done so far and the lines planned (0 when unknown); false cancels.
    std::function<bool(int done, int total)> report;
    int intervalMs = 20;
};

// Calls a Progress no more often than its interval; without a callback it never cancels.
class ProgressPacer {
public:
    explicit ProgressPacer(const Progress &progress) : m_progress(progress) { m_clock.start(); }

    // True to go on. The first call always reports.
    bool proceed(int done, int total)
    {
        if (!m_progress.report)
            return true;
        if (m_reported && m_clock.elapsed() < m_progress.intervalMs)
            return true;
        m_reported = true;
        m_clock.restart();
        return m_progress.report(done, total);
    }

private:
    const Progress &m_progress;
    QElapsedTimer m_clock;
    bool m_reported = false;
};

} // namespace qx
