#pragma once
// The program's commands: one action each, shared by its menu item and its tool bar
// button, with every rule for when a command is enabled kept here.
#include "WindowHost.h"

#include <QObject>
#include <array>

class QAction;
class QToolButton;
class QWidget;

namespace qx {

enum class Command {
    Open,
    Save,
    Print,
    PrinterSetup,
    Exit,
    Run,
    Stop,
    LoadData,
    Setup,
    ControlPanel,
    RealTimeGraph,
    Tile,
    Cascade,
    Contents,
    About,
    OutputToGraph,
};
inline constexpr int kCommandCount = int(Command::OutputToGraph) + 1;

class Commands : public QObject {
    Q_OBJECT
public:
    explicit Commands(QObject *parent = nullptr);

    QAction *action(Command command) const { return m_actions[std::size_t(command)]; }
    // A tool bar button that runs `command`, named `name` as the button of the frame.
    QToolButton *button(Command command, const char *name, QWidget *parent) const;

    // The meter answered, or stopped answering.
    void setConnected(bool connected);
    bool connected() const { return m_connected; }
    // A real-time recording started or ended.
    void setRecording(bool running);
    // The real-time window appeared, or went away (which ends its recording).
    void realTimeWindowShown();
    void realTimeWindowClosed();
    // Another child window became active: tables can be turned into graphs.
    void activeWindowChanged(WindowKind kind);

private:
    void setEnabled(Command command, bool on);

    std::array<QAction *, kCommandCount> m_actions{};
    bool m_connected = false;
    bool m_recording = false;
};

} // namespace qx
