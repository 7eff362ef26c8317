#pragma once
// The program's frame window: menus and tool bar built from the commands, the status bar,
// the settings, the glyph bitmaps of the front panel, and the child windows in its MDI area.
#include "ui/Settings.h"
#include "ui/WindowContext.h"
#include "ui/WindowHost.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace qx {

class Commands;
class Dialogs;
class MeterSession;
class TfrmAbout;

// The windows of which the main window holds at most one, as the program makes them.
class MainWindowParts {
public:
    virtual ~MainWindowParts() = default;
    // Each creates its window as a child of the main window; null when there is none.
    virtual QWidget *createPanel() = 0;
    virtual QWidget *createRealTimeGraph() = 0;
    virtual QWidget *createSetup() = 0;
};

struct MainOptions {
    bool service = false; // keep the setup menu item visible
};

// What the main window works with; the program owns all of it.
struct MainWindowSetup {
    MeterSession &session;
    Dialogs &dialogs;
    Commands &commands;
    SettingsStore &settingsStore;
    AppSettings &settings;
    Folders &folders;
    Glyphs &glyphs;
    ProgramPrinter &printer;
    MainWindowParts &parts;
    MainOptions options;
    // Where the data folder goes: the user's documents folder.
    QString documentsFolder;
};

class TfrmMain : public QMainWindow, public WindowHost {
    Q_OBJECT
public:
    explicit TfrmMain(const MainWindowSetup &setup, QWidget *parent = nullptr);
    ~TfrmMain() override;

    MeterSession &session() { return m_session; }
    QMdiArea *mdiArea() const { return m_mdi; }

    // The windows that exist at most once; null while closed.
    QWidget *panel() const { return m_panel.window(); }
    QWidget *realTimeGraph() const { return m_realTimeGraph.window(); }
    QWidget *setupWindow() const { return m_setup.window(); }

    // Restores the real-time window, or creates it when there is none.
    void showRealTimeGraph();

    // WindowHost
    QMdiSubWindow *addChild(QWidget *content) override;
    QWidget *activeChild() const override;
    QSize clientSize() const override;
    QWidget *frameWindow() override { return this; }
    void showStatus(const QString &text) override;

    // The about box used as splash; closed once the main window has been shown.
    void setSplash(TfrmAbout *splash) { m_splash = splash; }

    QString statusText(int panel) const;

signals:
    // The start-up steps of the first show are done.
    void firstShown();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectCommands();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void firstShow();
    void onConnectionChanged(bool connected);
    void showPanel();
    void showSetup();
    void showHelp();
    void showAbout();
    void onSubWindowActivated(QMdiSubWindow *window);
    bool queryChildrenClose();

    MeterSession &m_session;
    Dialogs &m_dialogs;
    Commands &m_commands;
    SettingsStore &m_settingsStore;
    AppSettings &m_settings;
    Folders &m_folders;
    Glyphs &m_glyphs;
    ProgramPrinter &m_printer;
    MainWindowParts &m_parts;
    MainOptions m_options;
    QString m_documentsFolder;
    bool m_shown = false;
    TfrmAbout *m_splash = nullptr;

    QMdiArea *m_mdi = nullptr;
    QLabel *m_status[2] = {nullptr, nullptr};
    QMenu *m_windowMenu = nullptr;
    SingleWindow m_panel;
    SingleWindow m_realTimeGraph;
    SingleWindow m_setup;
};

} // namespace qx
