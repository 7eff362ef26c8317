#pragma once
// Puts the program together: the meter session, the settings, the commands, the main
// window, the windows' context and the subsystems that run the commands. `main` only
// calls `runApplication`; tests build a Program on the simulated meter.
#include "TfrmMain.h"
#include "logger/MemoryImage.h"
#include "ui/WindowContext.h"

#include <memory>

namespace qx {

class Clock;
class Commands;
class DataLoggerController;
class FileCommands;
class DeviceAccess;
class Dialogs;
class MeterSession;
class JournalFolder;
class RealTimeController;

// What the program is run with; the real ones at start-up, stand-ins in tests.
struct ProgramSeams {
    DeviceAccess &device;
    Clock &clock;
    Dialogs &dialogs;
    SettingsStore &settings;
    QString documentsFolder; // where the data folder goes
    QString programFolder;   // help page and chart template; empty: the application's folder
    MainOptions options;
    RecordingFiles *files = nullptr; // saving what a window shows; null: the program's own
    // Where running recordings are journalled; empty: the user's data location.
    QString recoveryFolder;
};

class Program final : private MainWindowParts, private RecordingFiles {
public:
    explicit Program(const ProgramSeams &seams);
    ~Program() override;
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    TfrmMain &mainWindow() { return *m_main; }
    MeterSession &session() { return *m_session; }
    WindowContext &context() { return *m_context; }
    Commands &commands() { return *m_commands; }
    Folders &folders() { return m_folders; }
    AnnotationState &annotations() { return m_annotations; }
    DataSetStore &dataSets() { return m_store; }
    RealTimeController &realTime() { return *m_realTime; }
    DataLoggerController &dataLogger() { return *m_dataLogger; }
    FileCommands &files() { return *m_files; }

private:
    QWidget *createPanel() override;
    QWidget *createRealTimeGraph() override;
    QWidget *createSetup() override;
    bool saveGraphAs(QWidget *window, ChartModel &chart) override;
    bool saveWindow(QWidget *window) override;
    void connectCommands();

    Dialogs &m_dialogs;
    std::unique_ptr<MeterSession> m_session;
    std::unique_ptr<Commands> m_commands;
    AppSettings m_settings;
    Folders m_folders;
    Glyphs m_glyphs;
    ProgramPrinter m_printer;
    AnnotationState m_annotations;
    DataSetStore m_store;
    std::unique_ptr<JournalFolder> m_journals;
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<WindowContext> m_context;
    std::unique_ptr<RealTimeController> m_realTime;
    std::unique_ptr<DataLoggerController> m_dataLogger;
    std::unique_ptr<FileCommands> m_files;
};

int runApplication(int argc, char **argv);

} // namespace qx
