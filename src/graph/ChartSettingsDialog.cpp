#include "ChartSettingsDialog.h"

#include "ui/Dialogs.h"
#include "graph/BgrColor.h"
#include "meter/DayCount.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace qx {

namespace {

QLineEdit *lineEdit(const QString &name, const QString &text)
{
    auto *e = new QLineEdit(text);
    e->setObjectName(name);
    return e;
}

QComboBox *scaleModeBox(const QString &name, int mode)
{
    auto *box = new QComboBox;
    box->setObjectName(name);
    box->addItem(QStringLiteral("Automatique"), int(kScaleAutomatic));
    box->addItem(QStringLiteral("Manuelle"), int(kScaleManual));
    int index = box->findData(mode);
    if (index < 0) { // a mode this dialog does not name is kept as it is
        box->addItem(QStringLiteral("Mode %1").arg(mode), mode);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
    return box;
}

QDoubleSpinBox *valueBox(const QString &name, double value, double lo, double hi, int decimals)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setValue(std::isfinite(value) ? value : 0.0);
    return box;
}

} // namespace

ChartSettingsDialog::ChartSettingsDialog(const ChartModel &model, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("ChartSettingsDialog"));
    setWindowTitle(QStringLiteral("Paramètres du graphique"));
    setModal(true);

    const ChartOptions &o = model.options();
    m_pages = {o.allowPage1, o.allowPage2, o.allowSubsetsPage, o.allowFontPage, o.allowAxisPage};
    m_bandCount = model.bandCount();
    m_seriesCount = model.seriesCount();
    m_dateX = model.dateTimeMode() == 1;

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabsChart"));
    if (hasPage(TitlesPage))
        buildTitles(model);
    if (hasPage(ColorsPage)) {
        const ChartColors &c = model.colors();
        m_colors = m_initialColors = {c.fore, c.back, c.desk, c.text};
        buildColors();
    }
    if (hasPage(SeriesPage))
        buildSeries(model);
    if (hasPage(FontPage)) {
        m_font = m_initialFont = model.fontDescription();
        buildFont();
    }
    if (hasPage(AxisPage))
        buildAxis(model);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    if (m_tabs->count() > 0) {
        layout->addWidget(m_tabs);
    } else {
        delete m_tabs;
        m_tabs = nullptr;
        layout->addWidget(new QLabel(QStringLiteral("Aucun réglage disponible.")));
    }
    layout->addWidget(buttons);
}

bool ChartSettingsDialog::hasPage(Page page) const { return m_pages[std::size_t(page)]; }

// --- pages -------------------------------------------------------------------------------

void ChartSettingsDialog::buildTitles(const ChartModel &m)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageTitles"));
    auto *form = new QFormLayout(page);
    m_mainTitle = {m.mainTitle(), lineEdit(QStringLiteral("edtMainTitle"), m.mainTitle())};
    m_subTitle = {m.subTitle(), lineEdit(QStringLiteral("edtSubTitle"), m.subTitle())};
    m_xLabel = {m.xAxisLabel(), lineEdit(QStringLiteral("edtXAxisLabel"), m.xAxisLabel())};
    form->addRow(QStringLiteral("Titre principal"), m_mainTitle.edit);
    form->addRow(QStringLiteral("Sous-titre"), m_subTitle.edit);
    form->addRow(QStringLiteral("Axe X"), m_xLabel.edit);
    for (int b = 0; b < m_bandCount; ++b) {
        const QString label = m.band(b).label;
        m_yLabels.push_back({label, lineEdit(QStringLiteral("edtYAxisLabel%1").arg(b), label)});
        form->addRow(m_bandCount > 1 ? QStringLiteral("Axe Y %1").arg(b + 1) : QStringLiteral("Axe Y"),
                     m_yLabels.back().edit);
    }
    m_tabs->addTab(page, QStringLiteral("Titres"));
}

void ChartSettingsDialog::buildColors()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageColors"));
    auto *form = new QFormLayout(page);
    const char *names[] = {"btnForeColor", "btnBackColor", "btnDeskColor", "btnTextColor"};
    const char *labels[] = {"Axes et grille", "Fond du graphique", "Fond de la fenêtre", "Textes"};
    for (std::size_t i = 0; i < 4; ++i) {
        QPushButton *b = colorButton(QLatin1String(names[i]), m_colors[i]);
        m_colorButtons[i] = b;
        connect(b, &QPushButton::clicked, this, [this, i] { chooseColor(m_colorButtons[i], m_colors[i]); });
        form->addRow(QString::fromUtf8(labels[i]), b);
    }
    m_tabs->addTab(page, QStringLiteral("Couleurs"));
}

