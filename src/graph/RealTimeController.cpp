#include "RealTimeController.h"

#include "TfrmSetupRealTime.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"
#include "ui/Commands.h"
#include "ui/Dialogs.h"
#include "ui/WindowContext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>

namespace qx {

namespace {

// The recording's questions and messages, as the program shows them.
namespace text {
const QString runQuestion = QStringLiteral("Il y a déjà des données graphique en Temps-Réel, vous devez réinitialiser le gaph\n"
                                           "Voulez-vous sauvegarder le graphique en Temps-Réel ?");
const QString intervalQuestion =
    QStringLiteral("La fréquence d'échantillonnage a été changé alors qu'un enregistrement en temps réél est en cours."
                   "Si vous voulez changer de fréquence d'échantillonnage, vous devez relancer l'affichage du graphique.\n"
                   "Voulez-vous sauvegarder le graphique en Temps-Réel ?");
const QString saveQuestion = QStringLiteral("Enregistrer le graphique Temps-Réel ?");
QString invalidCount(const QString &typed) { return typed + QStringLiteral(" n'est pas valide.\n"); }
} // namespace text

} // namespace

RealTimeController::RealTimeController(WindowContext &context, QObject *parent) : QObject(parent), m_context(context)
{
    setObjectName("RealTimeRecording");
    connect(&m_context.session, &MeterSession::liveSample, this, &RealTimeController::appendSample);
    connect(&m_context.session, &MeterSession::connectionChanged, this, &RealTimeController::onConnectionChanged);
}

TfrmGraph *RealTimeController::createWindow()
{
    TfrmGraph *g = createRealTimeWindow(m_context);
    m_window = g;
    g->setOwner(this);
    // Only the user's choice in a box changes the interval, not the program's own settings.
    connect(g->minutesBox(), &QComboBox::activated, this, &RealTimeController::changeInterval);
    connect(g->secondsBox(), &QComboBox::activated, this, &RealTimeController::changeInterval);
    connect(g, &TfrmGraph::clearClicked, this, &RealTimeController::clearRealTime);
    connect(g, &TfrmGraph::closed, this, &RealTimeController::onWindowClosed);
    if (m_context.session.connected())
        g->clearButton()->setEnabled(!m_recording.running());
    return g;
}

void RealTimeController::setRunning(bool running)
{
    m_recording.setRunning(running);
    m_context.session.setSampling(running);
    m_context.commands.setRecording(running);
}

void RealTimeController::onConnectionChanged(bool connected)
{
    if (connected && m_window)
        m_window->clearButton()->setEnabled(!m_recording.running());
}

void RealTimeController::onWindowClosed()
{
    // The recording ends with its window; its samples are forgotten.
    m_recording.forget();
    m_context.session.setSampling(false);
    m_context.commands.realTimeWindowClosed();
}

bool RealTimeController::graphCloseQuery(TfrmGraph &g)
{
    if (!m_recording.unsaved())
        return true;
    switch (m_context.dialogs.question(&g, text::saveQuestion, Dialogs::Yes | Dialogs::No | Dialogs::Cancel)) {
    case Dialogs::Yes:
        if (!g.saveChart())
            return false;
        m_recording.setUnsaved(false);
        return true;
    case Dialogs::No:
        m_recording.setUnsaved(false);
        return true;
    default:
        return false;
    }
}
bool RealTimeController::saveBeforeGoingOn(TfrmGraph &g, const QString &question)
{
    const int buttons = Dialogs::Yes | Dialogs::No | Dialogs::Cancel;
    switch (m_context.dialogs.question(&g, question, buttons)) {
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
    if (!m_context.session.connected())
        return;
    TfrmGraph *g = window();
    if (g) {
        restoreChild(g);
        if ((m_recording.running() || m_recording.recordedCount() != 0) && !saveBeforeGoingOn(*g, text::runQuestion))
            return;
    } else {
        emit windowWanted();
        if (!(g = window()))
            return;
    }

    TfrmSetupRealTime setup(g->minutesBox()->currentIndex(), g->secondsBox()->currentIndex(), g);
    if (m_context.dialogs.execDialog(setup) != QDialog::Accepted)
        return;
    const QString typed = setup.countEdit()->text();
    {
        const QSignalBlocker b1(g->minutesBox()), b2(g->secondsBox());
        g->minutesBox()->setCurrentIndex(setup.minutesBox()->currentIndex());
        g->secondsBox()->setCurrentIndex(setup.secondsBox()->currentIndex());
    }
    const std::optional<int> count = parseSampleCount(typed);
    if (!count) {
        m_context.dialogs.message(g, text::invalidCount(typed));
        return;
    }
    const int interval = g->minutesBox()->currentIndex() * 60 + g->secondsBox()->currentIndex();
    if (interval <= 0)
        return;
    m_context.session.setRealTimeRate(interval);

    const double start = toDayCount(m_context.session.clock().now());
    m_recording.start(g->model(), *count, start);
    g->clearStatisticFields();
    g->startTimeField()->setText(dateTimeText(start));
    g->dataNoField()->setText("0");
    g->chart()->redraw();
    g->clearButton()->setEnabled(false);
    setRunning(true);
}

void RealTimeController::stop() { finishStop(true); }

void RealTimeController::finishStop(bool waitForPoll)
{
    // From the poll tick itself there is nothing to wait for; elsewhere a tick in progress
    // ends within one dispatch, so the bound only guards against a stuck link.
    if (waitForPoll) {
        Clock &clock = m_context.session.clock();
        const qint64 until = clock.tickMs() + kStopWaitLimitMs;
        while (m_context.session.gate().pollInProgress() && clock.tickMs() < until)
            clock.pumpWait(5);
    }
    setRunning(false);
    TfrmGraph *g = window();
    if (!g)
        return;
    restoreChild(g);
    g->clearButton()->setEnabled(true);
    const std::array<QString, 4> averages =
        m_recording.finish(g->model(), toDayCount(m_context.session.clock().now()));
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
    m_recording.setUnsaved(true);
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
    m_context.annotations.counter = kFirstAnnotationCounter;
    g.chart()->redraw();
}

void RealTimeController::changeInterval()
{
    TfrmGraph *g = window();
    if (!g)
        return;
    int interval = g->minutesBox()->currentIndex() * 60 + g->secondsBox()->currentIndex();
    if (interval == m_context.session.realTimeRate())
        return;
    if (interval <= 0) {
        const QSignalBlocker b1(g->minutesBox()), b2(g->secondsBox());
        g->minutesBox()->setCurrentIndex(0);
        g->secondsBox()->setCurrentIndex(2);
        interval = 2;
    }
    m_context.session.setRealTimeRate(interval);
    // Cancel (or a save that did not happen) lets a running recording go on at the new rate.
    if ((m_recording.running() || m_recording.recordedCount() != 0) && !saveBeforeGoingOn(*g, text::intervalQuestion))
        return;
    setRunning(false);
    g->clearButton()->setEnabled(true);
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
    if (m_context.dialogs.question(g, "Enregistrer le graphique Temps-Réel ?", Dialogs::Yes | Dialogs::No) == Dialogs::Yes) {
        if (!g->saveChart())
            return; // nothing is cleared that was not saved
    }
    g->chart()->undoZoom();
    g->undoZoomButton()->setEnabled(false);
    emptyChart(*g);
}

} // namespace qx
