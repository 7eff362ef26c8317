#include "TfrmGraph.h"

#include "BgrColor.h"
#include "ChartFile.h"
#include "ChartSetup.h"
#include "GraphDialogs.h"
#include "ScaleInput.h"
#include "meter/DayCount.h"
#include "meter/Formats.h"
#include "meter/MeterSession.h"
#include "ui/Dialogs.h"
#include "ui/WindowContext.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qx {

namespace {

// The window's own texts, as the program shows them.
namespace text {
const QString dataSets = QStringLiteral("Ensemble de données");
const QString deleteHint = QStringLiteral("Double click to delete.");
const QString statsHint = QStringLiteral("Afficher graph statistiques");
const QString linesHint = QStringLiteral("Afficher la ligne curseur statistique");
const QString normalHint = QStringLiteral("Curseur normal");
const QString crossHint = QStringLiteral("Dessiner une croix sur le graphique ");
const QString textHint = QStringLiteral("Texte");
const QString colorHint = QStringLiteral("Régler Annotation Couleur");
const QString clear = QStringLiteral("Effacer");
const QString undoZoom = QStringLiteral("Dézoomer");
const QString split = QStringLiteral("Séparer");
const QString optionGraph = QStringLiteral("Option Graph");
const QString optionGraphHint = QStringLiteral("Paramétrage graph");
const QString scale = QStringLiteral("Axe Y");
const QString scaleHint = QStringLiteral("Fixer le maximum et le minimum de l'axe Y.");
const QString font = QStringLiteral("Font");
const QString startTime = QStringLiteral("Heure de départ");
const QString sampling = QStringLiteral("Echantillonnage");
const QString rate = QStringLiteral("Taux");
const QString dataNo = QStringLiteral("Nmbre de données");
const QString showStatistics = QStringLiteral("Afficher les données MIN/MAX/MOY");
const QString saveChangesQuestion = QStringLiteral("Voulez-vous sauvegarder les modifications ?");
const QString invalidSuffix = QStringLiteral(" Est invalide.");
} // namespace text

struct GridColumn {
    const char *heading;
    int width;
};
constexpr GridColumn kGridColumns[] = {{"Set", 25},      {"DATE", 60},     {"TEMPS", 60},     {"Echantillonnage", 65},
                                       {"Nums", 40},     {"Unité", 40},    {"Couple", 40},    {"T1 Offset", 60},
                                       {"T2 Offset", 60}, {"T3 Offset", 60}, {"T4 Offset", 60}};

constexpr int kDataSetPanelWidth = 346;
constexpr int kReadoutWidth = 167;
constexpr int kReadoutHeight = 21;

QLineEdit *readOnlyField(QWidget *parent, const QString &name, const QString &text, int width)
{
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    if (width > 0)
        e->setFixedWidth(width);
    return e;
}

QComboBox *intervalBox(QWidget *parent, const char *name, int initial)
{
    auto *b = new QComboBox(parent);
    b->setObjectName(name);
    for (int i = 0; i <= 60; ++i)
        b->addItem(twoDigitItem(i));
    b->setCurrentIndex(initial);
    return b;
}

QToolButton *toolButton(QToolBar *bar, const char *name, const QString &text, const QString &hint, bool checkable)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

} // namespace

TfrmGraph::TfrmGraph(WindowContext &context, GraphKind kind, const QString &caption)
    : m_context(context), m_kind(kind)
{
    setObjectName("frmGraph");
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose, false); // the MDI frame around it frees it
    buildLayout();
    m_chart->setDialogs(&m_context.dialogs);
}

TfrmGraph::~TfrmGraph() = default;

WindowKind TfrmGraph::windowKind() const
{
    switch (m_kind) {
    case GraphKind::RealTime:
        return WindowKind::RealTimeGraph;
    case GraphKind::DataLogger:
        return WindowKind::DataLoggerGraph;
    default:
        return WindowKind::Graph;
    }
}

