// A program on the simulated meter in real time that starts a real-time recording of one
// sample a second as soon as the meter answers, for a test to kill it mid-recording.
// Usage: journal_child <journal folder>
#include "app/Application.h"
#include "graph/TfrmSetupRealTime.h"
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"
#include "support/ScriptedDialogs.h"
#include "ui/Commands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QTemporaryDir>

using namespace qx;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    SystemClock clock;
    SimulatedMeter sim(clock);
    test::ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    QTemporaryDir documents;
    dialogs.answerDialog([](QDialog &d) {
        auto &s = static_cast<TfrmSetupRealTime &>(d);
        s.countEdit()->setText("2000");
        s.minutesBox()->setCurrentIndex(0);
        s.secondsBox()->setCurrentIndex(1);
        return int(QDialog::Accepted);
    });
    Program program({sim, clock, dialogs, settings, documents.path(), QString(), {}, nullptr, QString::fromLocal8Bit(argv[1])});
    program.mainWindow().resize(1200, 800);
    program.mainWindow().show();
    QTimer start;
    QObject::connect(&start, &QTimer::timeout, [&] {
        if (!program.session().connected())
            return;
        start.stop();
        program.commands().action(Command::Run)->trigger();
    });
    start.start(50);
    return app.exec();
}
