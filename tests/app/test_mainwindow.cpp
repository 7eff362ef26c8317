// The frame window as a user meets it: menus, tool bar and status bar at start, the
// connection shown as it changes, the settings kept across runs, and closing.
#include "ui/Settings.h"
#include "support/MainHarness.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace qx;
using namespace qx::test;

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    static QStringList menuLayout(QMenu *menu)
    {
        QStringList out;
        for (QAction *a : menu->actions())
            out << (a->isSeparator() ? QString("-") : a->text());
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path() + "/settings");
    }

    void menusAsAtStart()
    {
        MainHarness h;
        const QList<QAction *> top = h.main->menuBar()->actions();
        QStringList titles;
        for (QAction *a : top)
            titles << a->text();
        QCOMPARE(titles, QStringList({"&Fichier", "Temps réel", "&Enregistrement de données", "&Affichage",
                                      "&Fenêtre", "&Aide"}));
        QCOMPARE(menuLayout(h.find<QMenu>("File1")),
                 QStringList({"&Ouvrir", "&Enregistrer", "-", "&Imprimer", "&Paramètres imprimante", "-",
                              "Q&uitter"}));
        QCOMPARE(menuLayout(h.find<QMenu>("RealTime1")), QStringList({"Lancer", "Stop"}));
        QCOMPARE(menuLayout(h.find<QMenu>("DataLogger1")), QStringList({"&Charger", "&Réglages"}));
        QCOMPARE(menuLayout(h.find<QMenu>("View1")),
                 QStringList({"&Panneau de contrôle", "&Graph temps réel"}));
        QCOMPARE(menuLayout(h.find<QMenu>("Help1")), QStringList({"&Contenus", "-", "&A propos"}));
        QVERIFY(!h.action("Run1")->isEnabled());
        QVERIFY(!h.action("Stop1")->isEnabled());
        QVERIFY(h.action("ControlPanel1")->isChecked());
        QVERIFY(h.action("RealTimeGraph1")->isChecked());
        QCOMPARE(h.main->windowTitle(), QString("QX736"));
        h.action("PrinterSetup1")->trigger();
        QCOMPARE(h.dialogs.shown().back().kind, QString("printerSetup"));
    }

    void toolBarAsAtStart()
    {
        MainHarness h;
        struct Row { const char *name; const char *hint; bool enabled; };
        const Row rows[] = {
            {"SpeedButton1", "Ouvrir fichier", true},
            {"SpeedButton2", "Sauver dans un fichier", true},
            {"btnPrint", "Imprimer", true},
            {"btnDataLogger", "Enregsitreur", true},
            {"btnOutputToGraph", "Exporter données tableau sous format graphique", false},
            {"btnRun", "Commencer la représentation des données en temps réel", false},
            {"btnStop", "Arreter la représentation des données en temps réel", false},
            {"SpeedButton8", "Aide", true},
        };
        h.main->show();
        int lastX = -1;
        for (const Row &r : rows) {
            auto *b = h.find<QToolButton>(r.name);
            QVERIFY2(b, r.name);
            QCOMPARE(b->toolTip(), QString(r.hint));
            if (QString(r.name) == "SpeedButton8") {
                QVERIFY(!b->isVisible());
            } else {
                QVERIFY2(b->isEnabled() == r.enabled, r.name);
                QVERIFY(b->x() > lastX); // left to right
                lastX = b->x();
            }
        }
        QCOMPARE(h.find<QWidget>("ToolBar1")->height(), 36);
    }

    void startUpAndConnection()
    {
        MainHarness h;
        h.main->show();
        QCOMPARE(h.main->statusText(1), QString("Connexion Off"));
        QVERIFY(!h.action("Setup1")->isVisible()); // hidden unless --service
        QVERIFY(h.main->session().mainTimer().isActive());

        h.advance(kPollIntervalDisconnectedMs);
        QCOMPARE(h.main->statusText(1), QString("Connexion On"));
        QCOMPARE(h.main->statusText(0), QString());
        QVERIFY(h.find<QToolButton>("btnRun")->isEnabled());
        QVERIFY(h.action("Run1")->isEnabled());
        QVERIFY(!h.find<QToolButton>("btnStop")->isEnabled());
        QVERIFY(h.find<QToolButton>("btnDataLogger")->isEnabled());

        h.sim.setUnplugged(true);
        h.advance(3 * kPollIntervalConnectedMs);
        QCOMPARE(h.main->statusText(1), QString("Pas de connexionn"));
        QVERIFY(!h.find<QToolButton>("btnRun")->isEnabled());
        QVERIFY(!h.action("Run1")->isEnabled());
        QVERIFY(!h.find<QToolButton>("btnDataLogger")->isEnabled());
        QVERIFY(!h.action("LoadData1")->isEnabled());
    }

    void serviceOptionKeepsSetupItem()
    {
        MainOptions o;
        o.service = true;
        MainHarness h(o);
        h.main->show();
        QVERIFY(h.action("Setup1")->isVisible());
    }

    // The program reads its settings at start and writes them back at a normal close.
    void settingsReadAtStartAndWrittenAtClose()
    {
        MainHarness h;
        AppSettings &settings = h.program->context().settings;
        QCOMPARE(settings.realTimeRate, 2);
        QCOMPARE(settings.annoColor, 0);
        QCOMPARE(h.main->session().realTimeRate(), 2);
        h.main->show();
        h.main->session().setRealTimeRate(7);
        settings.annoColor = 0x0000FF;
        h.action("Exit1")->trigger(); // the normal close, settings written
        QVERIFY(!h.main->isVisible());
        QCOMPARE(h.settings.load().realTimeRate, 7);
        QCOMPARE(h.settings.load().annoColor, 0x0000FF);
    }

    // The user's store: defaults where nothing is kept or a value is unreadable.
    void userSettingsStore()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "QX736", "QX736").clear();
        UserSettingsStore user;
        QCOMPARE(user.load().realTimeRate, 2);
        QCOMPARE(user.load().annoColor, 0);
        user.save(AppSettings{7, 0x0000FF});
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "QX736", "QX736");
        QCOMPARE(store.value("RealTimeRate").toInt(), 7);
        QCOMPARE(store.value("AnnoColor").toInt(), 0x0000FF);
        store.setValue("RealTimeRate", "not a number");
        store.sync();
        QCOMPARE(user.load().realTimeRate, 2);
        QCOMPARE(user.load().annoColor, 0x0000FF);
    }

    void dataFolderFallback()
    {
        QTemporaryDir docs;
        QCOMPARE(determineDataFolder(docs.path()), docs.path() + "/QX736/");
        QVERIFY(QDir(docs.path() + "/QX736").exists());
        QTemporaryDir blocked;
        QFile f(blocked.path() + "/QX736");
        QVERIFY(f.open(QIODevice::WriteOnly)); // a file where the folder should be
        f.close();
        QCOMPARE(determineDataFolder(blocked.path()), blocked.path() + "/");
        QCOMPARE(determineDataFolder(QString()), QString());
    }

    void childBeyondTheEdgeShowsNoScrollBars()
    {
        MainHarness h;
        h.main->show();
        auto *child = new QWidget;
        child->resize(300, 200);
        QMdiSubWindow *sub = h.main->addChild(child);
        sub->show();
        sub->move(h.main->mdiArea()->width() - 50, h.main->mdiArea()->height() - 20);
        QApplication::processEvents();
        QVERIFY(!h.main->mdiArea()->horizontalScrollBar()->isVisible());
        QVERIFY(!h.main->mdiArea()->verticalScrollBar()->isVisible());
    }

    void helpOpensThePageBesideTheProgram()
    {
        MainHarness h;
        h.action("Contents1")->trigger();
        QCOMPARE(h.dialogs.opened().size(), 1);
        QVERIFY(h.dialogs.opened().first().endsWith("/QX736HELP.htm"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