void TfrmGraph::buildLayout()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_sideSplitter = new QSplitter(Qt::Horizontal, this);
    m_sideSplitter->setObjectName("Splitter1");
    m_sideSplitter->setChildrenCollapsible(false);
    outer->addWidget(m_sideSplitter);

    // The data set list, shown in the data logger window only.
    m_dataSets = new QWidget(m_sideSplitter);
    m_dataSets->setObjectName("pnlDataSets");
    auto *dsLayout = new QVBoxLayout(m_dataSets);
    dsLayout->setContentsMargins(2, 2, 2, 2);
    auto *title = new QLabel(text::dataSets, m_dataSets);
    title->setObjectName("StaticText1");
    dsLayout->addWidget(title);
    m_grid = new QTableWidget(1, int(std::size(kGridColumns)), m_dataSets);
    m_grid->setObjectName("Grid2");
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setMinimumSectionSize(8); // the style's minimum is wider than "Set"
    m_grid->viewport()->setCursor(Qt::PointingHandCursor);
    for (int c = 0; c < int(std::size(kGridColumns)); ++c) {
        m_grid->setHorizontalHeaderItem(c, new QTableWidgetItem(kGridColumns[c].heading));
        m_grid->setColumnWidth(c, kGridColumns[c].width);
        m_grid->setItem(0, c, new QTableWidgetItem());
    }
    connect(m_grid, &QTableWidget::cellClicked, this, [this] { onGridClick(); });
    dsLayout->addWidget(m_grid);
    m_dataSets->setVisible(isDataLogger());

    auto *right = new QWidget(m_sideSplitter);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    buildToolBar(right);
    rightLayout->addWidget(m_toolBar);
    buildGraphStatistic(right);
    rightLayout->addWidget(m_graphStatistic);

    auto *bottomSplitter = new QSplitter(Qt::Vertical, right);
    bottomSplitter->setObjectName("Splitter2");
    m_graphPanel = new QWidget(bottomSplitter);
    m_graphPanel->setObjectName("pnlGraph");
    auto *graphLayout = new QVBoxLayout(m_graphPanel);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    m_chart = new ChartControl(m_graphPanel);
    m_chart->setObjectName("PESGraph1");
    graphLayout->addWidget(m_chart);
    m_readout = new QLabel(m_graphPanel);
    m_readout->setObjectName("Panel12");
    m_readout->setFixedSize(kReadoutWidth, kReadoutHeight);
    m_readout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_readout->setAutoFillBackground(true);
    m_readout->raise();
    m_graphPanel->installEventFilter(this);
    buildStatistic(bottomSplitter);
    bottomSplitter->addWidget(m_graphPanel);
    bottomSplitter->addWidget(m_statistic);
    bottomSplitter->setStretchFactor(0, 1);
    rightLayout->addWidget(bottomSplitter, 1);
    m_sideSplitter->setStretchFactor(0, 0);
    m_sideSplitter->setStretchFactor(1, 1);
    m_sideSplitter->setSizes({kDataSetPanelWidth, 4 * kDataSetPanelWidth});

    connect(m_chart, &ChartControl::zoomedIn, this, [this] { m_undoZoom->setEnabled(true); });
    connect(m_chart, &ChartControl::customizeDialogClosed, this, &TfrmGraph::onCustomizeClosed);
    connect(m_chart, &ChartControl::clicked, this, &TfrmGraph::onChartClick);
    connect(m_chart, &ChartControl::mouseMoved, this, &TfrmGraph::onMouseMove);
    connect(m_chart, &ChartControl::dataHotSpot, this, &TfrmGraph::onDataHotSpot);
    connect(m_chart, &ChartControl::graphHotSpot, this, [this] { m_chart->setToolTip(text::deleteHint); });
    connect(m_chart, &ChartControl::graphAnnotHotSpot, this, &TfrmGraph::onAnnotationHotSpot);
}

