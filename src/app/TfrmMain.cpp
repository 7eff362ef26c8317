#include "TfrmMain.h"

#include "Dialogs.h"
#include "TfrmAbout.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <cfenv>

// The pictures live in a static library: register them before the first use.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace qx {

namespace {

constexpr int kToolBarHeight = 36;
constexpr int kGraphWidth = 1200;

QToolButton *toolButton(QToolBar *bar, const char *name, const QString &hint, QStyle::StandardPixmap icon)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setIconSize(QSize(24, 24));
    bar->addWidget(b);
    return b;
}

} // namespace

TfrmMain::TfrmMain(DeviceAccess &device, Clock &clock, Dialogs &dialogs, MainOptions options,
                   WindowHooks hooks, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_options(options), m_hooks(std::move(hooks)),
      m_session(std::make_unique<MeterSession>(device, clock))
{
    registerResources();
    setObjectName("frmMain");
    setWindowTitle("QX736");

    // The client area never shows a border or scroll bars, wherever the children go.
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("MDIClient");
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setFrameShape(QFrame::NoFrame);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::onSubWindowActivated);

    m_settings = AppSettings::load();
    m_session->setRealTimeRate(m_settings.realTimeRate);
    loadGlyphs();

    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    connect(m_session.get(), &MeterSession::connectionChanged, this, &TfrmMain::onConnectionChanged);
    if (m_hooks.installCommands)
        m_hooks.installCommands(*this);
}

TfrmMain::~TfrmMain()
{
    // The MDI area still reports activations while the widget base tears the children
    // down, when this object is no longer a TfrmMain.
    disconnect(m_mdi, nullptr, this, nullptr);
}

void TfrmMain::loadGlyphs()
{
    // A missing bitmap ends its set silently; the panel then leaves those digits alone.
    for (int i = 0; i < kGlyphCount; ++i) {
        QPixmap p(QString(":/LCD%1").arg(i));
        if (p.isNull())
            break;
        m_largeGlyphs.push_back(p);
    }
    for (int i = 0; i < kGlyphCount; ++i) {
        QPixmap p(QString(":/LCDS%1").arg(i));
        if (p.isNull())
            break;
        m_smallGlyphs.push_back(p);
    }
}

void TfrmMain::buildActions()
{
    auto make = [this](const char *name, const QString &text, auto slot) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto none = [] {};
    m_open = make("Open1", "&Ouvrir", none);
    m_save = make("Save1", "&Enregistrer", none);
    m_print = make("Print1", "&Imprimer", none);
    m_printerSetup = make("PrinterSetup1", "&Paramètres imprimante", [this] { m_dialogs.printerSetup(this, printer()); });
    m_exit = make("Exit1", "Q&uitter", [this] { close(); });
    m_run = make("Run1", "Lancer", none);
    m_run->setEnabled(false);
    m_stop = make("Stop1", "Stop", none);
    m_stop->setEnabled(false);
    m_loadData = make("LoadData1", "&Charger", none);
    m_setupItem = make("Setup1", "&Réglages", [this] { showSetup(); });
    m_controlPanel = make("ControlPanel1", "&Panneau de contrôle", [this] { showPanel(); });
    m_controlPanel->setCheckable(true);
    m_controlPanel->setChecked(true);
    m_realTimeGraphItem = make("RealTimeGraph1", "&Graph temps réel", [this] { showRealTimeGraph(); });
    m_realTimeGraphItem->setCheckable(true);
    m_realTimeGraphItem->setChecked(true);
    m_tile = make("Tile1", "&Plein écran", [this] { m_mdi->tileSubWindows(); });
    m_cascade = make("Cascade1", "&Cascade", [this] { m_mdi->cascadeSubWindows(); });
    m_contents = make("Contents1", "&Contenus", [this] { showHelp(); });
    m_about = make("About1", "&A propos", [this] { showAbout(); });
}

void TfrmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto menu = [bar](const char *name, const QString &title) {
        QMenu *m = bar->addMenu(title);
        m->setObjectName(name);
        m->menuAction()->setObjectName(QString(name) + "Item");
        return m;
    };
    QMenu *file = menu("File1", "&Fichier");
    file->addAction(m_open);
    file->addAction(m_save);
    file->addSeparator();
    file->addAction(m_print);
    file->addAction(m_printerSetup);
    file->addSeparator();
    file->addAction(m_exit);

    QMenu *realTime = menu("RealTime1", "Temps réel");
    realTime->addAction(m_run);
    realTime->addAction(m_stop);

    QMenu *logger = menu("DataLogger1", "&Enregistrement de données");
    logger->addAction(m_loadData);
    logger->addAction(m_setupItem);

    QMenu *view = menu("View1", "&Affichage");
    view->addAction(m_controlPanel);
    view->addAction(m_realTimeGraphItem);

    m_windowMenu = menu("Window1", "&Fenêtre");
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] {
        // The fixed items, then one checkable entry per child window.
        m_windowMenu->clear();
        m_windowMenu->addAction(m_tile);
        m_windowMenu->addAction(m_cascade);
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
    m_windowMenu->addAction(m_tile);
    m_windowMenu->addAction(m_cascade);

    QMenu *help = menu("Help1", "&Aide");
    help->addAction(m_contents);
    help->addSeparator();
    help->addAction(m_about);
}

void TfrmMain::buildToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(kToolBarHeight);
    addToolBar(Qt::TopToolBarArea, bar);
    m_btnOpen = toolButton(bar, "SpeedButton1", "Ouvrir fichier", QStyle::SP_DialogOpenButton);
    m_btnSave = toolButton(bar, "SpeedButton2", "Sauver dans un fichier", QStyle::SP_DialogSaveButton);
    m_btnPrint = toolButton(bar, "btnPrint", "Imprimer", QStyle::SP_FileDialogDetailedView);
    m_btnDataLogger = toolButton(bar, "btnDataLogger", "Enregsitreur", QStyle::SP_ArrowDown);
    m_btnOutputToGraph = toolButton(bar, "btnOutputToGraph", "Exporter données tableau sous format graphique",
                                    QStyle::SP_FileDialogContentsView);
    m_btnOutputToGraph->setEnabled(false);
    m_btnRun = toolButton(bar, "btnRun", "Commencer la représentation des données en temps réel",
                          QStyle::SP_MediaPlay);
    m_btnRun->setEnabled(false);
    m_btnStop = toolButton(bar, "btnStop", "Arreter la représentation des données en temps réel",
                           QStyle::SP_MediaStop);
    m_btnStop->setEnabled(false);
    m_btnHelp = toolButton(bar, "SpeedButton8", "Aide", QStyle::SP_DialogHelpButton);
    // QToolBar shows the buttons through actions; hide the help button there.
    for (QAction *a : bar->actions())
        if (bar->widgetForAction(a) == m_btnHelp)
            a->setVisible(false);
    connect(m_btnHelp, &QToolButton::clicked, this, [this] { showHelp(); });
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
    m_status[1]->setText("Connexion Off");
}

QPrinter &TfrmMain::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

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
    m_dataFolder = determineDataFolder();
    m_setupItem->setVisible(m_options.service);
    // Invalid floating-point operations give infinities and NaNs, never a trap.
    std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
    fedisableexcept(FE_ALL_EXCEPT);
#endif

    showRealTimeGraph();
    showPanel();
    if (m_realTimeGraph) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(m_realTimeGraph->parentWidget())) {
            QWidget *panelFrame = m_panel ? m_panel->parentWidget() : nullptr;
            const int left = panelFrame ? panelFrame->width() : 0;
            const int height = this->height() - kToolBarHeight - statusBar()->height() - 40;
            sub->setGeometry(left, 0, kGraphWidth, std::max(height, 100));
            m_mdi->setActiveSubWindow(sub);
            m_realTimeGraph->setFocus();
        }
    }
    emit noConnectionShown(true);
    m_status[1]->setText("Connexion Off");
    m_session->mainTimer().start();
    if (m_splash) {
        m_splash->close();
        m_splash = nullptr;
    }
}

