#pragma once
// How the program's windows live in the main window's MDI area: the host that takes them,
// what each window answers about itself, and the windows of which there is at most one.
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>

class QAction;
class QMdiSubWindow;

namespace qx {

// What a window is, for the commands that act on the active window.
enum class WindowKind { Other, Panel, RealTimeGraph, DataLoggerGraph, Graph, Table, Setup };

// Every child window of the main window answers these.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual WindowKind windowKind() const = 0;
    // Asked before the main window closes, and by the window's own close; false keeps it
    // open (an unsaved recording, a question cancelled).
    virtual bool closeQuery() { return true; }

    // The main window has asked already: the close that follows does not ask again.
    void setCloseAgreed(bool agreed) { m_closeAgreed = agreed; }
    bool closeAgreed() const { return m_closeAgreed; }

private:
    bool m_closeAgreed = false;
};

// The child window behind a widget, if it is one.
ChildWindow *childWindow(QWidget *content);
WindowKind windowKindOf(QWidget *content);

class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Puts a widget into the MDI area as a child window, freed when it closes.
    virtual QMdiSubWindow *addChild(QWidget *content) = 0;
    // The content of the active child window; null when there is none.
    virtual QWidget *activeChild() const = 0;
    // The size of the MDI client area.
    virtual QSize clientSize() const = 0;
    // The frame window, parent of the program's messages.
    virtual QWidget *frameWindow() = 0;
    // A note in the first panel of the status bar.
    virtual void showStatus(const QString &text) = 0;
};

// The MDI frame around a child window's content; null for a widget that has none.
QMdiSubWindow *childFrame(QWidget *content);
// Shows a child window as it was before it was minimised or maximised.
void restoreChild(QWidget *content);

// A window of which there is at most one: restored when it exists, created otherwise.
// Its menu item, if any, is checked while the window exists.
class SingleWindow {
public:
    explicit SingleWindow(QAction *menuItem = nullptr) : m_menuItem(menuItem) {}

    QWidget *window() const { return m_window; }
    // Restores the window, or creates it with `create` (which may give null: nothing shown).
    QWidget *show(const std::function<QWidget *()> &create);

private:
    QPointer<QWidget> m_window;
    QAction *m_menuItem;
};

} // namespace qx