void TfrmGraph::buildToolBar(QWidget *host)
{
    m_toolBar = new QToolBar(host);
    m_toolBar->setObjectName("ToolBar1");
    QToolButton *stats = toolButton(m_toolBar, "ToolButton1", "Σ", text::statsHint, true);
    stats->setChecked(true);
    QToolButton *lines = toolButton(m_toolBar, "ToolButton2", "‖", text::linesHint, true);
    lines->setChecked(true);
    m_toolBar->addSeparator()->setObjectName("ToolButton3");
    m_normalTool = toolButton(m_toolBar, "ToolButton4", "↖", text::normalHint, true);
    m_crossTool = toolButton(m_toolBar, "ToolButton5", "✕", text::crossHint, true);
    m_textTool = toolButton(m_toolBar, "ToolButton9", "A", text::textHint, true);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QToolButton *b : {m_normalTool, m_crossTool, m_textTool})
        group->addButton(b);
    m_normalTool->setChecked(true);
    QToolButton *color = toolButton(m_toolBar, "ToolButton15", "◐", text::colorHint, false);
    m_clearSeparator = m_toolBar->addSeparator();
    m_clearSeparator->setObjectName("tbntSep3");
    m_clear = new QToolButton(m_toolBar);
    m_clear->setObjectName("tbntClr");
    m_clear->setText(text::clear);
    m_clear->setToolTip(text::clear);
    m_clearAction = m_toolBar->addWidget(m_clear);
    connect(m_clear, &QToolButton::clicked, this, &TfrmGraph::clearClicked);
    m_clearSeparator->setVisible(false);
    m_clearAction->setVisible(false);
    m_undoZoom = toolButton(m_toolBar, "UndoZoom", text::undoZoom, text::undoZoom, false);
    m_undoZoom->setEnabled(false);
    m_split = new QCheckBox(text::split, m_toolBar);
    m_split->setObjectName("chkSplit");
    m_split->setChecked(true);
    m_toolBar->addWidget(m_split);
    auto *option = new QPushButton(text::optionGraph, m_toolBar);
    option->setObjectName("Button1");
    option->setToolTip(text::optionGraphHint);
    m_toolBar->addWidget(option);
    auto *scale = new QPushButton(text::scale, m_toolBar);
    scale->setObjectName("btnChangeScale");
    scale->setToolTip(text::scaleHint);
    m_toolBar->addWidget(scale);
    auto *font = new QPushButton(text::font, m_toolBar);
    font->setObjectName("Button3");
    m_toolBar->addWidget(font);

    connect(stats, &QToolButton::toggled, this, [this](bool on) {
        m_graphStatistic->setVisible(on);
        placeReadout();
    });
    connect(lines, &QToolButton::toggled, this, [this](bool on) {
        m_statistic->setVisible(on);
        model().setShowVertLines(on);
        m_chart->redraw();
    });
    connect(m_normalTool, &QToolButton::clicked, this, [this] { selectTool(kToolNone); });
    connect(m_crossTool, &QToolButton::clicked, this, [this] { selectTool(kToolCross); });
    connect(m_textTool, &QToolButton::clicked, this, [this] { selectTool(kToolText); });
    connect(color, &QToolButton::clicked, this, &TfrmGraph::chooseAnnotationColor);
    connect(m_undoZoom, &QToolButton::clicked, this, [this] {
        m_chart->undoZoom();
        m_chart->redraw();
        m_undoZoom->setEnabled(false);
    });
    connect(m_split, &QCheckBox::clicked, this, [this](bool on) { setSplit(on); });
    connect(option, &QPushButton::clicked, this, &TfrmGraph::optionGraph);
    connect(scale, &QPushButton::clicked, this, &TfrmGraph::changeScale);
    connect(font, &QPushButton::clicked, this, &TfrmGraph::chooseFont);
}

