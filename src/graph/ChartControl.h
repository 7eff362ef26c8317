#pragma once
// The chart behind every graph window: draws a ChartModel with QCustomPlot (one axis rect
// per Y band), zooms with the mouse, reports clicks, moves and hot spots, and offers the
// settings dialog and printing.
#include "ChartModel.h"

#include <QCursor>
#include <QRect>
#include <QWidget>
#include <memory>

class QCustomPlot;
class QPainter;
class QPrinter;
class QScrollBar;

namespace qx {

class ChartSettingsDialog;
class Dialogs;

class ChartControl : public QWidget {
    Q_OBJECT
public:
    explicit ChartControl(QWidget *parent = nullptr);
    ~ChartControl() override;

    ChartModel &model() { return m_model; }
    const ChartModel &model() const { return m_model; }

    // Draws the model's current state (after any change).
    void redraw();
    // After new or changed points only (nothing else of the chart changed): while the
    // scales stay where they were and only points were appended, paints just their new
    // segments over the chart on screen; else the whole chart.
    void redrawData();
    // Rebuilds the bands and series after their number or layout changed.
    void reinitialize();

    // Mouse.
    void setZoomMode(int mode);           // 3: both directions
    void setScrollingZoom(bool on);       // scroll bars while zoomed
    void setCursorShape(int shape);       // kCursorArrow, kCursorText
    void setCursor(const QCursor &cursor); // a cursor of our own (kCursorCustom)
    // The mouse in client pixels, as last seen over the chart.
    QPoint mousePosition() const { return m_mouse; }
    // The plotting area of band 0 (left, top, right, bottom) in client pixels; with
    // several bands, the rectangle spanning all of them.
    QRect plotRect() const;
    // X and Y under a client pixel, on the given band's axes.
    QPointF pixelToValue(int band, int x, int y) const;
    void undoZoom();
    bool zoomed() const;

    // The modal settings dialog; customizeResult() is 1 when it was accepted.
    void customize();
    int customizeResult() const { return m_customizeResult; }
    // The settings dialog customize() runs, filled from the model (the caller owns it).
    ChartSettingsDialog *createSettingsDialog();
    // The dialogs the settings dialog runs through (and asks colours and fonts of); without
    // them, Qt's own.
    void setDialogs(Dialogs *dialogs);
    // The print dialog (through the program's dialogs), then the chart on the printer.
    void printDialog(Dialogs &dialogs);
    // The same on a printer the program keeps, as its printer setup left it.
    void printDialog(Dialogs &dialogs, QPrinter &printer);
    // Draws the chart into a painter (printing, PDF, images), `target` in its units.
    void render(QPainter &painter, const QRect &target);
    // The chart as a picture of the given size, e.g. for tests and exports.
    QImage toImage(const QSize &size);

    QCustomPlot *plot() const { return m_plot; }

signals:
    void clicked();
    void mouseMoved();
    void zoomedIn();
    void dataHotSpot(bool doubleClick, int series, int point);
    void graphHotSpot();
    void graphAnnotHotSpot(bool doubleClick, int slot);
    // After the settings dialog closed (accepted or not).
    void customizeDialogClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class Impl;
    std::unique_ptr<Impl> d;
    ChartModel m_model;
    QCustomPlot *m_plot = nullptr;
    QPoint m_mouse;
    int m_customizeResult = 0;
};

} // namespace qx
