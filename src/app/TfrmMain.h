#pragma once
// The program's frame window: menus, tool bar, status bar, the settings, the glyph
// bitmaps of the front panel, and the child windows in its MDI area.
#include "AppSettings.h"
#include "meter/MeterSession.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QMenu;
class QToolButton;

namespace qx {

class Dialogs;
class TfrmAbout;
class TfrmMain;

// The windows other parts of the program build. A hook left empty creates nothing.
struct WindowHooks {
    std::function<QWidget *(TfrmMain &)> createPanel;
    std::function<QWidget *(TfrmMain &)> createRealTimeGraph;
    std::function<QWidget *(TfrmMain &)> createSetup;
    // Lets the subsystems connect their commands to the menus and tool bar once the main
    // window stands.
    std::function<void(TfrmMain &)> installCommands;
};

struct MainOptions {
    bool service = false; // keep the setup menu item visible
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    TfrmMain(DeviceAccess &device, Clock &clock, Dialogs &dialogs, MainOptions options = {},
             WindowHooks hooks = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    MeterSession &session() { return *m_session; }
    Dialogs &dialogs() { return m_dialogs; }
    AppSettings &settings() { return m_settings; }
    const QString &dataFolder() const { return m_dataFolder; }
    QMdiArea *mdiArea() const { return m_mdi; }

    const std::vector<QPixmap> &largeGlyphs() const { return m_largeGlyphs; }
    const std::vector<QPixmap> &smallGlyphs() const { return m_smallGlyphs; }

    // The windows that exist at most once; null while closed.
    QWidget *panel() const { return m_panel; }
    QWidget *realTimeGraph() const { return m_realTimeGraph; }
    QWidget *setupWindow() const { return m_setup; }

    // Puts a widget into the MDI area as a child window freed on close.
    QMdiSubWindow *addChild(QWidget *content);

    // The about box used as splash; closed once the main window has been shown.
    void setSplash(TfrmAbout *splash) { m_splash = splash; }

    // Whether a real-time recording runs (filled in by the recording).
    std::function<bool()> realTimeRunning;
    // The real-time window closed: Run and Stop follow, the recording ends.
    void realTimeWindowClosed();
    std::function<void()> endRealTimeRecording;

    // The program's folder (help page, chart template); tests point it elsewhere.
    QString programFolder() const;
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }

    // What all graph windows share.
    int annotationCounter = 3;   // the last annotation number handed out
    int annotationTool = 0;      // 0 none, 1 text, 2 cross
    bool unsavedDataSets = false; // a download not yet saved as a collection
    bool unsavedRealTime = false; // real-time samples not yet saved
    QPointer<QWidget> dataLoggerWindow;
    // Saving a graph window's chart to a file the user picks; false when nothing was
    // saved (cancelled or failed). The main window's Save command likewise.
    std::function<bool(QWidget *graphWindow)> saveGraphAs;
    std::function<bool()> saveCommand;

    // Restores the real-time window, or creates it when there is none.
    void showRealTimeGraph();

    QString statusText(int panel) const;

    // The printer every printout goes to, as the printer setup left it.
    QPrinter &printer();

signals:
    // The no-connection label of the front panel follows this.
    void noConnectionShown(bool shown);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void loadGlyphs();
    void firstShow();
    void onConnectionChanged(bool connected);
    void updateRunStop();
    void showPanel();
    void showSetup();
    void showHelp();
    void showAbout();
    void onSubWindowActivated(QMdiSubWindow *window);
    bool queryChildrenClose();
    QWidget *showOnce(QPointer<QWidget> &ref, const std::function<QWidget *(TfrmMain &)> &create,
                      QAction *menuItem);

    Dialogs &m_dialogs;
    MainOptions m_options;
    WindowHooks m_hooks;
    std::unique_ptr<MeterSession> m_session;
    AppSettings m_settings;
    QString m_dataFolder;
    QString m_programFolder;
    std::unique_ptr<QPrinter> m_printer;
    std::vector<QPixmap> m_largeGlyphs;
    std::vector<QPixmap> m_smallGlyphs;
    bool m_shown = false;
    TfrmAbout *m_splash = nullptr;

    QMdiArea *m_mdi = nullptr;
    QLabel *m_status[2] = {nullptr, nullptr};
    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_realTimeGraph;
    QPointer<QWidget> m_setup;

    // Menu items.
    QAction *m_open = nullptr, *m_save = nullptr, *m_print = nullptr, *m_printerSetup = nullptr,
            *m_exit = nullptr, *m_run = nullptr, *m_stop = nullptr, *m_loadData = nullptr,
            *m_setupItem = nullptr, *m_controlPanel = nullptr, *m_realTimeGraphItem = nullptr,
            *m_tile = nullptr, *m_cascade = nullptr, *m_contents = nullptr, *m_about = nullptr;
    QMenu *m_windowMenu = nullptr;
    // Tool bar buttons.
    QToolButton *m_btnOpen = nullptr, *m_btnSave = nullptr, *m_btnPrint = nullptr,
                *m_btnDataLogger = nullptr, *m_btnOutputToGraph = nullptr, *m_btnRun = nullptr,
                *m_btnStop = nullptr, *m_btnHelp = nullptr;
};

} // namespace qx
