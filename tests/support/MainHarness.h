#pragma once
// The whole program on the simulated meter in virtual time, driven through its widgets.
#include "app/Application.h"
#include "app/TfrmMain.h"
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "sim/SimulatedMeter.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace qx::test {

struct MainHarness {
    explicit MainHarness(MainOptions options = {}, WindowHooks hooks = programWindowHooks())
        : main(std::make_unique<TfrmMain>(sim, clock, dialogs, options, std::move(hooks)))
    {
        main->resize(1600, 1000);
        // A program folder of its own holding the shipped chart template, as an installed
        // program has it; tests of the template point the main window elsewhere.
        QDir().mkpath(programFolder.filePath("template"));
        storeChartFile(defaultChartTemplate(), chartTemplatePath(programFolder.path()), nullptr);
        main->setProgramFolder(programFolder.path());
    }

    // Shows the window (first show runs the start-up steps) and lets it connect.
    void showAndConnect()
    {
        main->show();
        advance(kPollIntervalDisconnectedMs);
    }
    void advance(qint64 ms)
    {
        QApplication::processEvents();
        clock.advance(ms);
        QApplication::processEvents();
    }
    template <class T = QWidget> T *find(const char *name) const { return main->findChild<T *>(name); }
    QAction *action(const char *name) const { return main->findChild<QAction *>(name); }

    QTemporaryDir programFolder;
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0, 0))};
    SimulatedMeter sim{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> main;
};

} // namespace qx::test
