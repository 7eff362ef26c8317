#include "TfrmMain.h"

#include "TfrmAbout.h"
#include "meter/LiveFrame.h"
#include "meter/MeterSession.h"
#include "ui/Commands.h"
#include "ui/Dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <cfenv>

// The pictures live in a static library: register them before the first use.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace qx {

namespace {

constexpr int kToolBarHeight = 36;
constexpr int kGraphWidth = 1200;

// The frame's own texts.
namespace text {
const char *const caption = "QX736";
const char *const menuFile = "&Fichier";
const char *const menuRealTime = "Temps réel";
const char *const menuDataLogger = "&Enregistrement de données";
const char *const menuView = "&Affichage";
const char *const menuWindow = "&Fenêtre";
const char *const menuHelp = "&Aide";
const char *const connectionOff = "Connexion Off";
const char *const connectionOn = "Connexion On";
const char *const noConnection = "Pas de connexionn";
const char *const helpPage = "QX736HELP.htm";
} // namespace text

} // namespace

TfrmMain::TfrmMain(const MainWindowSetup &setup, QWidget *parent)
    : QMainWindow(parent), m_session(setup.session), m_dialogs(setup.dialogs), m_commands(setup.commands),
      m_settingsStore(setup.settingsStore), m_settings(setup.settings), m_folders(setup.folders),
      m_glyphs(setup.glyphs), m_printer(setup.printer), m_parts(setup.parts), m_options(setup.options),
      m_documentsFolder(setup.documentsFolder), m_panel(setup.commands.action(Command::ControlPanel)),
      m_realTimeGraph(setup.commands.action(Command::RealTimeGraph))
{
    registerResources();
    setObjectName("frmMain");
    setWindowTitle(QString::fromUtf8(text::caption));

    // The client area never shows a border or scroll bars, wherever the children go.
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("MDIClient");
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setFrameShape(QFrame::NoFrame);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::onSubWindowActivated);

    m_settings = m_settingsStore.load();
    m_session.setRealTimeRate(m_settings.realTimeRate);
    m_glyphs.load(kGlyphCount);

    connectCommands();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    connect(&m_session, &MeterSession::connectionChanged, this, &TfrmMain::onConnectionChanged);
}

TfrmMain::~TfrmMain()
{
    // The MDI area still reports activations while the widget base tears the children
    // down, when this object is no longer a TfrmMain.
    disconnect(m_mdi, nullptr, this, nullptr);
}

void TfrmMain::connectCommands()
{
    const auto on = [this](Command c, auto slot) { connect(m_commands.action(c), &QAction::triggered, this, slot); };
    on(Command::PrinterSetup, [this] { m_dialogs.printerSetup(this, m_printer.printer()); });
    on(Command::Exit, [this] { close(); });
    on(Command::Setup, [this] { showSetup(); });
    on(Command::ControlPanel, [this] { showPanel(); });
    on(Command::RealTimeGraph, [this] { showRealTimeGraph(); });
    on(Command::Tile, [this] { m_mdi->tileSubWindows(); });
    on(Command::Cascade, [this] { m_mdi->cascadeSubWindows(); });
    on(Command::Contents, [this] { showHelp(); });
    on(Command::About, [this] { showAbout(); });
}

void TfrmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto menu = [bar](const char *name, const char *title) {
        QMenu *m = bar->addMenu(QString::fromUtf8(title));
        m->setObjectName(name);
        m->menuAction()->setObjectName(QString(name) + "Item");
        return m;
    };
    const auto item = [this](Command c) { return m_commands.action(c); };
    QMenu *file = menu("File1", text::menuFile);
    file->addAction(item(Command::Open));
    file->addAction(item(Command::Save));
    file->addSeparator();
    file->addAction(item(Command::Print));
    file->addAction(item(Command::PrinterSetup));
    file->addSeparator();
    file->addAction(item(Command::Exit));

    QMenu *realTime = menu("RealTime1", text::menuRealTime);
    realTime->addAction(item(Command::Run));
    realTime->addAction(item(Command::Stop));

    QMenu *logger = menu("DataLogger1", text::menuDataLogger);
    logger->addAction(item(Command::LoadData));
    logger->addAction(item(Command::Setup));

    QMenu *view = menu("View1", text::menuView);
    view->addAction(item(Command::ControlPanel));
    view->addAction(item(Command::RealTimeGraph));

    m_windowMenu = menu("Window1", text::menuWindow);
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this, item] {
        // The fixed items, then one checkable entry per child window.
        m_windowMenu->clear();
        m_windowMenu->addAction(item(Command::Tile));
        m_windowMenu->addAction(item(Command::Cascade));
        const auto windows = m_mdi->subWindowList();
        if (!windows.isEmpty())
            m_windowMenu->addSeparator();
        for (QMdiSubWindow *w : windows) {
            QAction *a = m_windowMenu->addAction(w->windowTitle());
            a->setCheckable(true);
            a->setChecked(w == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, m_mdi, [this, w] { m_mdi->setActiveSubWindow(w); });
        }
    });
    m_windowMenu->addAction(item(Command::Tile));
    m_windowMenu->addAction(item(Command::Cascade));

    QMenu *help = menu("Help1", text::menuHelp);
    help->addAction(item(Command::Contents));
    help->addSeparator();
    help->addAction(item(Command::About));
}

