#pragma once
// The whole program on the simulated meter in virtual time, driven through its widgets.
// Its settings, documents and program folder are its own: nothing of the user's is read or
// written.
#include "app/Application.h"
#include "app/TfrmMain.h"
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"
#include "support/ScriptedDialogs.h"
#include "ui/Commands.h"
#include "ui/Settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace qx::test {

struct MainHarness {
    explicit MainHarness(MainOptions options = {}, RecordingFiles *files = nullptr, QString recoveryFolder = {})
    {
        // A program folder of its own holding the shipped chart template, as an installed
        // program has it; tests of the template point the program elsewhere.
        QDir().mkpath(programFolder.filePath("template"));
        storeChartFile(defaultChartTemplate(), chartTemplatePath(programFolder.path()), nullptr);
        program = std::make_unique<Program>(
            ProgramSeams{sim, clock, dialogs, settings, documents.path(), programFolder.path(), options, files,
                         recoveryFolder.isEmpty() ? recovery.path() : recoveryFolder});
        main = &program->mainWindow();
        main->resize(1600, 1000);
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
    QAction *action(const char *name) const { return program->commands().findChild<QAction *>(name); }
    void setProgramFolder(const QString &folder) { program->folders().program = folder; }

    QTemporaryDir programFolder;
    QTemporaryDir documents;
    QTemporaryDir recovery;
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0, 0))};
    SimulatedMeter sim{clock};
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    std::unique_ptr<Program> program;
    TfrmMain *main = nullptr;
};

// Saves that only count and answer as told.
struct CountingFiles final : RecordingFiles {
    bool works = true;
    int saves = 0;
    bool saveGraphAs(QWidget *, ChartModel &) override { return ++saves, works; }
    bool saveWindow(QWidget *) override { return ++saves, works; }
};

} // namespace qx::test
