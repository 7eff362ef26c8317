// The meter setup window in the running program on the simulated meter, in virtual time:
// opened from "&Réglages", its components, the reports each operation sends and what the
// meter's log shows of them, failures and their texts, the link held while an operation
// runs, the device closed after every operation, Setup All, calibration and EEPROM.
#include "setup/TfrmSetup.h"
#include "support/MainHarness.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace qx;
using namespace qx::test;
using Call = SimulatedMeter::Call;
using Bytes = std::vector<std::uint8_t>;

namespace {

QString hex(const Bytes &bytes)
{
    QStringList out;
    for (std::uint8_t b : bytes)
        out << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return out.join(QLatin1Char(' '));
}

QString callText(const SimulatedMeter::LogEntry &e)
{
    QString text;
    switch (e.call) {
    case Call::Open: text = "open"; break;
    case Call::SetTimeouts: text = "timeouts"; break;
    case Call::WriteCommand: text = "command " + hex(e.bytes); break;
    case Call::WriteData: text = "data " + hex(e.bytes); break;
    case Call::CompleteWrite: text = "complete"; break;
    case Call::ReadReply: text = e.result == 0 ? QString("read %1").arg(e.bytes.size()) : QString("read"); break;
    case Call::Close: text = "close"; break;
    case Call::ReadSerial: text = "serial"; break;
    }
    if (e.result != 0)
        text += QString(" -> %1").arg(e.result);
    return text;
}

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

// The program with --service, connected, its setup window open.
struct SetupRig {
    MainHarness h{MainOptions{true}};
    TfrmSetup *window = nullptr;

    SetupRig()
    {
        h.sim.setAutoReadings(false);
        h.showAndConnect();
        h.action("Setup1")->trigger();
        window = qobject_cast<TfrmSetup *>(h.main->setupWindow());
        h.sim.clearLog();
    }
    template <class T = QWidget> T *find(const char *name) const { return window->findChild<T *>(name); }
    QString text(const char *name) const
    {
        if (auto *label = find<QLabel>(name))
            return label->text();
        if (auto *edit = find<QLineEdit>(name))
            return edit->text();
        return find<QPushButton>(name)->text();
    }
    QColor color(const char *label) const { return find<QLabel>(label)->palette().color(QPalette::WindowText); }
    void set(const char *edit, const QString &text) { find<QLineEdit>(edit)->setText(text); }
    void click(const char *button) { find<QPushButton>(button)->click(); }
    // The calls since the log was last cleared.
    QStringList calls() const
    {
        QStringList out;
        for (const auto &e : h.sim.log())
            out << callText(e);
        return out;
    }
    // The commands written since the log was last cleared, as "02 74 ...", polls left out.
    QStringList commands() const
    {
        QStringList out;
        for (const auto &e : h.sim.log())
            if (e.call == Call::WriteCommand && e.bytes[1] != 'A' && e.bytes[1] != 'K')
                out << hex(e.bytes);
        return out;
    }
    int count(Call call) const
    {
        return int(std::count_if(h.sim.log().begin(), h.sim.log().end(), [call](const auto &e) { return e.call == call; }));
    }
    // Polling off, so that the log holds the operation's calls alone.
    void quiet() { h.main->session().mainTimer().stop(); }
};

} // namespace

class TestSetupWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // "&Réglages" makes one window and restores it; closing it switches polling on and
    // the next choice makes a new one.
    void opensOnceAndCloses()
    {
        SetupRig rig;
        TfrmSetup *w = rig.window;
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString("Data Logger Setup"));
        QMdiSubWindow *frame = childFrame(w);
        QCOMPARE(frame->windowTitle(), QString("Data Logger Setup"));
        const QSize client = rig.h.main->clientSize();
        QVERIFY(std::abs(frame->geometry().center().x() - client.width() / 2) <= 1 || frame->x() == 0);
        frame->showMinimized();
        rig.h.action("Setup1")->trigger();
        QCOMPARE(rig.h.main->setupWindow(), w);
        QVERIFY(!frame->isMinimized());

        rig.h.main->session().mainTimer().stop();
        const QPointer<TfrmSetup> closed(w);
        frame->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.h.main->session().mainTimer().isActive());
        QVERIFY(!closed);
        QVERIFY(!rig.h.main->setupWindow());
        rig.h.action("Setup1")->trigger();
        QVERIFY(rig.h.main->setupWindow());
    }

    void components()
    {
        SetupRig rig;
        const std::pair<const char *, const char *> texts[] = {
            {"Button1", "Adjust Meter Time To Computer Time"},
            {"Button2", "Adjust Meter Recording Interval "},
            {"Button3", "Erase Meter Memory"},
            {"Button4", "Read  "},
            {"Button5", "setup Other"},
            {"Button6", "Setup All"},
            {"Button7", "Read  "},
            {"Button8", "Write EEProm"},
            {"Button9", "Read EEProm"},
            {"edtInt1", "00"},
            {"edtInt2", "02"},
            {"txtWAddress", "0"},
            {"txtWData", "0"},
            {"edtPassword", "0"},
            {"txtRAddress", "0"},
            {"txtRData", "0"},
        };
        for (const auto &[name, text] : texts)
            QCOMPARE(rig.text(name), QString(text));
        for (const char *label : {"lblOK1", "lblOK2", "lblOK3", "lblOK4", "lblOK5", "lblOK6", "lblWriteOK", "lblReadOK"}) {
            QCOMPARE(rig.text(label), QString("OK"));
            QCOMPARE(rig.color(label), kGreen);
            QVERIFY(rig.find<QLabel>(label)->font().bold());
        }
        for (const char *ch : {"T1", "T2", "T3", "T4"}) {
            QCOMPARE(rig.text(qPrintable(QString("edt%1Gain").arg(ch))), QString("1"));
            QCOMPARE(rig.text(qPrintable(QString("edt%1_EXT_offset").arg(ch))), QString("0"));
            QCOMPARE(rig.text(qPrintable(QString("edt%1_CJC_offset").arg(ch))), QString("0"));
        }
        const char *fields[] = {"txtVer", "txtMeterTime", "txtInt", "txtDataSets", "txtMemoryAvailable",
                                "txtSN", "txtAlarm", "txtHi", "txtLo", "txtThermoType", "txtT1_T2",
                                "txtT1offset", "txtT2offset", "txtT3offset", "txtT4offset", "txtSleepTime"};
        for (const char *field : fields) {
            QVERIFY2(rig.find<QLineEdit>(field)->isReadOnly(), field);
            QVERIFY(rig.text(field).isEmpty());
        }
        QCOMPARE(rig.find<QLineEdit>("edtInt1")->inputMask(), QString("99;_"));
        QVERIFY(rig.find<QPushButton>("Button6")->font().bold());
        QStringList captions;
        for (QLabel *l : rig.window->findChildren<QLabel *>())
            captions << l->text();
        for (const char *caption : {"mm:ss(00:01~59:59)", "MM/DD/YY   hh:mm:ss", "FirmWare Version:", "Meter Time:",
                                    "Recording Interval:", "Data Sets In Memory:", "Memory Available:", "SN:",
                                    "ALARM:", "Hi:", "Lo:", "Thermo Type:", "T1-T2:", "T1 offset:", "T4 offset:",
                                    "time to off:", "Gain", "EXT offset", "CJC offset", "T1", "T4"})
            QVERIFY2(captions.contains(caption), caption);
        QStringList groups;
        for (QGroupBox *g : rig.window->findChildren<QGroupBox *>())
            groups << g->title();
        QCOMPARE(groups, (QStringList{"Meter Recording Interval ", "set default value", "Meter DataLogger Information",
                                      "Adjust value"}));
    }

    // The clock set at 2009-07-15 13:05:59 after an EEPROM write and read: the frame's
    // pauses, every call, and the bytes the commands and the block do not set coming
    // from the previous command and the previous reply.
    void clockTrace()
    {
        SetupRig rig;
        rig.quiet();
        rig.h.sim.setReplyHook([](char command, Bytes &reply) {
            if (command == 'r')
                reply[20] = 0x5A;
        });
        rig.set("txtWAddress", "5");
        rig.set("txtWData", "171");
        rig.set("edtPassword", "9264");
        rig.click("Button8");
        rig.set("txtRAddress", "5");
        rig.click("Button9");
        QCOMPARE(rig.text("txtRData"), QString("171"));
        rig.quiet();
        rig.h.sim.clearLog();

        rig.h.clock.setNow(QDateTime(QDate(2009, 7, 15), QTime(13, 5, 59)));
        const qint64 t0 = rig.h.clock.tickMs();
        rig.click("Button1");
        QStringList trace;
        for (const auto &e : rig.h.sim.log())
            trace << QString("+%1 %2").arg(e.atMs - t0).arg(callText(e));
        const QStringList expected = {
            "+501 open",
            "+501 timeouts",
            "+501 command 02 74 00 00 05 AB 03",
            "+501 complete",
            "+602 data 59 05 13 15 07 AB 09 00 72 74 63 00 00 00 00 00 00 00 00 00 5A 00 00 00 00 00 00 00 00 00 00 00",
            "+602 complete",
            "+703 read 32",
            "+703 close",
        };
        QCOMPARE(trace, expected);
        QCOMPARE(rig.text("lblOK1"), QString("OK"));
        QCOMPARE(rig.color("lblOK1"), kGreen);
        QCOMPARE(rig.h.sim.meterTime().toString(Qt::ISODate), QString("2009-07-15T13:05:59"));

        // The interval after it keeps bytes 4 and 5 of the clock command.
        rig.h.sim.clearLog();
        rig.set("edtInt1", "01");
        rig.set("edtInt2", "30");
        rig.click("Button2");
        QCOMPARE(rig.commands(), QStringList{"02 49 01 30 05 AB 03"});
        QCOMPARE(rig.h.sim.intervalSeconds(), 90);
    }

    // What each operation sends from a fresh window, and the inputs it refuses before
    // sending anything.
    void reports_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("inputs"); // edit=text
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("status");
        QTest::newRow("interval 00:01") << "Button2" << QStringList{"edtInt1=00", "edtInt2=01"}
                                        << QStringList{"02 49 00 01 00 00 03"} << QStringList{} << "lblOK2" << "OK";
        QTest::newRow("interval 59:59") << "Button2" << QStringList{"edtInt1=59", "edtInt2=59"}
                                        << QStringList{"02 49 59 59 00 00 03"} << QStringList{} << "lblOK2" << "OK";
        QTest::newRow("interval 60:00") << "Button2" << QStringList{"edtInt1=60", "edtInt2=00"}
                                        << QStringList{"02 49 60 00 00 00 03"} << QStringList{} << "lblOK2" << "OK";
        QTest::newRow("interval 00:00") << "Button2" << QStringList{"edtInt1=00", "edtInt2=00"} << QStringList{}
                                        << QStringList{"Invalid Input"} << "lblOK2" << "OK";
        QTest::newRow("interval 61") << "Button2" << QStringList{"edtInt1=00", "edtInt2=61"} << QStringList{}
                                     << QStringList{"Invalid Input"} << "lblOK2" << "OK";
        QTest::newRow("erase") << "Button3" << QStringList{} << QStringList{"02 65 00 00 00 00 03"} << QStringList{}
                               << "lblOK3" << "OK";
        QTest::newRow("defaults") << "Button5" << QStringList{} << QStringList{"02 73 00 00 00 00 03"}
                                  << QStringList{} << "lblOK4" << "OK";
        QTest::newRow("information") << "Button4" << QStringList{} << QStringList{"02 58 00 00 00 00 03"}
                                     << QStringList{} << "lblOK5" << "OK";
        QTest::newRow("calibration") << "Button7" << QStringList{}
                                     << QStringList{"02 59 00 00 00 00 03", "02 5A 00 00 00 00 03"} << QStringList{}
                                     << "lblOK6" << "OK";
        QTest::newRow("EEPROM write") << "Button8"
                                      << QStringList{"txtWAddress=1000", "txtWData=300", "edtPassword=9264"}
                                      << QStringList{"02 57 00 03 E8 2C 03"} << QStringList{} << "lblWriteOK" << "OK";
        QTest::newRow("EEPROM read") << "Button9" << QStringList{"txtRAddress=65536"}
                                     << QStringList{"02 72 01 00 00 00 03"} << QStringList{} << "lblReadOK" << "OK";
        QTest::newRow("access code with a space")
            << "Button8" << QStringList{"edtPassword=9264 "} << QStringList{} << QStringList{"Password error !!"}
            << "lblWriteOK" << "";
        QTest::newRow("access code 0") << "Button8" << QStringList{} << QStringList{}
                                       << QStringList{"Password error !!"} << "lblWriteOK" << "";
        QTest::newRow("address not an integer")
            << "Button8" << QStringList{"txtWAddress=12a", "edtPassword=9264"} << QStringList{}
            << QStringList{"'12a' is not a valid integer value"} << "lblWriteOK" << "";
        QTest::newRow("data not an integer")
            << "Button8" << QStringList{"txtWData=", "edtPassword=9264"} << QStringList{}
            << QStringList{"'' is not a valid integer value"} << "lblWriteOK" << "";
        QTest::newRow("read address not an integer")
            << "Button9" << QStringList{"txtRAddress=0x10"} << QStringList{}
            << QStringList{"'0x10' is not a valid integer value"} << "lblReadOK" << "";
    }
    void reports()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, messages);
        QFETCH(QString, label);
        QFETCH(QString, status);
        SetupRig rig;
        for (const QString &input : inputs)
            rig.set(qPrintable(input.section('=', 0, 0)), input.section('=', 1));
        rig.click(qPrintable(button));
        QCOMPARE(rig.commands(), commands);
        QCOMPARE(rig.h.dialogs.messages(), messages);
        QCOMPARE(rig.text(qPrintable(label)), status);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(rig.h.main->session().mainTimer().isActive());
    }

    // Unplugged, and meters whose replies go wrong: the code of the last failing step of
    // the last attempt, in red.
    void failures_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("opens");
        QTest::newRow("clock, no meter") << "Button1" << "unplugged" << "lblOK1" << "Fail code=405" << 3;
        QTest::newRow("interval, no meter") << "Button2" << "unplugged" << "lblOK2" << "Fail" << 3;
        QTest::newRow("erase, no meter") << "Button3" << "unplugged" << "lblOK3" << "Fail code=505" << 3;
        QTest::newRow("defaults, no meter") << "Button5" << "unplugged" << "lblOK4" << "Fail code=405" << 3;
        QTest::newRow("information, no meter") << "Button4" << "unplugged" << "lblOK5" << "Fail code=204" << 3;
        QTest::newRow("calibration, no meter") << "Button7" << "unplugged" << "lblOK6" << "Fail code=708" << 6;
        QTest::newRow("EEPROM write, no meter") << "Button8" << "unplugged" << "lblWriteOK" << "Fail" << 5;
        QTest::newRow("EEPROM read, no meter") << "Button9" << "unplugged" << "lblReadOK" << "Fail" << 5;
        QTest::newRow("clock, not OK") << "Button1" << "not OK" << "lblOK1" << "Fail code=406" << 3;
        QTest::newRow("erase, not OK") << "Button3" << "not OK" << "lblOK3" << "Fail code=506" << 3;
        QTest::newRow("defaults, not OK") << "Button5" << "not OK" << "lblOK4" << "Fail code=406" << 3;
        QTest::newRow("interval, not OK") << "Button2" << "not OK" << "lblOK2" << "Fail" << 3;
        QTest::newRow("clock, write fails") << "Button1" << "write fails" << "lblOK1" << "Fail code=405" << 3;
        // Any complete information reply is taken, whatever its first bytes.
        QTest::newRow("information, no mark") << "Button4" << "not OK" << "lblOK5" << "OK" << 1;
        QTest::newRow("calibration, second without OK")
            << "Button7" << "Z not OK" << "lblOK6" << "Fail code=705" << 6;
        QTest::newRow("calibration, first without OK")
            << "Button7" << "Y not OK" << "lblOK6" << "Fail code=705" << 6;
        QTest::newRow("calibration, no first reply") << "Button7" << "Y lost" << "lblOK6" << "Fail code=704" << 6;
        QTest::newRow("EEPROM read, echo wrong") << "Button9" << "not OK" << "lblReadOK" << "Fail" << 5;
    }
    void failures()
    {
        QFETCH(QString, button);
        QFETCH(QString, fault);
        QFETCH(QString, label);
        QFETCH(QString, status);
        QFETCH(int, opens);
        SetupRig rig;
        rig.quiet();
        rig.set("edtPassword", "9264");
        SimulatedMeter &sim = rig.h.sim;
        if (fault == "unplugged")
            sim.setUnplugged(true);
        if (fault == "write fails")
            sim.setFaultHook([](Call call, const std::uint8_t *, int) { return call == Call::WriteData ? -1 : 0; });
        sim.setReplyHook([fault](char command, Bytes &reply) {
            if ((fault == "not OK" && command != 'A' && command != 'K') || (fault == "Z not OK" && command == 'Z')
                || (fault == "Y not OK" && command == 'Y'))
                std::fill_n(reply.begin(), 4, 0x00), std::fill(reply.begin() + 28, reply.end(), 0x00);
            if (fault == "Y lost" && command == 'Y')
                reply.clear();
        });
        rig.click(qPrintable(button));
        QCOMPARE(rig.text(qPrintable(label)), status);
        QCOMPARE(rig.color(qPrintable(label)), status == "OK" ? kGreen : kRed);
        // Polling stayed off through the operation: only its own opens.
        QCOMPARE(rig.count(Call::Open), opens);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(rig.h.main->session().mainTimer().isActive());
        if (button == "Button4" && status != "OK")
            QVERIFY(rig.text("txtSN").isEmpty() && rig.text("txtVer").isEmpty());
        if (button == "Button7" && status != "OK")
            QVERIFY(rig.text("edtT1Gain").isEmpty() && rig.text("edtT4_CJC_offset").isEmpty());
        if (button == "Button9")
            QVERIFY(rig.text("txtRData").isEmpty());
    }

    // Whatever the operation and however many attempts it took, the device is closed at
    // its end and no handle is left.
    void closesTheDevice_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("firstReadFails");
        const std::pair<const char *, const char *> operations[] = {
            {"Button1", "lblOK1"}, {"Button2", "lblOK2"}, {"Button3", "lblOK3"},     {"Button4", "lblOK5"},
            {"Button5", "lblOK4"}, {"Button7", "lblOK6"}, {"Button8", "lblWriteOK"}, {"Button9", "lblReadOK"}};
        for (const auto &[button, label] : operations) {
            QTest::addRow("%s", button) << QString(button) << QString(label) << false;
            QTest::addRow("%s, first read fails", button) << QString(button) << QString(label) << true;
        }
    }
    void closesTheDevice()
    {
        QFETCH(QString, button);
        QFETCH(QString, label);
        QFETCH(bool, firstReadFails);
        SetupRig rig;
        rig.set("edtPassword", "9264");
        rig.quiet();
        if (firstReadFails)
            rig.h.sim.failNext(Call::ReadReply);
        rig.click(qPrintable(button));
        QCOMPARE(rig.text(qPrintable(label)), QString("OK"));
        QCOMPARE(rig.h.sim.openHandles(), 0);
        QVERIFY(!rig.h.sim.isOpen());
        QCOMPARE(rig.calls().last(), QString("close"));
    }

    // While an operation runs the buttons are disabled, polling waits and a click made
    // during its pauses starts nothing; a close asked meanwhile waits for its end.
    void holdsTheLink()
    {
        SetupRig rig;
        MeterSession &session = rig.h.main->session();
        QList<bool> buttonsEnabled;
        QList<bool> timerActive;
        rig.h.sim.setFaultHook([&](Call call, const std::uint8_t *bytes, int) {
            if (call == Call::WriteCommand && bytes && bytes[1] != 'A' && bytes[1] != 'K') {
                bool any = false;
                for (QPushButton *b : rig.window->findChildren<QPushButton *>())
                    any = any || b->isEnabled();
                buttonsEnabled << any;
                timerActive << session.mainTimer().isActive();
            }
            return 0;
        });
        // Asked during the first pause, when input is handled.
        QMetaObject::invokeMethod(
            rig.window, [&rig] { QTest::mouseClick(rig.find<QPushButton>("Button3"), Qt::LeftButton); },
            Qt::QueuedConnection);
        QMetaObject::invokeMethod(rig.window, [&rig] { childFrame(rig.window)->close(); }, Qt::QueuedConnection);
        rig.click("Button4");
        QCOMPARE(buttonsEnabled, QList<bool>{false});
        QCOMPARE(timerActive, QList<bool>{false});
        // No erase, and no poll between the information's open and its close.
        QStringList commands = rig.commands();
        QVERIFY(!commands.contains("02 65 00 00 00 00 03"));
        const QStringList calls = rig.calls();
        const auto first = calls.indexOf("command 02 58 00 00 00 00 03");
        QCOMPARE(calls.mid(first - 2, 7), (QStringList{"open", "timeouts", "command 02 58 00 00 00 00 03", "complete",
                                                       "read 64", "serial", "close"}));
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!rig.h.main->setupWindow());
        QVERIFY(session.mainTimer().isActive());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Another exchange holds the link (a download, a key): nothing is sent.
    void linkBusy()
    {
        SetupRig rig;
        UserExchange other(rig.h.main->session().gate());
        QVERIFY(other.ok());
        rig.click("Button3");
        QCOMPARE(rig.text("lblOK3"), QString("Fail"));
        QCOMPARE(rig.color("lblOK3"), kRed);
        QVERIFY(rig.commands().isEmpty());
    }

    // An invalid interval does not stop Setup All: the erase, the defaults and the read
    // follow 500 ms apart, and the read and the next download show their effects.
    void setupAll()
    {
        SetupRig rig;
        SimulatedMeter &sim = rig.h.sim;
        rig.set("edtInt1", "00");
        rig.set("edtInt2", "00");
        QList<std::pair<char, qint64>> sent;
        sim.setFaultHook([&](Call call, const std::uint8_t *bytes, int) {
            if (call == Call::WriteCommand && bytes && bytes[1] != 'A' && bytes[1] != 'K')
                sent << std::pair{char(bytes[1]), rig.h.clock.tickMs()};
            return 0;
        });
        rig.h.clock.setNow(QDateTime(QDate(2009, 7, 15), QTime(13, 5, 59)));
        rig.click("Button6");
        QCOMPARE(rig.h.dialogs.messages(), QStringList{"Invalid Input"});
        QString order;
        for (const auto &[command, at] : sent)
            order += command;
        QCOMPARE(order, QString("tesX"));
        // The clock's read ends 202 ms after its command; then 500 ms, the refused interval,
        // 500 ms, and the erase's own 500.
        QCOMPARE(sent[1].second - sent[0].second, 202 + 501 + 501 + 501);
        for (const char *label : {"lblOK1", "lblOK2", "lblOK3", "lblOK4", "lblOK5"})
            QCOMPARE(rig.text(label), QString("OK"));
        const std::pair<const char *, const char *> fields[] = {
            {"txtVer", "1.05"},         {"txtMeterTime", "07/15/2009   13:05:59"},
            {"txtInt", "0:2"},          {"txtDataSets", "0"},
            {"txtMemoryAvailable", "16000"}, {"txtSN", "QX7360001"},
            {"txtAlarm", "OFF"},        {"txtHi", "212"},
            {"txtLo", "-4"},            {"txtThermoType", "K"},
            {"txtT1_T2", "OFF"},        {"txtT1offset", "0"},
            {"txtT4offset", "0"},       {"txtSleepTime", "30 minutes"},
        };
        // The meter's clock has run on by the time it is read.
        const QString meterTime = rig.text("txtMeterTime");
        QVERIFY2(meterTime.startsWith("07/15/2009   13:06:0"), qPrintable(meterTime));
        for (const auto &[name, text] : fields)
            if (QString(name) != "txtMeterTime")
                QCOMPARE(rig.text(name), QString(text));

        sim.setFaultHook({});
        rig.h.advance(1000);
        rig.h.dialogs.clear();
        rig.h.action("LoadData1")->trigger();
        QCOMPARE(rig.h.dialogs.messages(), QStringList{QString::fromUtf8("Pas de données enregistrées dans l'appareil !")});
    }

    void calibration()
    {
        SetupRig rig;
        SimulatedMeter::Calibration cal;
        cal.gain = {1.0f, -1.0f, 0.0f, 123.455078125f};
        cal.extOffset = {0.125f, -0.5f, 2.0f, 0.0f};
        cal.cjcOffset = {-0.25f, 0.0f, 10.0f, 1.00210571f};
        rig.h.sim.setCalibration(cal);
        rig.click("Button7");
        QCOMPARE(rig.text("lblOK6"), QString("OK"));
        const QStringList expected = {"1.00000000",  "-1.00000000", "0.00000000",  "123.45507810",
                                      "0.12500000",  "-0.50000000", "2.00000000",  "0.00000000",
                                      "-0.25000000", "0.00000000",  "10.00000000", "1.00210571"};
        QStringList shown;
        for (const char *kind : {"Gain", "_EXT_offset", "_CJC_offset"})
            for (const char *ch : {"T1", "T2", "T3", "T4"})
                shown << rig.text(qPrintable(QString("edt%1%2").arg(ch, kind)));
        QCOMPARE(shown, expected);
    }

    // A write whose first reply does not repeat the command: two pauses, the quit command
    // with the failed command's bytes, a pause, and a second attempt that succeeds. A
    // read after a lost reply: the quit command, then the byte.
    void eepromRetries()
    {
        SetupRig rig;
        rig.quiet();
        SimulatedMeter &sim = rig.h.sim;
        int spoiled = 1;
        sim.setReplyHook([&](char command, Bytes &reply) {
            if ((command == 'W' || command == 'r') && spoiled-- > 0)
                reply[1] = 'X';
        });
        rig.set("txtWAddress", "1000");
        rig.set("txtWData", "300");
        rig.set("edtPassword", "9264");
        const qint64 t0 = rig.h.clock.tickMs();
        rig.click("Button8");
        QStringList trace;
        for (const auto &e : sim.log())
            trace << QString("+%1 %2").arg(e.atMs - t0).arg(callText(e));
        const QStringList expected = {
            "+501 open",     "+501 timeouts", "+501 command 02 57 00 03 E8 2C 03", "+501 complete", "+501 read 32",
            "+1103 complete", "+1103 command 02 51 00 03 E8 2C 03",               "+1404 close",   "+1404 open",
            "+1404 timeouts", "+1404 command 02 57 00 03 E8 2C 03", "+1404 complete", "+1404 read 32", "+1404 close",
        };
        QCOMPARE(trace, expected);
        QCOMPARE(rig.text("lblWriteOK"), QString("OK"));
        QCOMPARE(int(sim.eepromCell(1000)), 0x2C);

        sim.clearLog();
        spoiled = 1;
        rig.set("txtRAddress", "1000");
        rig.click("Button9");
        QCOMPARE(rig.commands(), (QStringList{"02 72 00 03 E8 2C 03", "02 51 00 03 E8 2C 03", "02 72 00 03 E8 2C 03"}));
        QCOMPARE(rig.text("txtRData"), QString("44"));
        QCOMPARE(rig.text("lblReadOK"), QString("OK"));

        // A cell never written reads 255; a meter that keeps the echo wrong fails after
        // five attempts, each followed by the quit command.
        rig.set("txtRAddress", "70000");
        rig.click("Button9");
        QCOMPARE(rig.text("txtRData"), QString("255"));
        sim.clearLog();
        spoiled = 100;
        rig.click("Button8");
        QCOMPARE(rig.text("lblWriteOK"), QString("Fail"));
        QCOMPARE(rig.commands().count("02 51 00 03 E8 2C 03"), 5);
        QCOMPARE(rig.commands().count("02 57 00 03 E8 2C 03"), 5);
        QCOMPARE(sim.openHandles(), 0);
    }
};

QTEST_MAIN(TestSetupWindow)
#include "test_setupwindow.moc"