void TfrmMain::buildToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(kToolBarHeight);
    addToolBar(Qt::TopToolBarArea, bar);
    struct Button {
        Command command;
        const char *name;
    };
    const Button buttons[] = {
        {Command::Open, "SpeedButton1"},   {Command::Save, "SpeedButton2"},
        {Command::Print, "btnPrint"},      {Command::LoadData, "btnDataLogger"},
        {Command::OutputToGraph, "btnOutputToGraph"}, {Command::Run, "btnRun"},
        {Command::Stop, "btnStop"},        {Command::Contents, "SpeedButton8"},
    };
    for (const Button &b : buttons) {
        QToolButton *button = m_commands.button(b.command, b.name, bar);
        QAction *placed = bar->addWidget(button);
        // The help button is there but not shown.
        if (b.command == Command::Contents)
            placed->setVisible(false);
    }
}

void TfrmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(false);
    const int widths[2] = {150, 50};
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QString("StatusPanel%1").arg(i));
        m_status[i]->setFrameShape(QFrame::Panel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        m_status[i]->setMinimumWidth(widths[i]);
        if (i == 0)
            m_status[i]->setFixedWidth(widths[i]);
        bar->addWidget(m_status[i], i == 1 ? 1 : 0);
    }
    m_status[1]->setText(QString::fromUtf8(text::connectionOff));
}

void TfrmMain::showStatus(const QString &text) { m_status[0]->setText(text); }

QString TfrmMain::statusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_status[panel]->text() : QString();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        firstShow();
    }
}

void TfrmMain::firstShow()
{
    m_folders.data = determineDataFolder(m_documentsFolder);
    m_commands.action(Command::Setup)->setVisible(m_options.service);
    // Invalid floating-point operations give infinities and NaNs, never a trap.
    std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
    fedisableexcept(FE_ALL_EXCEPT);
#endif

    showRealTimeGraph();
    showPanel();
    if (QMdiSubWindow *sub = childFrame(realTimeGraph())) {
        QWidget *panelFrame = childFrame(panel());
        const int left = panelFrame ? panelFrame->width() : 0;
        const int height = this->height() - kToolBarHeight - statusBar()->height() - 40;
        sub->setGeometry(left, 0, kGraphWidth, std::max(height, 100));
        m_mdi->setActiveSubWindow(sub);
        realTimeGraph()->setFocus();
    }
    m_status[1]->setText(QString::fromUtf8(text::connectionOff));
    m_session.mainTimer().start();
    if (m_splash) {
        m_splash->close();
        m_splash = nullptr;
    }
    emit firstShown();
}

QMdiSubWindow *TfrmMain::addChild(QWidget *content)
{
    QMdiSubWindow *sub = m_mdi->addSubWindow(content);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

QWidget *TfrmMain::activeChild() const
{
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    return active ? active->widget() : nullptr;
}

QSize TfrmMain::clientSize() const { return m_mdi->size(); }

void TfrmMain::showPanel()
{
    const bool existed = panel() != nullptr;
    QWidget *w = m_panel.show([this] { return m_parts.createPanel(); });
    if (w && !existed)
        if (QMdiSubWindow *sub = childFrame(w))
            sub->move(0, 0);
}

void TfrmMain::showRealTimeGraph()
{
    if (m_realTimeGraph.show([this] { return m_parts.createRealTimeGraph(); }))
        m_commands.realTimeWindowShown();
}

void TfrmMain::showSetup() { m_setup.show([this] { return m_parts.createSetup(); }); }

void TfrmMain::showHelp() { m_dialogs.openExternal(QDir(m_folders.programFolder()).filePath(text::helpPage)); }

void TfrmMain::showAbout()
{
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::onConnectionChanged(bool connected)
{
    m_status[0]->clear();
    m_status[1]->setText(QString::fromUtf8(connected ? text::connectionOn : text::noConnection));
}

void TfrmMain::onSubWindowActivated(QMdiSubWindow *window)
{
    if (window && window->widget())
        m_commands.activeWindowChanged(windowKindOf(window->widget()));
}

bool TfrmMain::queryChildrenClose()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        ChildWindow *w = childWindow(sub->widget());
        if (!w)
            continue;
        if (!w->closeQuery())
            return false;
        w->setCloseAgreed(true);
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!queryChildrenClose()) {
        for (QMdiSubWindow *sub : m_mdi->subWindowList())
            if (ChildWindow *w = childWindow(sub->widget()))
                w->setCloseAgreed(false);
        event->ignore();
        return;
    }
    m_session.mainTimer().stop();
    m_mdi->closeAllSubWindows();
    m_settings.realTimeRate = m_session.realTimeRate();
    m_settingsStore.save(m_settings);
    m_glyphs.large.clear();
    event->accept();
}

} // namespace qx