void ChartSettingsDialog::buildSeries(const ChartModel &m)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageSeries"));
    auto *grid = new QGridLayout(page);
    for (int s = 0; s < m_seriesCount; ++s) {
        const QString label = m.seriesLabel(s);
        m_seriesLabels.push_back({label, lineEdit(QStringLiteral("edtSeriesLabel%1").arg(s), label)});
        m_seriesColors.push_back(m.seriesColor(s));
        m_initialSeriesColors.push_back(m.seriesColor(s));
        QPushButton *b = colorButton(QStringLiteral("btnSeriesColor%1").arg(s), m.seriesColor(s));
        m_seriesButtons.push_back(b);
        connect(b, &QPushButton::clicked, this, [this, s] {
            chooseColor(m_seriesButtons[std::size_t(s)], m_seriesColors[std::size_t(s)]);
        });
        grid->addWidget(new QLabel(QStringLiteral("Série %1").arg(s + 1)), s, 0);
        grid->addWidget(m_seriesLabels.back().edit, s, 1);
        grid->addWidget(b, s, 2);
    }
    grid->setRowStretch(m_seriesCount, 1);
    m_tabs->addTab(page, QStringLiteral("Séries"));
}

void ChartSettingsDialog::buildFont()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageFonts"));
    auto *form = new QFormLayout(page);
    m_fontLabel = new QLabel;
    m_fontLabel->setObjectName(QStringLiteral("lblFont"));
    auto *choose = new QPushButton(QStringLiteral("Police..."));
    choose->setObjectName(QStringLiteral("btnFont"));
    auto *reset = new QPushButton(QStringLiteral("Police par défaut"));
    reset->setObjectName(QStringLiteral("btnDefaultFont"));
    connect(choose, &QPushButton::clicked, this, [this] {
        QFont initial;
        if (!m_font.isEmpty())
            initial.fromString(m_font);
        if (const std::optional<QFont> f = m_dialogs.font(this, initial))
            setFontDescription(f->toString());
    });
    connect(reset, &QPushButton::clicked, this, [this] { setFontDescription({}); });
    form->addRow(QStringLiteral("Textes du graphique"), m_fontLabel);
    form->addRow(choose, reset);
    setFontDescription(m_font);
    m_tabs->addTab(page, QStringLiteral("Police"));
}

void ChartSettingsDialog::buildAxis(const ChartModel &m)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageAxis"));
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Échelle")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Minimum")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Maximum")), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Part")), 0, 4);

    m_initialModeX = m.scaleModeX();
    m_modeX = scaleModeBox(QStringLiteral("cmbScaleModeX"), m_initialModeX);
    m_minX = xLimitField(QStringLiteral("edtMinX"), m.getMinX());
    m_maxX = xLimitField(QStringLiteral("edtMaxX"), m.getMaxX());
    m_initialMinX = xLimitValue(m_minX);
    m_initialMaxX = xLimitValue(m_maxX);
    grid->addWidget(new QLabel(QStringLiteral("X")), 1, 0);
    grid->addWidget(m_modeX, 1, 1);
    grid->addWidget(m_minX, 1, 2);
    grid->addWidget(m_maxX, 1, 3);

    for (int b = 0; b < m_bandCount; ++b) {
        const AxisBand &band = m.band(b);
        BandFields f;
        f.initialMode = band.scaleMode;
        f.mode = scaleModeBox(QStringLiteral("cmbScaleModeY%1").arg(b), band.scaleMode);
        f.minY = valueBox(QStringLiteral("edtMinY%1").arg(b), band.minY, -1e9, 1e9, 2);
        f.maxY = valueBox(QStringLiteral("edtMaxY%1").arg(b), band.maxY, -1e9, 1e9, 2);
        f.share = valueBox(QStringLiteral("spnShare%1").arg(b), band.proportion, 0.0, 1.0, 3);
        f.share->setSingleStep(0.05);
        f.share->setEnabled(m_bandCount > 1);
        f.initialMin = f.minY->value();
        f.initialMax = f.maxY->value();
        f.initialShare = f.share->value();
        const int row = b + 2;
        grid->addWidget(new QLabel(m_bandCount > 1 ? QStringLiteral("Y %1").arg(b + 1) : QStringLiteral("Y")), row, 0);
        grid->addWidget(f.mode, row, 1);
        grid->addWidget(f.minY, row, 2);
        grid->addWidget(f.maxY, row, 3);
        grid->addWidget(f.share, row, 4);
        m_bands.push_back(f);
    }
    grid->setRowStretch(m_bandCount + 2, 1);
    m_tabs->addTab(page, QStringLiteral("Axes"));
}

// --- fields ------------------------------------------------------------------------------

QPushButton *ChartSettingsDialog::colorButton(const QString &name, int bgr)
{
    auto *b = new QPushButton;
    b->setObjectName(name);
    b->setMinimumWidth(80);
    paintButton(b, bgr);
    return b;
}

void ChartSettingsDialog::paintButton(QPushButton *button, int bgr)
{
    const QColor c = colorFromBgr(bgr);
    button->setStyleSheet(QStringLiteral("background-color: %1;").arg(c.name()));
    button->setProperty("bgr", bgr);
}

