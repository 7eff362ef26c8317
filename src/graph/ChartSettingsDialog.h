#pragma once
// The chart's own settings dialog: titles, colours, series, font and axes, each page shown
// only when the chart's options allow it. It works on copies of the values; apply() writes
// back only what the user changed, so OK without edits leaves the chart exactly as it was.
#include "ChartModel.h"

#include <QDialog>
#include <QFont>

#include <array>
#include <vector>

class QAbstractSpinBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace qx {

class Dialogs;

class ChartSettingsDialog : public QDialog {
    Q_OBJECT
public:
    enum Page { TitlesPage, ColorsPage, SeriesPage, FontPage, AxisPage };
    enum ColorRole { ForeColor, BackColor, DeskColor, TextColor };

    // `dialogs` asks for colours and fonts; it must outlive the dialog.
    ChartSettingsDialog(const ChartModel &model, Dialogs &dialogs, QWidget *parent = nullptr);

    bool hasPage(Page page) const;
    // Writes the fields of the pages shown into `model`.
    void apply(ChartModel &model) const;

    // The colours and the font chosen so far (what the buttons set).
    void setChartColor(ColorRole role, int bgr);
    int chartColor(ColorRole role) const { return m_colors[std::size_t(role)]; }
    void setSeriesColor(int series, int bgr);
    int seriesColor(int series) const;
    void setFontDescription(const QString &font);
    const QString &fontDescription() const { return m_font; }

private:
    struct Edited {
        QString initial;
        QLineEdit *edit = nullptr;
    };
    struct BandFields {
        QComboBox *mode = nullptr;
        QDoubleSpinBox *minY = nullptr;
        QDoubleSpinBox *maxY = nullptr;
        QDoubleSpinBox *share = nullptr;
        int initialMode = 0;
        double initialMin = 0, initialMax = 0, initialShare = 0;
    };

    void buildTitles(const ChartModel &m);
    void buildColors();
    void buildSeries(const ChartModel &m);
    void buildFont();
    void buildAxis(const ChartModel &m);
    QPushButton *colorButton(const QString &name, int bgr);
    void paintButton(QPushButton *button, int bgr);
    void chooseColor(QPushButton *button, int &bgr);
    QWidget *xLimitField(const QString &name, double value);
    double xLimitValue(QWidget *field) const;

    Dialogs &m_dialogs;
    QTabWidget *m_tabs = nullptr;
    std::array<bool, 5> m_pages{};
    int m_bandCount = 1;
    int m_seriesCount = 1;
    bool m_dateX = false;

    Edited m_mainTitle, m_subTitle, m_xLabel;
    std::vector<Edited> m_yLabels;

    std::array<int, 4> m_colors{};
    std::array<int, 4> m_initialColors{};
    std::array<QPushButton *, 4> m_colorButtons{};

    std::vector<Edited> m_seriesLabels;
    std::vector<int> m_seriesColors, m_initialSeriesColors;
    std::vector<QPushButton *> m_seriesButtons;

    QString m_font, m_initialFont;
    QLabel *m_fontLabel = nullptr;

    QComboBox *m_modeX = nullptr;
    QWidget *m_minX = nullptr;
    QWidget *m_maxX = nullptr;
    int m_initialModeX = 0;
    double m_initialMinX = 0, m_initialMaxX = 0;
    std::vector<BandFields> m_bands;
};

} // namespace qx
