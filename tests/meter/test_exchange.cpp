// One attempt of an exchange as its row describes it, on a scripted device: the steps and
// pauses in their order, which step's code counts when several fail, the buffers that
// keep unset bytes, the reply and block that must fit their buffer, and the retries.
#include "meter/Exchange.h"
#include "meter/ScriptedDevice.h"

#include <QTest>

using namespace qx;
using namespace qx::test;

namespace {

// A row with every step: a command with two parameters, a data block between pauses, a
// 32-byte reply marked "OK" at bytes 2 and 3, a code for each step.
ExchangeSpec fullRow(OnFailure onFailure)
{
    return {.command = 't',
            .params = {0x00, 0x00},
            .pauseAfterCommandMs = 100,
            .dataBlock = true,
            .pauseAfterDataMs = 100,
            .replyLength = 32,
            .marks = okAt(2),
            .onFailure = onFailure,
            .codes = {.open = 401, .timeouts = 402, .command = 403, .data = 404, .read = 405, .marks = 406}};
}

enum Fault { Open = 1, Timeouts = 2, Command = 4, Data = 8, Read = 16, Marks = 32 };

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void steps_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<int>("faults");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("calls");
        const QStringList all = {"[0] open 04d9:e000",
                                 "[0] timeouts 100 100",
                                 "[0] command 02 74 00 00 00 00 03",
                                 "[0] complete",
                                 "[101] data 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                 "00 00 00 00 00 00 72",
                                 "[101] complete",
                                 "[202] read 32"};
        QTest::newRow("all well") << false << 0 << 0 << all;
        QTest::newRow("stop: open") << false << int(Open) << 401 << all.mid(0, 1);
        QTest::newRow("stop: time-outs") << false << int(Timeouts) << 402 << all.mid(0, 2);
        QTest::newRow("stop: command") << false << int(Command) << 403 << all.mid(0, 3);
        QTest::newRow("stop: data") << false << int(Data) << 404 << all.mid(0, 5);
        QTest::newRow("stop: read") << false << int(Read) << 405 << all;
        QTest::newRow("stop: marks") << false << int(Marks) << 406 << all;
        QTest::newRow("stop: open and marks") << false << (Open | Marks) << 401 << all.mid(0, 1);
        QTest::newRow("go on: open") << true << int(Open) << 401 << all;
        QTest::newRow("go on: open and data") << true << (Open | Data) << 404 << all;
        QTest::newRow("go on: command and marks") << true << (Command | Marks) << 406 << all;
        // A read that fails has no reply to check: its own code counts.
        QTest::newRow("go on: read and marks") << true << (Read | Marks) << 405 << all;
        QTest::newRow("go on: every step") << true << 63 << 405 << all;
    }
    void steps()
    {
        QFETCH(bool, goOn);
        QFETCH(int, faults);
        QFETCH(int, code);
        QFETCH(QStringList, calls);
        VirtualClock clock;
        ScriptedDevice device;
        device.clock = &clock;
        device.openResult = faults & Open ? -1 : 0;
        device.timeoutsResult = faults & Timeouts ? -1 : 0;
        device.commandResult = faults & Command ? -1 : 0;
        device.dataResult = faults & Data ? -1 : 0;
        device.readResult = faults & Read ? -1 : 0;
        device.reply = {0x02, 't', 'O', std::uint8_t(faults & Marks ? 'X' : 'K')};
        CommandBuffer buffer;
        Exchange exchange(device, clock, buffer);
        std::array<std::uint8_t, 32> reply{};
        const ExchangeResult r = exchange.run(fullRow(goOn ? OnFailure::GoOn : OnFailure::Stop), reply,
                                              {.dataBlock = [](std::span<std::uint8_t, 32> block) { block[31] = 0x72; }});
        QCOMPARE(r.code, code);
        QCOMPARE(r.ok(), faults == 0);
        QCOMPARE(device.calls, calls);
    }

    // Unset parameter bytes keep the previous command's; the data block is composed in the
    // reply buffer, over what the previous reply left there.
    void buffersKeepUnsetBytes()
    {
        VirtualClock clock;
        ScriptedDevice device;
        CommandBuffer buffer;
        Exchange exchange(device, clock, buffer);
        std::array<std::uint8_t, 32> reply{};
        device.reply = {0x02, 'W', 'O', 'K', 0x55, 0x66};
        QVERIFY(exchange.run({.command = 'W', .params = {0x00, 0x03, 0xE8, 0x2C}, .replyLength = 32}, reply).ok());
        QVERIFY(exchange.run({.command = 'Q', .replyLength = 32}, reply).ok());
        QVERIFY(exchange.run({.command = 'I', .params = {0x05, 0x30}, .replyLength = 32}, reply).ok());
        ExchangeSpec withBlock = {.command = 's', .dataBlock = true};
        QVERIFY(exchange.run(withBlock, reply, {.dataBlock = [](auto block) { block[0] = 'A'; }}).ok());
        const QStringList calls = {
            "command 02 57 00 03 E8 2C 03", "command 02 51 00 03 E8 2C 03", "command 02 49 05 30 E8 2C 03",
            "command 02 73 05 30 E8 2C 03",
            "data 41 57 4F 4B 55 66 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"};
        QStringList written;
        for (const QString &c : device.calls)
            if (c.startsWith("command") || c.startsWith("data"))
                written << c;
        QCOMPARE(written, calls);
    }

    // The write judged by the reply, a zeroed reply buffer, the closing rules, no reply.
    void variants_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("ok");
        QTest::newRow("write not checked, closed, cleared")
            << 0 << QStringList{"open 04d9:e000", "timeouts 100 100", "command 02 41 00 00 00 00 03", "complete", "read 64", "close"} << true;
        QTest::newRow("closed after a failed open")
            << 1 << QStringList{"open 04d9:e000", "close"} << false;
        QTest::newRow("no open, failed write closes")
            << 2 << QStringList{"command 02 70 00 00 00 00 03", "close"} << false;
        QTest::newRow("no reply, no completion")
            << 3 << QStringList{"command 02 71 00 00 00 00 03"} << true;
        QTest::newRow("reply longer than its buffer") // nothing is read into too short a buffer
            << 4 << QStringList{"command 02 58 00 00 00 00 03", "complete"} << false;
        QTest::newRow("check past the reply")
            << 5 << QStringList{"command 02 4B 00 00 00 00 03", "complete", "read 32"} << false;
    }
    void variants()
    {
        QFETCH(int, variant);
        VirtualClock clock;
        ScriptedDevice device;
        CommandBuffer buffer;
        Exchange exchange(device, clock, buffer);
        std::array<std::uint8_t, 64> reply;
        reply.fill(0xEE);
        device.reply = {0x02};
        ExchangeResult r;
        switch (variant) {
        case 0:
            device.commandResult = -1;
            r = exchange.run({.command = 'A', .commandChecked = false, .clearReply = true, .replyLength = 64,
                              .close = CloseRule::Always},
                             reply);
            QCOMPARE(int(reply[40]), 0);
            break;
        case 1:
            device.openResult = -1;
            r = exchange.run({.command = 'K', .replyLength = 32, .close = CloseRule::Always}, reply);
            QCOMPARE(r.failedStep, ExchangeStep::Open);
            break;
        case 2:
            device.commandResult = -1;
            r = exchange.run({.command = 'p', .open = false, .replyLength = 36, .close = CloseRule::AfterFailedCommand,
                              .codes = {.command = 123}},
                             reply);
            QCOMPARE(r.code, 123);
            break;
        case 3:
            r = exchange.run({.command = 'q', .open = false, .completeWrite = false}, reply);
            break;
        case 4:
            r = exchange.run({.command = 'X', .open = false, .replyLength = 64, .codes = {.read = 204}},
                             std::span(reply).first(32));
            QCOMPARE(r.code, 204);
            break;
        case 5:
            r = exchange.run({.command = 'K', .open = false, .replyLength = 32, .marks = okAt(31), .codes = {.marks = 9}},
                             reply);
            QCOMPARE(r.code, 9);
            break;
        }
        QTEST(device.calls, "calls");
        QTEST(r.ok(), "ok");
    }

    void retries_data()
    {
        QTest::addColumn<int>("failures"); // reads that fail before one succeeds
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<qint64>>("readsAt");
        QTest::addColumn<QList<int>>("afterFailure");
        QTest::newRow("first attempt") << 0 << 3 << true << QList<qint64>{101} << QList<int>{};
        QTest::newRow("third attempt") << 2 << 3 << true << QList<qint64>{101, 513, 935} << QList<int>{0, 1};
        QTest::newRow("all fail") << 5 << 3 << false << QList<qint64>{101, 513, 935} << QList<int>{0, 1, 2};
    }
    void retries()
    {
        QFETCH(int, failures);
        QFETCH(int, attempts);
        VirtualClock clock;
        ScriptedDevice device;
        device.reply = {0x02};
        device.readsToFail = failures;
        CommandBuffer buffer;
        Exchange exchange(device, clock, buffer);
        std::array<std::uint8_t, 32> reply{};
        QList<qint64> readsAt;
        QList<int> afterFailure;
        // 100 ms before the first attempt, 110 before the second..., 300 after each failure.
        const RetryPolicy policy{.attempts = attempts, .pauseBeforeMs = 100, .pauseGrowthMs = 10, .pauseAfterFailureMs = 300};
        const ExchangeResult r = retry(
            clock, policy,
            [&] {
                readsAt << clock.tickMs();
                return exchange.run({.command = 'Y', .open = false, .replyLength = 32, .codes = {.read = 704}}, reply);
            },
            [&](const ExchangeResult &failed, int attempt) {
                QCOMPARE(failed.code, 704);
                afterFailure << attempt;
            });
        QTEST(r.ok(), "ok");
        QCOMPARE(r.code, r.ok() ? 0 : 704);
        QTEST(readsAt, "readsAt");
        QTEST(afterFailure, "afterFailure");
    }
};

QTEST_APPLESS_MAIN(TestExchange)
#include "test_exchange.moc"
