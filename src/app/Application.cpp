#include "Application.h"

#include "CommandLine.h"
#include "TfrmAbout.h"
#include "files/FileCommands.h"
#include "graph/RealTimeController.h"
#include "graph/RecordingJournal.h"
#include "graph/TfrmGraph.h"
#include "logger/DataLoggerController.h"
#include "meter/HidDeviceAccess.h"
#include "meter/MeterSession.h"
#include "meter/TracingDeviceAccess.h"
#include "panel/TfrmPanel.h"
#include "setup/TfrmSetup.h"
#include "sim/SimUnplugSwitch.h"
#include "sim/SimulatedMeter.h"
#include "ui/Commands.h"
#include "ui/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>
#include <cstdio>

namespace qx {

Program::Program(const ProgramSeams &seams)
    : m_dialogs(seams.dialogs), m_session(std::make_unique<MeterSession>(seams.device, seams.clock)),
      m_commands(std::make_unique<Commands>()),
      m_journals(std::make_unique<JournalFolder>(
          !seams.recoveryFolder.isEmpty()
              ? seams.recoveryFolder
              : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/QX736/recovery")))
{
    m_folders.program = seams.programFolder;
    m_main = std::make_unique<TfrmMain>(MainWindowSetup{*m_session, seams.dialogs, *m_commands, seams.settings,
                                                        m_settings, m_folders, m_glyphs, m_printer, *this,
                                                        seams.options, seams.documentsFolder});
    m_context = std::make_unique<WindowContext>(WindowContext{*m_session, seams.dialogs, *m_main, *m_commands,
                                                              m_settings, m_folders, m_glyphs, m_annotations,
                                                              m_printer, seams.files ? *seams.files : *this});
    m_realTime = std::make_unique<RealTimeController>(*m_context, m_journals.get());
    m_dataLogger = std::make_unique<DataLoggerController>(*m_context, m_store);
    m_files = std::make_unique<FileCommands>(*m_context, *m_dataLogger);
    connectCommands();
}

Program::~Program()
{
    // The windows go first: they hold the context and the subsystems' connections.
    m_main.reset();
}

void Program::connectCommands()
{
    const auto on = [this](Command c, QObject *receiver, auto slot) {
        QObject::connect(m_commands->action(c), &QAction::triggered, receiver, slot);
    };
    RealTimeController *rt = m_realTime.get();
    DataLoggerController *logger = m_dataLogger.get();
    on(Command::Run, rt, [rt] { rt->run(); });
    on(Command::Stop, rt, [rt] { rt->stop(); });
    on(Command::LoadData, logger, [logger] { logger->loadData(); });
    on(Command::OutputToGraph, logger, [logger] { logger->outputToGraph(); });
    FileCommands *files = m_files.get();
    on(Command::Save, files, [files] { files->save(); });
    on(Command::Open, files, [files] { files->open(); });
    on(Command::Print, files, [files] { files->print(); });
    TfrmMain *main = m_main.get();
    QObject::connect(rt, &RealTimeController::windowWanted, main, [main] { main->showRealTimeGraph(); });
    QObject::connect(main, &TfrmMain::firstShown, rt, [rt] { rt->offerInterruptedRecordings(); });
    Commands *commands = m_commands.get();
    QObject::connect(m_session.get(), &MeterSession::connectionChanged, commands,
                     [commands](bool connected) { commands->setConnected(connected); });
}

QWidget *Program::createPanel() { return createPanelWindow(*m_context); }

QWidget *Program::createRealTimeGraph() { return m_realTime->createWindow(); }

QWidget *Program::createSetup() { return createSetupWindow(*m_context); }

bool Program::saveGraphAs(QWidget *window, ChartModel &chart) { return m_files->saveGraphAs(window, chart); }

bool Program::saveWindow(QWidget *window) { return m_files->saveWindow(window); }

int runApplication(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("QX736");
    QCoreApplication::setApplicationName("QX736");
    QCoreApplication::setApplicationVersion(QX736_VERSION);

    // The program speaks French: Qt's own buttons and dialogs (Oui, Non, Annuler, the file
    // dialogs) follow, whatever the system's language.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtFrench);

    const CommandLine options = CommandLine::parse(QCoreApplication::arguments());
    if (!options.ok) {
        if (!options.error.isEmpty())
            std::fprintf(stderr, "qx736: %s\n", qPrintable(options.error));
        std::fputs(qPrintable(CommandLine::usage()), stderr);
        return options.error.isEmpty() ? 0 : 2;
    }

    auto splash = std::make_unique<TfrmAbout>();
    splash->showAsSplash();

    SystemClock clock;
    std::unique_ptr<HidapiTransport> transport;
    std::unique_ptr<DeviceAccess> meter;
    std::unique_ptr<SimUnplugSwitch> unplugSwitch; // SIGUSR1 unplugs and replugs the simulated meter
    if (options.simulate) {
        auto simulated = std::make_unique<SimulatedMeter>(clock);
        unplugSwitch = std::make_unique<SimUnplugSwitch>(*simulated);
        meter = std::move(simulated);
    } else {
        transport = std::make_unique<HidapiTransport>();
        meter = std::make_unique<HidDeviceAccess>(*transport);
    }
    std::unique_ptr<TracingDeviceAccess> traced;
    DeviceAccess *device = meter.get();
    if (options.trace) {
        traced = std::make_unique<TracingDeviceAccess>(*meter, stderr, &clock);
        device = traced.get();
    }

    QtDialogs dialogs;
    UserSettingsStore settings;
    MainOptions mainOptions;
    mainOptions.service = options.service;
    Program program({*device, clock, dialogs, settings, userDocumentsFolder(), QString(), mainOptions, nullptr, QString()});
    TfrmMain &frmMain = program.mainWindow();
    frmMain.setSplash(splash.get());
    // Without a window manager (a bare X server) nothing maximises: start at screen size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        frmMain.setGeometry(screen->availableGeometry());
    frmMain.showMaximized();
    return app.exec();
}

} // namespace qx
