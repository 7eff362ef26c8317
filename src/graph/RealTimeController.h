#pragma once
// The real-time recording in the running program: Run and Stop of the main window, the
// sample hand-off from the poll tick, and the real-time window's interval boxes and clear
// button.
#include "RealTimeRecording.h"

#include <QObject>

namespace qx {

class TfrmGraph;
class TfrmMain;

class RealTimeController : public QObject {
    Q_OBJECT
public:
    explicit RealTimeController(TfrmMain &main);

    // The controller the main window carries, if any.
    static RealTimeController *of(TfrmMain &main);

    RealTimeRecording &recording() { return m_recording; }

    void run();
    // From the Stop command: waits (dispatching events, at most 2.5 s) for a poll tick.
    void stop();
    // From the poll tick; false when there is no real-time window to take it.
    bool appendSample(const LiveSample &sample);
    void changeInterval();
    void clearRealTime();

    // Connects a newly created real-time window's boxes and clear button.
    void attachWindow(QWidget *window);

private:
    TfrmGraph *window() const;
    void finishStop(bool waitForPoll);
    void setRunStop(bool running);
    void emptyChart(TfrmGraph &g);
    // Yes saves first; a save that did not happen counts as Cancel. False: go no further.
    bool saveBeforeGoingOn(TfrmGraph &g, const QString &question);

    TfrmMain &m_main;
    RealTimeRecording m_recording;
};

// Gives the main window its real-time recording: commands, hand-off, window end.
void installRealTimeRecording(TfrmMain &main);

} // namespace qx
