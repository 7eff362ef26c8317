#include "RealTimeController.h"

#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"
#include "app/Dialogs.h"
#include "app/TfrmMain.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QToolButton>

namespace qx {

namespace {

void restoreNormal(QWidget *w)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
        sub->showNormal();
}

void setEnabled(QObject *root, const char *name, bool on)
{
    if (auto *w = root->findChild<QWidget *>(name))
        w->setEnabled(on);
    else if (auto *a = root->findChild<QAction *>(name))
        a->setEnabled(on);
}

const QString kRunQuestion = QStringLiteral("Il y a déjà des données graphique en Temps-Réel, vous devez réinitialiser le gaph\n"
                                            "Voulez-vous sauvegarder le graphique en Temps-Réel ?");
const QString kIntervalQuestion =
    QStringLiteral("La fréquence d'échantillonnage a été changé alors qu'un enregistrement en temps réél est en cours."
                   "Si vous voulez changer de fréquence d'échantillonnage, vous devez relancer l'affichage du graphique.\n"
                   "Voulez-vous sauvegarder le graphique en Temps-Réel ?");

} // namespace

RealTimeController::RealTimeController(TfrmMain &main) : QObject(&main), m_main(main)
{
    setObjectName("RealTimeRecording");
}

RealTimeController *RealTimeController::of(TfrmMain &main)
{
    return main.findChild<RealTimeController *>("RealTimeRecording", Qt::FindDirectChildrenOnly);
}

TfrmGraph *RealTimeController::window() const { return qobject_cast<TfrmGraph *>(m_main.realTimeGraph()); }

void RealTimeController::setRunStop(bool running)
{
    for (const char *name : {"btnRun", "Run1"})
        setEnabled(&m_main, name, !running);
    for (const char *name : {"btnStop", "Stop1"})
        setEnabled(&m_main, name, running);
}

bool RealTimeController::saveBeforeGoingOn(TfrmGraph &g, const QString &question)
{
    const int buttons = Dialogs::Yes | Dialogs::No | Dialogs::Cancel;
    switch (m_main.dialogs().question(&g, question, buttons)) {
    case Dialogs::Yes:
        return g.saveChart();
    case Dialogs::No:
        return true;
    default:
        return false;
    }
}

void RealTimeController::run()
{
    if (!m_main.session().connected())
        return;
    TfrmGraph *g = window();
    if (g) {
        restoreNormal(g);
        if ((m_recording.running() || m_recording.recordedCount() != 0) && !saveBeforeGoingOn(*g, kRunQuestion))
            return;
    } else {
        m_main.showRealTimeGraph();
        if (!(g = window()))
            return;
    }

    TfrmSetupRealTime setup(g->minutesBox()->currentIndex(), g->secondsBox()->currentIndex(), g);
    if (m_main.dialogs().execDialog(setup) != QDialog::Accepted)
        return;
    const QString text = setup.countEdit()->text();
    {
        const QSignalBlocker b1(g->minutesBox()), b2(g->secondsBox());
        g->minutesBox()->setCurrentIndex(setup.minutesBox()->currentIndex());
        g->secondsBox()->setCurrentIndex(setup.secondsBox()->currentIndex());
    }
    const std::optional<int> count = parseSampleCount(text);
    if (!count) {
        m_main.dialogs().message(g, text + " n'est pas valide.\n");
        return;
    }
    const int interval = g->minutesBox()->currentIndex() * 60 + g->secondsBox()->currentIndex();
    if (interval <= 0)
        return;
    m_main.session().setRealTimeRate(interval);

    const double start = toDayCount(m_main.session().clock().now());
    m_recording.start(g->model(), *count, start);
    g->clearStatisticFields();
    g->startTimeField()->setText(dateTimeText(start));
    g->dataNoField()->setText("0");
    g->chart()->redraw();
    setEnabled(g, "tbntClr", false);
    setRunStop(true);
}

void RealTimeController::stop() { finishStop(true); }

void RealTimeController::finishStop(bool waitForPoll)
{
    // From the poll tick itself there is nothing to wait for; elsewhere a tick in progress
    // ends within one dispatch, so the bound only guards against a stuck link.
    if (waitForPoll) {
        Clock &clock = m_main.session().clock();
        const qint64 until = clock.tickMs() + kStopWaitLimitMs;
        while (m_main.session().gate().pollInProgress() && clock.tickMs() < until)
            clock.pumpWait(5);
    }
    m_recording.setRunning(false);
    setRunStop(false);
    TfrmGraph *g = window();
    if (!g)
        return;
    restoreNormal(g);
    setEnabled(g, "tbntClr", true);
    const std::array<QString, 4> averages =
        m_recording.finish(g->model(), toDayCount(m_main.session().clock().now()));
    for (int ch = 0; ch < 4; ++ch)
        g->avgField(ch + 1)->setText(averages[std::size_t(ch)]);
    g->chart()->redraw();
}

