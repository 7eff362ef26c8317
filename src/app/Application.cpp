#include "Application.h"

#include "CommandLine.h"
#include "Dialogs.h"
#include "TfrmAbout.h"
#include "meter/HidDeviceAccess.h"
#include "meter/TracingDeviceAccess.h"
#include "graph/RealTimeController.h"
#include "graph/TfrmGraph.h"
#include "logger/DataLoggerController.h"
#include "panel/TfrmPanel.h"
#include "sim/SimulatedMeter.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QScreen>
#include <cstdio>

namespace qx {

WindowHooks programWindowHooks()
{
    WindowHooks hooks;
    hooks.createPanel = createPanelWindow;
    hooks.createRealTimeGraph = [](TfrmMain &main) {
        QWidget *w = createRealTimeWindow(main);
        if (RealTimeController *rt = RealTimeController::of(main))
            rt->attachWindow(w);
        return w;
    };
    hooks.installCommands = [](TfrmMain &main) {
        installRealTimeRecording(main);
        installDataLogger(main);
    };
    return hooks;
}

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
    if (options.simulate) {
        meter = std::make_unique<SimulatedMeter>(clock);
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
    MainOptions mainOptions;
    mainOptions.service = options.service;
    TfrmMain frmMain(*device, clock, dialogs, mainOptions, programWindowHooks());
    frmMain.setSplash(splash.get());
    // Without a window manager (a bare X server) nothing maximises: start at screen size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        frmMain.setGeometry(screen->availableGeometry());
    frmMain.showMaximized();
    const int rc = app.exec();
    return rc;
}

} // namespace qx
