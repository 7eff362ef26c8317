#include "RealTimeController.h"

#include "TfrmSetupRealTime.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"
#include "ui/Commands.h"
#include "ui/Dialogs.h"
#include "ui/WindowContext.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
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
QString interrupted(int count, double start)
{
    return QStringLiteral("Un enregistrement Temps-Réel interrompu a été trouvé (%1 données, début %2). Le restaurer ?")
        .arg(count)
        .arg(dateTimeText(start));
}
const QString deleteInterrupted =
    QStringLiteral("Supprimer l'enregistrement Temps-Réel interrompu ? Il ne pourra plus être restauré.");
QString damaged(const QString &file, const QString &why, const QString &aside)
{
    return QStringLiteral("L'enregistrement Temps-Réel interrompu %1 est illisible (%2). Il a été gardé sous le nom %3.")
        .arg(file, why, aside);
}
const QString noJournalFolder =
    QStringLiteral("Enregistrement sans journal : un autre QX736 tient le dossier de reprise");
QString noJournal(const QString &why) { return QStringLiteral("Enregistrement sans journal : ") + why; }
QString restoredCaption(double start) { return kRealTimeCaption + QStringLiteral(" ") + dateTimeText(start); }
} // namespace text

// The window of a recording brought back from its journal: it asks to be saved when it
// closes, and its journal goes once the user has decided.
class RestoredRecording final : public QObject, public GraphWindowOwner {
public:
    RestoredRecording(TfrmGraph &window, WindowContext &context, QString journal)
        : QObject(&window), m_context(context), m_journal(std::move(journal))
    {
        window.setOwner(this);
        connect(&window, &TfrmGraph::saved, this, [this] {
            m_unsaved = false;
            QFile::remove(m_journal);
        });
    }

    bool graphCloseQuery(TfrmGraph &g) override
    {
        if (!m_unsaved)
            return true;
        switch (m_context.dialogs.question(&g, text::saveQuestion, Dialogs::Yes | Dialogs::No | Dialogs::Cancel)) {
        case Dialogs::Yes:
            return g.saveChart(); // the journal went with the save
        case Dialogs::No:
            m_unsaved = false;
            QFile::remove(m_journal);
            return true;
        default:
            return false;
        }
    }

private:
    WindowContext &m_context;
    QString m_journal;
    bool m_unsaved = true;
};

} // namespace

RealTimeController::RealTimeController(WindowContext &context, JournalFolder *journals, QObject *parent)
    : QObject(parent), m_context(context), m_journals(journals)
{
    setObjectName("RealTimeRecording");
    connect(&m_context.session, &MeterSession::liveSample, this, &RealTimeController::appendSample);
    connect(&m_context.session, &MeterSession::connectionChanged, this, &RealTimeController::onConnectionChanged);
}

RealTimeController::~RealTimeController() = default;

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
    // A finished save of a stopped recording keeps it: its journal is no longer needed.
    connect(g, &TfrmGraph::saved, this, [this] {
        if (!m_recording.running())
            dropJournal();
    });
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
    dropJournal();
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
        dropJournal();
        return true;
    case Dialogs::No:
        m_recording.setUnsaved(false);
        dropJournal();
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
    const QByteArray prepared = m_journals ? g->model().storeState() : QByteArray();
    m_recording.start(g->model(), *count, start);
    beginJournal(prepared, *count);
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
    m_journal.close(); // kept until the user has decided about the samples
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
    if (m_journal.isOpen() && !m_journal.append(sample, m_context.session.clock().tickMs()))
        m_context.host.showStatus(text::noJournal(QStringLiteral("écriture impossible")));
    if (a.planReached)
        finishStop(false);
    return true;
}

void RealTimeController::emptyChart(TfrmGraph &g)
{
    dropJournal();
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

void RealTimeController::beginJournal(const QByteArray &preparedChart, int count)
{
    dropJournal();
    if (!m_journals)
        return;
    if (!m_journals->acquire()) {
        m_context.host.showStatus(text::noJournalFolder);
        return;
    }
    JournalHeader h;
    h.startTime = m_recording.startTime();
    h.interval = quint32(m_context.session.realTimeRate());
    h.plannedCount = quint32(count);
    h.extensionStep = m_recording.axisExtensionStep();
    h.chartState = preparedChart;
    QString error;
    if (!m_journal.begin(m_journals->newJournalPath(h.startTime), h, m_context.session.clock().tickMs(), &error))
        m_context.host.showStatus(text::noJournal(error));
}

void RealTimeController::dropJournal() { m_journal.remove(); }

void RealTimeController::offerInterruptedRecordings()
{
    if (!m_journals || !m_journals->acquire())
        return;
    QWidget *parent = m_context.host.frameWindow();
    for (const QString &path : m_journals->journals()) {
        if (path == m_journal.path())
            continue;
        JournalContent content;
        QString why;
        const JournalRead read = readJournal(path, content, &why);
        if (read == JournalRead::Ok && content.header.chartState.isEmpty())
            why = QStringLiteral("pas de graphique");
        if (read != JournalRead::Ok || !why.isEmpty()) {
            // Never deleted: set aside where the user can still find it.
            const QString aside = m_journals->setAside(path);
            m_context.dialogs.message(parent, text::damaged(QDir::toNativeSeparators(path), why,
                                                            QDir::toNativeSeparators(aside.isEmpty() ? path : aside)));
            continue;
        }
        const Dialogs::Button answer = m_context.dialogs.question(
            parent, text::interrupted(int(content.samples.size()), content.header.startTime), Dialogs::Yes | Dialogs::No);
        if (answer == Dialogs::Yes) {
            if (!restore(path, content, &why)) {
                const QString aside = m_journals->setAside(path);
                m_context.dialogs.message(parent, text::damaged(QDir::toNativeSeparators(path), why,
                                                                QDir::toNativeSeparators(aside.isEmpty() ? path : aside)));
            }
        } else if (m_context.dialogs.question(parent, text::deleteInterrupted, Dialogs::Yes | Dialogs::No)
                   == Dialogs::Yes) {
            QFile::remove(path);
        }
    }
}

bool RealTimeController::restore(const QString &path, const JournalContent &content, QString *error)
{
    ChartModel chart;
    if (!chart.loadState(content.header.chartState, error))
        return false;
    const JournalHeader &h = content.header;
    TfrmGraph *g = createGraphWindow(m_context, GraphKind::Single, text::restoredCaption(h.startTime));
    ChartModel &m = g->model();
    m.loadState(content.header.chartState);
    // The samples land as they did while recording; the count is what arrived, not what
    // was planned, so a journal cannot ask for more memory than its own records.
    RealTimeRecording replay;
    replay.setAxisExtensionStep(h.extensionStep);
    replay.start(m, std::max<int>(int(content.samples.size()), 1), h.startTime);
    for (const LiveSample &s : content.samples)
        replay.append(m, s);
    replay.finish(m, content.samples.empty() ? h.startTime : content.samples.back().time);
    g->followSplitState();
    g->showStatistics();
    g->chart()->reinitialize();
    g->chart()->redraw();
    new RestoredRecording(*g, m_context, path);
    return true;
}

} // namespace qx