void TfrmGraph::buildGraphStatistic(QWidget *host)
{
    m_graphStatistic = new QWidget(host);
    m_graphStatistic->setObjectName("pnlGraphStatistic");
    m_graphStatistic->setFont(QFont("Tahoma"));
    auto *l = new QHBoxLayout(m_graphStatistic);
    l->setContentsMargins(4, 2, 4, 2);
    l->addWidget(new QLabel(text::startTime, m_graphStatistic));
    l->addWidget(readOnlyField(m_graphStatistic, "txtStartTime", QString(), 150));
    auto *rateLabels = new QVBoxLayout;
    rateLabels->setSpacing(0);
    rateLabels->addWidget(new QLabel(text::sampling, m_graphStatistic));
    rateLabels->addWidget(new QLabel(text::rate, m_graphStatistic));
    l->addLayout(rateLabels);
    auto *rate = new QWidget(m_graphStatistic);
    m_samplingRate = rate;
    rate->setObjectName("pnlSamplingRate");
    auto *rl = new QHBoxLayout(rate);
    rl->setContentsMargins(0, 0, 0, 0);
    m_minutes = intervalBox(rate, "ComboBox1", 0);
    m_seconds = intervalBox(rate, "ComboBox2", 2);
    rl->addWidget(m_minutes);
    rl->addWidget(m_seconds);
    rl->addWidget(new QLabel("mm:ss", rate));
    rate->setEnabled(false); // the real-time window enables it
    for (QComboBox *box : {m_minutes, m_seconds})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrmGraph::samplingIntervalChanged);
    l->addWidget(rate);
    l->addWidget(new QLabel(text::dataNo, m_graphStatistic));
    l->addWidget(readOnlyField(m_graphStatistic, "txtDataNo", "0", 70));
    auto *show = new QPushButton(text::showStatistics, m_graphStatistic);
    show->setObjectName("Button2");
    connect(show, &QPushButton::clicked, this, &TfrmGraph::annotateStatistics);
    l->addWidget(show);
    l->addStretch(1);
}

void TfrmGraph::buildStatistic(QWidget *host)
{
    m_statistic = new QWidget(host);
    m_statistic->setObjectName("pnlStatistic");
    m_statistic->setFixedHeight(130);
    m_statistic->setFont(QFont("Tahoma"));
    auto *g = new QGridLayout(m_statistic);
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(2);
    for (int ch = 1; ch <= 4; ++ch) {
        const int r = ch - 1;
        g->addWidget(new QLabel(QString("T%1 MAX").arg(ch), m_statistic), r, 0);
        g->addWidget(readOnlyField(m_statistic, QString("txtT%1Max").arg(ch), "***.* ", 0), r, 1);
        g->addWidget(new QLabel("MIN", m_statistic), r, 2);
        g->addWidget(readOnlyField(m_statistic, QString("txtT%1Min").arg(ch), "***.* ", 0), r, 3);
        g->addWidget(new QLabel("MOY", m_statistic), r, 4);
        g->addWidget(readOnlyField(m_statistic, QString("txtT%1Avg").arg(ch), "***.* ", 0), r, 5);
    }
    g->setColumnStretch(1, 3);
    g->setColumnStretch(3, 3);
    g->setColumnStretch(5, 2);
}

void TfrmGraph::setClearVisible(bool shown)
{
    m_clearSeparator->setVisible(shown);
    m_clearAction->setVisible(shown);
}

QLineEdit *TfrmGraph::field(const QString &name) const { return findChild<QLineEdit *>(name); }

void TfrmGraph::clearStatisticFields()
{
    for (int ch = 1; ch <= 4; ++ch)
        for (const char *kind : {"Max", "Min", "Avg"})
            field(QStringLiteral("txtT%1%2").arg(ch).arg(kind))->clear();
}

void TfrmGraph::placeReadout()
{
    const QPoint corner = m_chart->mapTo(m_graphPanel, QPoint(0, 0));
    m_readout->move(corner);
    m_readout->raise();
}

bool TfrmGraph::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_graphPanel && event->type() == QEvent::Resize)
        placeReadout();
    return QWidget::eventFilter(watched, event);
}

bool TfrmGraph::initChart(int seriesCount, double maxY, double minY, double maxX, double minX, int pointCount)
{
    const QString templatePath = chartTemplatePath(m_context.folders.programFolder());
    const ChartPreparation prep =
        prepareChart(model(), templatePath, seriesCount, maxY, minY, maxX, minX, pointCount,
                     [&] { m_context.dialogs.message(this, missingTemplateMessage(templatePath)); });
    if (prep.templateFailed) {
        m_context.dialogs.message(this, prep.error);
        return false;
    }
    m_chart->reinitialize();
    return true;
}