void ChartSettingsDialog::chooseColor(QPushButton *button, int &bgr)
{
    if (const std::optional<QColor> c = m_dialogs.color(this, colorFromBgr(bgr))) {
        bgr = bgrFromColor(*c);
        paintButton(button, bgr);
    }
}

QWidget *ChartSettingsDialog::xLimitField(const QString &name, double value)
{
    if (m_dateX) {
        auto *e = new QDateTimeEdit;
        e->setObjectName(name);
        const QLocale locale;
        e->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm:ss"));
        const QDateTime dt = fromDayCount(value);
        if (dt.isValid())
            e->setDateTime(dt);
        return e;
    }
    return valueBox(name, value, -1e12, 1e12, 6);
}

double ChartSettingsDialog::xLimitValue(QWidget *field) const
{
    if (auto *e = qobject_cast<QDateTimeEdit *>(field))
        return toDayCount(e->dateTime());
    if (auto *b = qobject_cast<QDoubleSpinBox *>(field))
        return b->value();
    return 0;
}

void ChartSettingsDialog::setChartColor(ColorRole role, int bgr)
{
    m_colors[std::size_t(role)] = bgr;
    if (QPushButton *b = m_colorButtons[std::size_t(role)])
        paintButton(b, bgr);
}

void ChartSettingsDialog::setSeriesColor(int series, int bgr)
{
    if (series < 0 || std::size_t(series) >= m_seriesColors.size())
        return;
    m_seriesColors[std::size_t(series)] = bgr;
    paintButton(m_seriesButtons[std::size_t(series)], bgr);
}

int ChartSettingsDialog::seriesColor(int series) const
{
    return series >= 0 && std::size_t(series) < m_seriesColors.size() ? m_seriesColors[std::size_t(series)] : 0;
}

void ChartSettingsDialog::setFontDescription(const QString &font)
{
    m_font = font;
    if (!m_fontLabel)
        return;
    if (font.isEmpty()) {
        m_fontLabel->setText(QStringLiteral("Police par défaut"));
        m_fontLabel->setFont(QFont());
    } else {
        QFont f;
        f.fromString(font);
        m_fontLabel->setText(QStringLiteral("%1, %2").arg(f.family()).arg(f.pointSizeF()));
        m_fontLabel->setFont(f);
    }
}

// --- apply -------------------------------------------------------------------------------

void ChartSettingsDialog::apply(ChartModel &m) const
{
    const auto changed = [](const Edited &e) { return e.edit && e.edit->text() != e.initial; };
    if (hasPage(TitlesPage)) {
        if (changed(m_mainTitle))
            m.setMainTitle(m_mainTitle.edit->text());
        if (changed(m_subTitle))
            m.setSubTitle(m_subTitle.edit->text());
        if (changed(m_xLabel))
            m.setXAxisLabel(m_xLabel.edit->text());
        const int working = m.workingAxis();
        for (std::size_t b = 0; b < m_yLabels.size(); ++b)
            if (changed(m_yLabels[b])) {
                m.setWorkingAxis(int(b));
                m.setYAxisLabel(m_yLabels[b].edit->text());
            }
        m.setWorkingAxis(working);
    }
    if (hasPage(ColorsPage) && m_colors != m_initialColors)
        m.setColors(m_colors[0], m_colors[1], m_colors[2], m_colors[3]);
    if (hasPage(SeriesPage)) {
        for (std::size_t s = 0; s < m_seriesLabels.size(); ++s) {
            if (changed(m_seriesLabels[s]))
                m.setSeriesLabel(int(s), m_seriesLabels[s].edit->text());
            if (m_seriesColors[s] != m_initialSeriesColors[s])
                m.setSeriesColor(int(s), m_seriesColors[s]);
        }
    }
    if (hasPage(FontPage) && m_font != m_initialFont)
        m.setFontDescription(m_font);
    if (hasPage(AxisPage)) {
        const int modeX = m_modeX->currentData().toInt();
        if (modeX != m_initialModeX)
            m.setScaleModeX(modeX);
        const double minX = xLimitValue(m_minX), maxX = xLimitValue(m_maxX);
        if (minX != m_initialMinX)
            m.setMinX(minX);
        if (maxX != m_initialMaxX)
            m.setMaxX(maxX);
        const int working = m.workingAxis();
        for (std::size_t b = 0; b < m_bands.size(); ++b) {
            const BandFields &f = m_bands[b];
            m.setWorkingAxis(int(b));
            const int mode = f.mode->currentData().toInt();
            if (mode != f.initialMode)
                m.setScaleModeY(mode);
            if (f.minY->value() != f.initialMin)
                m.setMinY(f.minY->value());
            if (f.maxY->value() != f.initialMax)
                m.setMaxY(f.maxY->value());
            if (f.share->value() != f.initialShare)
                m.setAxisProportion(int(b), f.share->value());
        }
        m.setWorkingAxis(working);
    }
}

} // namespace qx