bool RealTimeController::appendSample(const LiveSample &sample)
{
    TfrmGraph *g = window();
    if (!g)
        return false;
    const RealTimeRecording::Appended a = m_recording.append(g->model(), sample);
    for (int ch = 0; ch < 4; ++ch) {
        if (const auto &t = a.maxText[std::size_t(ch)])
            g->maxField(ch + 1)->setText(*t);
        if (const auto &t = a.minText[std::size_t(ch)])
            g->minField(ch + 1)->setText(*t);
    }
    g->chart()->redrawData();
    g->dataNoField()->setText(QString::number(m_recording.recordedCount()));
    if (a.planReached)
        finishStop(false);
    return true;
}

void RealTimeController::emptyChart(TfrmGraph &g)
{
    ChartModel &m = g.model();
    m_recording.clear(m);
    g.dataNoField()->clear();
    g.clearStatisticFields();
    // The user's annotations go back to the origin and their numbers start again.
    for (int slot = kFirstAnnotationCounter; slot < m.annotationCount(); ++slot) {
        m.setAnnotationX(slot, 0);
        m.setAnnotationY(slot, 0);
    }
    m_main.annotationCounter = kFirstAnnotationCounter;
    g.chart()->redraw();
}

void RealTimeController::changeInterval()
{
    TfrmGraph *g = window();
    if (!g)
        return;
    int interval = g->minutesBox()->currentIndex() * 60 + g->secondsBox()->currentIndex();
    if (interval == m_main.session().realTimeRate())
        return;
    if (interval <= 0) {
        const QSignalBlocker b1(g->minutesBox()), b2(g->secondsBox());
        g->minutesBox()->setCurrentIndex(0);
        g->secondsBox()->setCurrentIndex(2);
        interval = 2;
    }
    m_main.session().setRealTimeRate(interval);
    // Cancel (or a save that did not happen) lets a running recording go on at the new rate.
    if ((m_recording.running() || m_recording.recordedCount() != 0) && !saveBeforeGoingOn(*g, kIntervalQuestion))
        return;
    m_recording.setRunning(false);
    setEnabled(g, "tbntClr", true);
    setRunStop(false);
    emptyChart(*g);
    g->model().setLineGapThreshold(1e20);
    m_recording.setAxisExtensionStep(interval * 100 * kSecondDays);
    g->chart()->setFocus();
}

void RealTimeController::clearRealTime()
{
    TfrmGraph *g = window();
    if (!g || m_recording.running())
        return;
    if (m_main.dialogs().question(g, "Enregistrer le graphique Temps-Réel ?", Dialogs::Yes | Dialogs::No) == Dialogs::Yes) {
        if (!g->saveChart())
            return; // nothing is cleared that was not saved
    }
    g->chart()->undoZoom();
    g->undoZoomButton()->setEnabled(false);
    emptyChart(*g);
}

void RealTimeController::attachWindow(QWidget *window)
{
    auto *g = qobject_cast<TfrmGraph *>(window);
    if (!g)
        return;
    // Only the user's choice in a box changes the interval, not the program's own settings.
    connect(g->minutesBox(), &QComboBox::activated, this, &RealTimeController::changeInterval);
    connect(g->secondsBox(), &QComboBox::activated, this, &RealTimeController::changeInterval);
    connect(g, &TfrmGraph::clearClicked, this, &RealTimeController::clearRealTime);
}

void installRealTimeRecording(TfrmMain &main)
{
    auto *rt = new RealTimeController(main);
    for (const char *name : {"btnRun", "Run1"}) {
        if (auto *b = main.findChild<QToolButton *>(name))
            QObject::connect(b, &QToolButton::clicked, rt, &RealTimeController::run);
        else if (auto *a = main.findChild<QAction *>(name))
            QObject::connect(a, &QAction::triggered, rt, &RealTimeController::run);
    }
    for (const char *name : {"btnStop", "Stop1"}) {
        if (auto *b = main.findChild<QToolButton *>(name))
            QObject::connect(b, &QToolButton::clicked, rt, &RealTimeController::stop);
        else if (auto *a = main.findChild<QAction *>(name))
            QObject::connect(a, &QAction::triggered, rt, &RealTimeController::stop);
    }
    main.realTimeRunning = [rt] { return rt->recording().running(); };
    main.endRealTimeRecording = [rt] { rt->recording().forget(); };
    MeterSession &session = main.session();
    session.recordingRunning = [rt] { return rt->recording().running(); };
    session.takeSample = [rt, &main](const LiveSample &s) {
        if (!rt->appendSample(s))
            return false;
        main.unsavedRealTime = true;
        return true;
    };
}

} // namespace qx
