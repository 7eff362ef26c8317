#pragma once
// The real-time recording in the running program: Run and Stop, the samples of the poll
// tick, the real-time window's interval boxes and clear button, and its close question.
#include "RealTimeRecording.h"
#include "RecordingJournal.h"
#include "TfrmGraph.h"

#include <QObject>
#include <QPointer>

namespace qx {

struct WindowContext;

class RealTimeController : public QObject, private GraphWindowOwner {
    Q_OBJECT
public:
    // `journals` keeps every running recording on disk; null records without journal.
    explicit RealTimeController(WindowContext &context, JournalFolder *journals = nullptr, QObject *parent = nullptr);
    ~RealTimeController() override;

    RealTimeRecording &recording() { return m_recording; }
    // The real-time window; null while it is closed.
    TfrmGraph *window() const { return m_window; }

    // Creates and prepares the real-time window and connects it.
    TfrmGraph *createWindow();

    void run();
    // From the Stop command: waits (dispatching events, at most 2.5 s) for a poll tick.
    void stop();
    // A sample from the poll tick; false when there is no real-time window to take it.
    bool appendSample(const LiveSample &sample);
    void changeInterval();
    void clearRealTime();

    // At start-up: offers back the recordings an interrupted program left behind.
    void offerInterruptedRecordings();
    // The journal of the recording in the real-time window, empty when it has none.
    QString journalPath() const { return m_journal.path(); }

signals:
    // Run found no real-time window: the main window is to show one.
    void windowWanted();

private:
    bool graphCloseQuery(TfrmGraph &window) override;
    void onWindowClosed();
    void onConnectionChanged(bool connected);
    void finishStop(bool waitForPoll);
    // The recording's running state, with everything that follows it.
    void setRunning(bool running);
    void emptyChart(TfrmGraph &g);
    // Yes saves first; a save that did not happen counts as Cancel. False: go no further.
    bool saveBeforeGoingOn(TfrmGraph &g, const QString &question);
    void beginJournal(const QByteArray &preparedChart, int count);
    // The user has decided about the recorded samples: their journal goes.
    void dropJournal();
    // Opens an interrupted recording in a graph window of its own; false when its chart
    // cannot be read.
    bool restore(const QString &path, const JournalContent &content, QString *error);

    WindowContext &m_context;
    RealTimeRecording m_recording;
    QPointer<TfrmGraph> m_window;
    JournalFolder *m_journals;
    RecordingJournal m_journal;
};

} // namespace qx
