#pragma once
// The window around a chart: the data set list (data logger window), the tool bar, the
// statistics strips, the readout under the mouse and the annotation tools.
#include "AnnotationState.h"
#include "ChartControl.h"
#include "GraphStatistics.h"
#include "ui/WindowHost.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QTableWidget;
class QToolBar;
class QToolButton;
class QAction;

namespace qx {

class TfrmGraph;
struct WindowContext;

inline const QString kRealTimeCaption = QStringLiteral("Real-Time Graph");
inline const QString kDataLoggerCaption = QStringLiteral("DataLogger");

// The three kinds of graph window.
enum class GraphKind {
    RealTime,   // the real-time recording's window
    DataLogger, // the data logger window, with its data set list
    Single,     // one recording: an opened file, a table turned into a graph
};

// Who answers for a graph window when it is asked to close.
class GraphWindowOwner {
public:
    virtual ~GraphWindowOwner() = default;
    // False keeps the window open.
    virtual bool graphCloseQuery(TfrmGraph &window) = 0;
};

class TfrmGraph : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    TfrmGraph(WindowContext &context, GraphKind kind, const QString &caption);
    ~TfrmGraph() override;

    WindowContext &context() { return m_context; }
    ChartControl *chart() const { return m_chart; }
    ChartModel &model() { return m_chart->model(); }
    GraphKind kind() const { return m_kind; }
    bool isRealTime() const { return m_kind == GraphKind::RealTime; }
    bool isDataLogger() const { return m_kind == GraphKind::DataLogger; }
    WindowKind windowKind() const override;
    void setOwner(GraphWindowOwner *owner) { m_owner = owner; }

    // Prepares the chart from the template "template/graph.ghf" in the program's folder,
    // with the defaults and the missing-template message when there is none. A template
    // that cannot be read is reported and the chart is left as it was: false, and the
    // caller goes no further.
    bool initChart(int seriesCount, double maxY, double minY, double maxX, double minX, int pointCount);
    // chkSplit and the cross and text tools follow the chart's split state, without
    // running the split command (after initChart).
    void followSplitState();
    // The chart as a graph file, reported to the user on failure; the chart is drawn
    // anew after a load.
    bool storeChartFile(const QString &path);
    bool loadChartFile(const QString &path);

    // Statistics of the chart into the strips.
    void showStatistics();
    // The statistics as annotations on the chart (Button2).
    void annotateStatistics();
    // The split command (chkSplit clicked).
    void setSplit(bool split);
    // The sampling interval in the two boxes: minutes and seconds items; a value without
    // an item leaves its box empty. Does not raise samplingIntervalChanged.
    void showInterval(int seconds);

    // The strips' fields, by component name or by channel 1 to 4.
    QLineEdit *field(const QString &name) const;
    QLineEdit *startTimeField() const { return field(QStringLiteral("txtStartTime")); }
    QLineEdit *dataNoField() const { return field(QStringLiteral("txtDataNo")); }
    QLineEdit *maxField(int channel) const { return field(QStringLiteral("txtT%1Max").arg(channel)); }
    QLineEdit *minField(int channel) const { return field(QStringLiteral("txtT%1Min").arg(channel)); }
    QLineEdit *avgField(int channel) const { return field(QStringLiteral("txtT%1Avg").arg(channel)); }
    void clearStatisticFields();
    QComboBox *minutesBox() const { return m_minutes; }
    QComboBox *secondsBox() const { return m_seconds; }
    // The data set list: grid row r (below the headings) is data set r.
    QTableWidget *dataSetGrid() const { return m_grid; }
    QWidget *dataSetPanel() const { return m_dataSets; }
    QLabel *readout() const { return m_readout; }
    QToolButton *undoZoomButton() const { return m_undoZoom; }
    QToolButton *clearButton() const { return m_clear; }
    // The interval boxes' panel; only the real-time window enables it.
    QWidget *samplingRatePanel() const { return m_samplingRate; }
    // The clear button and its divider, offered in the real-time window only.
    void setClearVisible(bool shown);

    // The graph save of this window's chart; false when nothing was saved.
    bool saveChart();

    // Asked by the main window before it closes; also runs on the window's own close.
    bool closeQuery() override;

signals:
    // A click on a row of the data set list whose date is filled in.
    void dataSetClicked(int index);
    // The user chose another item in ComboBox1 or ComboBox2.
    void samplingIntervalChanged();
    // tbntClr "Effacer" clicked.
    void clearClicked();
    // The window agreed to close and goes away.
    void closed();
    // saveChart() saved the chart.
    void saved();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildToolBar(QWidget *host);
    void buildGraphStatistic(QWidget *host);
    void buildStatistic(QWidget *host);
    void placeReadout();
    void selectTool(int tool);
    void optionGraph();
    void onCustomizeClosed();
    void changeScale();
    void chooseFont();
    void chooseAnnotationColor();
    void onChartClick();
    void onMouseMove();
    void onDataHotSpot(bool doubleClick, int series, int point);
    void onAnnotationHotSpot(bool doubleClick, int slot);
    void onGridClick();
    void storeTemplate();

    WindowContext &m_context;
    GraphKind m_kind;
    GraphWindowOwner *m_owner = nullptr;
    ChartControl *m_chart = nullptr;
    QSplitter *m_sideSplitter = nullptr;
    QWidget *m_dataSets = nullptr;
    QTableWidget *m_grid = nullptr;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_graphStatistic = nullptr;
    QWidget *m_statistic = nullptr;
    QWidget *m_graphPanel = nullptr;
    QLabel *m_readout = nullptr;
    QComboBox *m_minutes = nullptr;
    QComboBox *m_seconds = nullptr;
    QCheckBox *m_split = nullptr;
    QToolButton *m_undoZoom = nullptr;
    QToolButton *m_crossTool = nullptr;
    QToolButton *m_textTool = nullptr;
    QToolButton *m_normalTool = nullptr;
    QToolButton *m_clear = nullptr;
    QWidget *m_samplingRate = nullptr;
    QAction *m_clearSeparator = nullptr;
    QAction *m_clearAction = nullptr;
};

// A graph window of any kind in the main window's MDI area.
TfrmGraph *createGraphWindow(WindowContext &context, GraphKind kind, const QString &caption);
// The real-time window, created and prepared.
TfrmGraph *createRealTimeWindow(WindowContext &context);

} // namespace qx
