#pragma once
// The window around a chart: the data set list (data logger window), the tool bar, the
// statistics strips, the readout under the mouse and the annotation tools.
#include "ChartControl.h"
#include "GraphStatistics.h"

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

class TfrmMain;

inline const QString kRealTimeCaption = QStringLiteral("Real-Time Graph");
inline const QString kDataLoggerCaption = QStringLiteral("DataLogger");

enum AnnotationTool : int { kToolNone = 0, kToolText = 1, kToolCross = 2 };

class TfrmGraph : public QWidget {
    Q_OBJECT
public:
    TfrmGraph(TfrmMain &main, const QString &caption);
    ~TfrmGraph() override;

    TfrmMain &mainWindow() { return m_main; }
    ChartControl *chart() const { return m_chart; }
    ChartModel &model() { return m_chart->model(); }
    // The kind is known by the caption.
    bool isRealTime() const { return windowTitle() == kRealTimeCaption; }
    bool isDataLogger() const { return windowTitle() == kDataLoggerCaption; }

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
    // The clear button and its divider, offered in the real-time window only.
    void setClearVisible(bool shown);

    // The graph save of this window's chart (the main window's, else a ".ghf" file);
    // false when nothing was saved.
    bool saveChart();

    // Asked by the main window before it closes; also runs on the window's own close.
    Q_INVOKABLE bool closeQuery();

signals:
    // A click on a row of the data set list whose date is filled in.
    void dataSetClicked(int index);
    // The user chose another item in ComboBox1 or ComboBox2.
    void samplingIntervalChanged();
    // tbntClr "Effacer" clicked.
    void clearClicked();

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

    TfrmMain &m_main;
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
    QAction *m_clearSeparator = nullptr;
    QAction *m_clearAction = nullptr;
};

// The real-time window, created and prepared (the main window's hook).
QWidget *createRealTimeWindow(TfrmMain &main);
// A graph window of any kind in the main window's MDI area.
TfrmGraph *createGraphWindow(TfrmMain &main, const QString &caption);
// The graph save until the files' own save fills TfrmMain::saveGraphAs: a ".ghf" file the
// user names; false when nothing was saved (cancelled or failed).
bool saveGraphFile(TfrmMain &main, TfrmGraph &graph);

} // namespace qx