void TfrmGraph::followSplitState()
{
    const bool split = chartIsSplit(model());
    m_split->setChecked(split);
    m_crossTool->setEnabled(!split);
    m_textTool->setEnabled(!split);
}

bool TfrmGraph::storeChartFile(const QString &path)
{
    QString error;
    if (qx::storeChartFile(model(), path, &error))
        return true;
    m_context.dialogs.message(this, error);
    return false;
}

bool TfrmGraph::loadChartFile(const QString &path)
{
    QString error;
    if (!qx::loadChartFile(model(), path, &error)) {
        m_context.dialogs.message(this, error);
        return false;
    }
    m_chart->undoZoom();
    m_undoZoom->setEnabled(false);
    m_chart->reinitialize();
    return true;
}

void TfrmGraph::storeTemplate()
{
    const QString path = chartTemplatePath(m_context.folders.programFolder());
    QDir().mkpath(QFileInfo(path).path());
    storeChartFile(path);
}

void TfrmGraph::showInterval(int seconds)
{
    const QSignalBlocker b1(m_minutes), b2(m_seconds);
    // An index without an item leaves the box empty.
    const auto select = [](QComboBox *box, int index) { box->setCurrentIndex(index < box->count() ? index : -1); };
    select(m_minutes, std::max(seconds, 0) / 60);
    select(m_seconds, std::max(seconds, 0) % 60);
}

void TfrmGraph::setSplit(bool split)
{
    setChartSplit(model(), split);
    m_crossTool->setEnabled(!split);
    m_textTool->setEnabled(!split);
    if (split) {
        m_chart->setCursorShape(kCursorArrow);
        selectTool(kToolNone);
    }
    m_chart->redraw();
    m_chart->reinitialize();
}

void TfrmGraph::selectTool(int tool)
{
    m_context.annotations.tool = tool;
    switch (tool) {
    case kToolCross:
        m_chart->setCursor(QCursor(QPixmap(":/CROSS"), 0, 0));
        m_crossTool->setChecked(true);
        break;
    case kToolText:
        m_chart->setCursorShape(kCursorText);
        m_textTool->setChecked(true);
        break;
    default:
        m_chart->setCursorShape(kCursorArrow);
        m_normalTool->setChecked(true);
        break;
    }
}

void TfrmGraph::showStatistics()
{
    const GraphStatistics st = computeStatistics(model());
    startTimeField()->setText(dateTimeText(st.first));
    showInterval(st.intervalSeconds); // fewer than two points: "00" and "00"
    dataNoField()->setText(QString::number(st.pointCount));
    for (int ch = 1; ch <= 4; ++ch) {
        const ChannelStatistics &c = st.channel[std::size_t(ch - 1)];
        maxField(ch)->setText(extremeText(c.maximum, c.maximumTime));
        minField(ch)->setText(extremeText(c.minimum, c.minimumTime));
        avgField(ch)->setText(averageText(c, 1));
    }
}

void TfrmGraph::annotateStatistics()
{
    const QRect r = m_chart->plotRect();
    const int x = r.left() + 80;
    int y = r.top() + 20;
    ChartModel &m = model();
    const int color = m_context.settings.annoColor;
    for (int ch = 1; ch <= 4; ++ch) {
        const QPointF v = m_chart->pixelToValue(0, x, y);
        const int n = takeAnnotationNumber(m_context.annotations.counter, m);
        m.setAnnotationType(n, kAnnotationText);
        m.setAnnotationX(n, v.x());
        m.setAnnotationY(n, v.y());
        m.setAnnotationColor(n, color);
        m.setAnnotationText(n, QString("T%1 MAX:").arg(ch) + maxField(ch)->text() + "MIN:" + minField(ch)->text()
                                   + "MOY:" + avgField(ch)->text());
        y += 20;
    }
    m_chart->redraw();
}

void TfrmGraph::onMouseMove()
{
    const QPoint p = m_chart->mousePosition();
    const QRect r = m_chart->plotRect();
    const QPointF v = m_chart->pixelToValue(0, p.x(), p.y());
    if (p.x() >= r.left() && p.x() <= r.right() && p.y() >= r.top() && p.y() <= r.bottom())
        m_readout->setText(fixedText(v.y(), 1) + '@' + timeText(v.x()));
}