QMdiSubWindow *TfrmMain::addChild(QWidget *content)
{
    QMdiSubWindow *sub = m_mdi->addSubWindow(content);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

QWidget *TfrmMain::showOnce(QPointer<QWidget> &ref, const std::function<QWidget *(TfrmMain &)> &create,
                            QAction *menuItem)
{
    if (ref) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(ref->parentWidget()))
            sub->showNormal();
        else
            ref->showNormal();
        return ref;
    }
    if (!create)
        return nullptr;
    QWidget *w = create(*this);
    if (!w)
        return nullptr;
    ref = w;
    if (menuItem) {
        menuItem->setChecked(true);
        connect(w, &QObject::destroyed, menuItem, [menuItem] { menuItem->setChecked(false); });
    }
    return w;
}

void TfrmMain::showPanel()
{
    const bool existed = bool(m_panel);
    QWidget *w = showOnce(m_panel, m_hooks.createPanel, m_controlPanel);
    if (!w) {
        m_controlPanel->setChecked(false);
        return;
    }
    if (!existed) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
            sub->move(0, 0);
        emit noConnectionShown(!m_session->connected());
    }
}

void TfrmMain::showRealTimeGraph()
{
    if (!showOnce(m_realTimeGraph, m_hooks.createRealTimeGraph, m_realTimeGraphItem))
        m_realTimeGraphItem->setChecked(false);
    else
        updateRunStop();
}

void TfrmMain::showSetup() { showOnce(m_setup, m_hooks.createSetup, nullptr); }

QString TfrmMain::programFolder() const
{
    return m_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_programFolder;
}

void TfrmMain::showHelp() { m_dialogs.openExternal(QDir(programFolder()).filePath("QX736HELP.htm")); }

void TfrmMain::realTimeWindowClosed()
{
    if (m_session->connected()) {
        m_btnRun->setEnabled(true);
        m_run->setEnabled(true);
    }
    m_btnStop->setEnabled(false);
    m_stop->setEnabled(false);
    if (endRealTimeRecording)
        endRealTimeRecording();
}

void TfrmMain::showAbout()
{
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::onConnectionChanged(bool connected)
{
    m_status[0]->clear();
    if (connected) {
        m_status[1]->setText("Connexion On");
        emit noConnectionShown(false);
        m_btnDataLogger->setVisible(true);
        m_btnDataLogger->setEnabled(true);
        m_loadData->setVisible(true);
        m_loadData->setEnabled(true);
        updateRunStop();
    } else {
        m_btnRun->setEnabled(false);
        m_run->setEnabled(false);
        m_btnStop->setEnabled(false);
        m_stop->setEnabled(false);
        m_btnDataLogger->setEnabled(false);
        m_loadData->setEnabled(false);
        m_status[1]->setText("Pas de connexionn");
        emit noConnectionShown(true);
    }
}

void TfrmMain::updateRunStop()
{
    if (!m_session->connected())
        return;
    const bool running = realTimeRunning && realTimeRunning();
    m_btnRun->setEnabled(!running);
    m_run->setEnabled(!running);
    m_btnStop->setEnabled(running);
    m_stop->setEnabled(running);
    if (m_realTimeGraph)
        if (QWidget *clear = m_realTimeGraph->findChild<QWidget *>("tbntClr"))
            clear->setEnabled(!running);
}

void TfrmMain::onSubWindowActivated(QMdiSubWindow *window)
{
    // Tables can be turned into graphs; graphs and the panel cannot.
    if (window && window->widget())
        m_btnOutputToGraph->setEnabled(window->widget()->property("qxTableWindow").toBool());
}

bool TfrmMain::queryChildrenClose()
{
    // Children that may refuse (unsaved recordings) offer an invokable closeQuery().
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        QWidget *w = sub->widget();
        if (!w)
            continue;
        bool agree = true;
        if (w->metaObject()->indexOfMethod("closeQuery()") >= 0)
            QMetaObject::invokeMethod(w, "closeQuery", Qt::DirectConnection, Q_RETURN_ARG(bool, agree));
        if (!agree)
            return false;
        w->setProperty("qxCloseQueried", true);
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!queryChildrenClose()) {
        for (QMdiSubWindow *sub : m_mdi->subWindowList())
            if (sub->widget())
                sub->widget()->setProperty("qxCloseQueried", false);
        event->ignore();
        return;
    }
    m_session->mainTimer().stop();
    m_mdi->closeAllSubWindows();
    m_settings.realTimeRate = m_session->realTimeRate();
    m_settings.save();
    m_largeGlyphs.clear();
    event->accept();
}

} // namespace qx
