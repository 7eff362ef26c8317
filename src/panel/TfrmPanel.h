#pragma once
// The front panel: a picture of the meter with its LCD rebuilt from the live status and
// invisible hot spots over the keys that operate the meter.
#include "PanelKeys.h"
#include "PanelModel.h"
#include "ui/WindowHost.h"

#include <QFrame>
#include <QHash>
#include <QPoint>
#include <array>

class QLabel;

namespace qx {

struct WindowContext;

// An invisible area over a key of the picture.
class PanelHotSpot : public QWidget {
    Q_OBJECT
public:
    explicit PanelHotSpot(QWidget *parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }
signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
    bool m_afterDoubleClick = false;
};

class TfrmPanel : public QFrame, public ChildWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 314;
    static constexpr int kClientHeight = 713;

    explicit TfrmPanel(WindowContext &context);

    // Called after every valid live frame, also while minimised.
    void updatePanel();
    // The flash timers' ticks.
    void maxMinTimerTick();
    void recFullTimerTick();
    // Shows the "no connection" label.
    void setNoConnection(bool shown);

    QWidget *element(const QString &name) const { return m_elements.value(name); }
    const PanelModel &model() const { return m_model; }
    PanelKeys &keys() { return m_keys; }
    // How many large digits the last update redrew.
    int lastRedrawCount() const { return m_lastRedraws; }

    WindowKind windowKind() const override { return WindowKind::Panel; }
    // Waits for a flash tick that is still running.
    bool closeQuery() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addImage(const char *name, int x, int y, int w, int h, const QString &resource, bool shown);
    QLabel *addText(const char *name, int x, int y, const QString &text, bool shown);
    void addKey(const char *name, int x, int y, int w, int h, const QString &hint, char code);
    void setGlyph(QLabel *target, const std::vector<QPixmap> &set, int glyph);

    WindowContext &m_context;
    PanelModel m_model;
    PanelKeys m_keys;
    FlashPhase m_maxMinPhase;
    FlashPhase m_recFullPhase;
    bool m_flashTickInProgress = false;
    int m_lastRedraws = 0;

    QWidget *m_client = nullptr;
    QLabel *m_picture = nullptr;
    std::array<QLabel *, 16> m_digits{};
    std::array<QLabel *, 2> m_smallDigits{};
    std::vector<std::pair<QWidget *, Indicator>> m_indicators;
    QLabel *m_noConnection = nullptr;
    QHash<QString, QWidget *> m_elements;

    QPoint m_dragStart;
    QPoint m_windowStart;
    bool m_dragging = false;
};

// Creates the panel as a child window of the main window.
QWidget *createPanelWindow(WindowContext &context);

} // namespace qx