void TfrmGraph::onDataHotSpot(bool, int series, int point)
{
    ChartModel &m = model();
    const double x = m.getX(series, point);
    const double y = m.getY(series, point);
    m.setAnnotationType(kDataPointReadoutSlot, kAnnotationCross);
    m.setAnnotationColor(kDataPointReadoutSlot, 0);
    m.setAnnotationX(kDataPointReadoutSlot, x);
    m.setAnnotationY(kDataPointReadoutSlot, y);
    m.setAnnotationText(kDataPointReadoutSlot, timeText(x) + QChar(13) + fixedText(y, 1));
    m_chart->redraw();
}

void TfrmGraph::onChartClick()
{
    const int tool = m_context.annotations.tool;
    if (tool == kToolNone)
        return;
    QPoint p = m_chart->mousePosition();
    p += tool == kToolText ? QPoint(1, 7) : QPoint(15, 15); // under the drawn cursor's mark
    const QRect r = m_chart->plotRect();
    if (p.x() < r.left() || p.x() > r.right() || p.y() < r.top() || p.y() > r.bottom())
        return;
    const QPointF v = m_chart->pixelToValue(0, p.x(), p.y());
    ChartModel &m = model();
    const int color = m_context.settings.annoColor;
    if (tool == kToolCross) {
        const int n = takeAnnotationNumber(m_context.annotations.counter, m);
        m.setAnnotationType(n, kAnnotationCross);
        m.setAnnotationX(n, v.x());
        m.setAnnotationY(n, v.y());
        m.setAnnotationColor(n, color);
        m.setAnnotationText(n, QString());
    } else {
        TfrmAnnoEdit edit(this);
        if (m_context.dialogs.execDialog(edit) != QDialog::Accepted)
            return;
        const int n = takeAnnotationNumber(m_context.annotations.counter, m);
        m.setAnnotationType(n, kAnnotationText);
        m.setAnnotationX(n, v.x());
        m.setAnnotationY(n, v.y());
        m.setAnnotationText(n, edit.edit()->text());
        m.setAnnotationColor(n, color);
    }
    m_chart->redraw();
}

void TfrmGraph::onAnnotationHotSpot(bool doubleClick, int slot)
{
    if (!doubleClick)
        return;
    // Nothing of it is drawn any more; its number is not handed out again.
    model().setAnnotationType(slot, kAnnotationText);
    model().setAnnotationText(slot, QString());
    m_chart->redraw();
}

void TfrmGraph::chooseAnnotationColor()
{
    const std::optional<QColor> c = m_context.dialogs.color(this, colorFromBgr(m_context.settings.annoColor));
    if (!c)
        return;
    const int bgr = bgrFromColor(*c);
    for (int slot = 0; slot <= m_context.annotations.counter; ++slot)
        model().setAnnotationColor(slot, bgr);
    m_context.settings.annoColor = bgr;
    m_chart->redraw();
}

void TfrmGraph::optionGraph()
{
    ChartModel &m = model();
    const double minX = m.getMinX();
    const double maxX = m.getMaxX();
    m_chart->customize();
    m.setScaleModeX(kScaleManual);
    m.setMinX(minX);
    m.setMaxX(maxX);
    m.setWorkingAxis(0);
    const float minY = float(m.getMinY());
    const float maxY = float(m.getMaxY());
    for (int i = 0; i < m.seriesCount() && i < kMaxBands; ++i) {
        m.setWorkingAxis(i);
        m.setScaleModeY(kScaleManual);
        m.setMinY(minY);
        m.setMaxY(maxY);
    }
    m.setWorkingAxis(0);
    m_chart->undoZoom();
    m_undoZoom->setEnabled(false);
    m_chart->redraw();
}

void TfrmGraph::onCustomizeClosed()
{
    if (m_chart->customizeResult() != 1)
        return;
    if (m_context.dialogs.question(this, text::saveChangesQuestion, Dialogs::Yes | Dialogs::No)
        == Dialogs::Yes)
        storeTemplate();
}

void TfrmGraph::changeScale()
{
    ChartModel &m = model();
    TfrmSetupScale dialog(this);
    for (int i = 0; i < 4; ++i) {
        m.setWorkingAxis(i);
        dialog.minEdit(i)->setText(QString::number(scaleFieldValue(m.getMinY())));
        dialog.maxEdit(i)->setText(QString::number(scaleFieldValue(m.getMaxY())));
    }
    m.setWorkingAxis(0);
    if (m_context.dialogs.execDialog(dialog) != QDialog::Accepted)
        return;
    std::array<QString, 4> mins, maxs;
    for (int i = 0; i < 4; ++i) {
        mins[std::size_t(i)] = dialog.minEdit(i)->text();
        maxs[std::size_t(i)] = dialog.maxEdit(i)->text();
    }
    QString invalid;
    const std::optional<ScaleLimits> limits = parseScaleFields(mins, maxs, &invalid);
    if (!limits) {
        m_context.dialogs.message(this, invalid + text::invalidSuffix);
        return;
    }
    for (int i = 0; i < 4; ++i) {
        m.setWorkingAxis(i);
        m.setMinY(limits->minimum[std::size_t(i)]);
        m.setMaxY(limits->maximum[std::size_t(i)]);
    }
    m.setWorkingAxis(0);
    m_chart->redraw();
    if (dialog.saveBox()->isChecked())
        storeTemplate();
}

void TfrmGraph::chooseFont()
{
    const std::optional<QFont> f = m_context.dialogs.font(this, m_statistic->font());
    if (!f)
        return;
    m_statistic->setFont(*f);
    m_graphStatistic->setFont(*f);
}

void TfrmGraph::onGridClick()
{
    const QList<QTableWidgetSelectionRange> ranges = m_grid->selectedRanges();
    int row = ranges.isEmpty() ? m_grid->currentRow() : ranges.first().topRow();
    for (const QTableWidgetSelectionRange &r : ranges)
        row = std::min(row, r.topRow());
    const QTableWidgetItem *date = row >= 0 ? m_grid->item(row, 1) : nullptr;
    if (date && !date->text().isEmpty())
        emit dataSetClicked(row);
}

bool TfrmGraph::saveChart()
{
    if (!m_context.files.saveGraphAs(this, model()))
        return false;
    emit saved();
    return true;
}

bool TfrmGraph::closeQuery() { return m_owner ? m_owner->graphCloseQuery(*this) : true; }

void TfrmGraph::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_chart->setCursorShape(kCursorArrow);
    selectTool(kToolNone);
    placeReadout();
}

void TfrmGraph::closeEvent(QCloseEvent *event)
{
    if (!closeAgreed() && !closeQuery()) {
        event->ignore();
        return;
    }
    setCloseAgreed(false);
    event->accept();
    emit closed();
}

TfrmGraph *createGraphWindow(WindowContext &context, GraphKind kind, const QString &caption)
{
    auto *graph = new TfrmGraph(context, kind, caption);
    QMdiSubWindow *sub = context.host.addChild(graph);
    sub->setWindowTitle(caption);
    sub->resize(900, 600);
    sub->show();
    return graph;
}

TfrmGraph *createRealTimeWindow(WindowContext &context)
{
    TfrmGraph *g = createGraphWindow(context, GraphKind::RealTime, kRealTimeCaption);
    if (QMdiSubWindow *sub = childFrame(g))
        sub->move(sub->x(), 0);
    g->setClearVisible(true);
    const double now = toDayCount(context.session.clock().now());
    // The window stays, unprepared, when the template cannot be read.
    if (!g->initChart(4, 50, -10, now + 110.0 / 86400.0, now, 100))
        return g;
    g->followSplitState();
    ChartOptions &o = g->model().options();
    o.noRandomPointsToExport = true;
    o.focalRect = false;
    o.allowBar = false;
    g->model().setLineGapThreshold(1e20);
    g->samplingRatePanel()->setEnabled(true);
    g->showInterval(context.session.realTimeRate());
    g->chart()->redraw();
    return g;
}

} // namespace qx
