// The simulated meter as the program meets it over DeviceAccess: identity, the LCD image of
// its own readings, keys, the logger, the download read-out, the setup commands and the
// faults a test can inject.
#include "meter/LiveFrame.h"
#include "sim/SimUnplugSwitch.h"
#include "sim/SimulatedMeter.h"

#include <QTest>

#include <csignal>
#include <cstring>

using namespace qx;
using Call = SimulatedMeter::Call;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Rig {
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0))};
    SimulatedMeter sim{clock};

    Rig()
    {
        sim.setAutoReadings(false);
        sim.openDevice(kMeterVendorId, kMeterProductId);
    }
    // Sends one command report (and a data block), reads `length` bytes; empty when no reply.
    Bytes exchange(char command, int length, std::array<std::uint8_t, 4> params = {},
                   const Bytes &block = {})
    {
        const std::uint8_t report[7] = {0x02, std::uint8_t(command), params[0], params[1],
                                        params[2], params[3], 0x03};
        if (sim.writeCommand(7, report) != 0)
            return {};
        if (!block.empty() && sim.writeData(int(block.size()), block.data()) != 0)
            return {};
        Bytes reply(std::size_t(length), 0);
        if (sim.readReply(length, reply.data()) != 0)
            return {};
        return reply;
    }
    LiveState live()
    {
        const Bytes frame = exchange('A', 64);
        if (frame.size() != 64 || !liveFrameMarksValid(frame.data()))
            return {};
        return decodeLiveFrame(frame.data());
    }
};

bool okAt(const Bytes &reply, std::size_t at)
{
    return reply.size() > at + 1 && reply[at] == 'O' && reply[at + 1] == 'K';
}

QList<int> glyphs(const LiveState &s, int channel)
{
    QList<int> out;
    for (int d = 0; d < 4; ++d)
        out << s.largeDigit[std::size_t(4 * channel + d)];
    return out;
}

int fillPointer(const Bytes &image) { return image[10] << 16 | image[11] << 8 | image[12]; }
int setCount(const Bytes &image) { return image[8] << 8 | image[9]; }

// ClockBlock for a date and time, each field in BCD.
Bytes clockBlock(std::uint8_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                 std::uint8_t second)
{
    Bytes b(32, 0);
    b[0] = second;
    b[1] = minute;
    b[2] = hour;
    b[3] = day;
    b[4] = month;
    b[6] = year;
    b[8] = 'r';
    b[9] = 't';
    b[10] = 'c';
    return b;
}

Bytes defaultSettingsBlock()
{
    return {'A', 'L', 'L', 0x00, 0x00, 0xD4, 0xFF, 0xFC, 0x00, 0x00, 0x00, 0x0A, 0xFF, 0x00, 0x02, 0x14,
            0,   0,   0x00, 0,   0,    0x00, 0,    0,    0,    0,    0,    0,    0,    0,    0x02, 0};
}

constexpr std::array<Indicator, 4> kPoint = {Indicator::T1Point, Indicator::T2Point, Indicator::T3Point,
                                             Indicator::T4Point};
constexpr std::array<Indicator, 4> kMinus = {Indicator::T1Minus, Indicator::T2Minus, Indicator::T3Minus,
                                             Indicator::T4Minus};
constexpr std::array<Indicator, 4> kFahrenheit = {Indicator::T1Fahrenheit, Indicator::T2Fahrenheit,
                                                  Indicator::T3Fahrenheit, Indicator::T4Fahrenheit};
constexpr std::array<Indicator, 4> kCelsius = {Indicator::T1Celsius, Indicator::T2Celsius, Indicator::T3Celsius,
                                               Indicator::T4Celsius};

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void identity()
    {
        Rig rig;
        Bytes r = rig.exchange('K', 32);
        QCOMPARE(int(r.size()), 32);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&r[23]), 3), QByteArray("736"));
        rig.sim.setModelDigits("735");
        r = rig.exchange('K', 32);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&r[23]), 3), QByteArray("735"));
    }

    void liveFrameShowsOwnReadings_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("celsius");
        QTest::addColumn<bool>("fahrenheit");
        QTest::addColumn<int>("flag"); // 0 none, 1 over range, 2 no reading
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<bool>("point");
        QTest::addColumn<bool>("minus");
        QTest::addColumn<int>("status");
        const int b = 16, m = 17, L = 18; // blank, minus, letter L
        QTest::newRow("T1 23.4") << 0 << 23.4 << false << 0 << QList<int>{b, 2, 3, 4} << true << false << 0;
        QTest::newRow("T2 negative") << 1 << -5.2 << false << 0 << QList<int>{b, b, 5, 2} << true << true << 0;
        QTest::newRow("T3 123.4") << 2 << 123.4 << false << 0 << QList<int>{1, 2, 3, 4} << true << false << 0;
        QTest::newRow("T4 below one") << 3 << 0.5 << false << 0 << QList<int>{b, b, 0, 5} << true << false << 0;
        QTest::newRow("T1 no decimals from 1000") << 0 << 1234.0 << false << 0 << QList<int>{1, 2, 3, 4} << false
                                                  << false << 0;
        QTest::newRow("T2 in F") << 1 << 20.0 << true << 0 << QList<int>{b, 6, 8, 0} << true << false << 0;
        QTest::newRow("T4 negative F") << 3 << -30.0 << true << 0 << QList<int>{b, 2, 2, 0} << true << true << 0;
        QTest::newRow("T3 OL") << 2 << 25.0 << false << 1 << QList<int>{b, 0, L, b} << false << false << 0x04;
        QTest::newRow("T4 no reading") << 3 << 25.0 << false << 2 << QList<int>{m, m, m, m} << false << false
                                       << 0x80;
    }
    void liveFrameShowsOwnReadings()
    {
        QFETCH(int, channel);
        QFETCH(double, celsius);
        QFETCH(bool, fahrenheit);
        QFETCH(int, flag);
        QFETCH(QList<int>, expected);
        QFETCH(bool, point);
        QFETCH(bool, minus);
        QFETCH(int, status);
        Rig rig;
        for (int ch = 0; ch < 4; ++ch)
            rig.sim.setReading(ch, 11.1);
        rig.sim.setReading(channel, celsius);
        rig.sim.setOverRange(channel, flag == 1);
        rig.sim.setOpen(channel, flag == 2);
        if (fahrenheit)
            QVERIFY(okAt(rig.exchange('C', 32), 2));

        const LiveState s = rig.live();
        QCOMPARE(glyphs(s, channel), expected);
        QCOMPARE(s.on(kPoint[std::size_t(channel)]), point);
        QCOMPARE(s.on(kMinus[std::size_t(channel)]), minus);
        QCOMPARE(int(s.channelStatus), status);
        QCOMPARE(s.fahrenheit, fahrenheit);
        QCOMPARE(s.on(kFahrenheit[std::size_t(channel)]), fahrenheit);
        QCOMPARE(s.on(kCelsius[std::size_t(channel)]), !fahrenheit);
        if (flag == 0)
            QVERIFY(std::abs(s.temperature[std::size_t(channel)] - celsius) < 0.06);
        // The neighbours are untouched by the channel under test.
        const int other = (channel + 1) % 4;
        const QList<int> neighbour = fahrenheit ? QList<int>{16, 5, 2, 0} : QList<int>{16, 1, 1, 1};
        QCOMPARE(glyphs(s, other), neighbour);
        QVERIFY(s.on(Indicator::T1Label) && s.on(Indicator::T4Label) && s.on(Indicator::TypeCaption));
        QVERIFY(s.on(Indicator::TypeK) && s.on(Indicator::Battery3));
    }

    void keys()
    {
        {
            Rig rig;
            for (char key : QByteArray("HCERMNBm")) {
                const Bytes r = rig.exchange(key, 32);
                QVERIFY2(okAt(r, 2) && r[0] == 0x02 && r[1] == std::uint8_t(key), QByteArray(1, key).constData());
            }
        }
        Rig fresh;
        SimulatedMeter &sim = fresh.sim;

        // HOLD freezes the digits and the readings.
        sim.setReading(0, 23.4);
        fresh.exchange('H', 32);
        sim.setReading(0, 30.0);
        fresh.clock.advance(1000);
        LiveState s = fresh.live();
        QVERIFY(s.on(Indicator::Hold));
        QCOMPARE(glyphs(s, 0), (QList<int>{16, 2, 3, 4}));
        QVERIFY(std::abs(s.temperature[0] - 23.4f) < 0.01);
        fresh.exchange('H', 32);
        s = fresh.live();
        QVERIFY(!s.on(Indicator::Hold));
        QCOMPARE(glyphs(s, 0), (QList<int>{16, 3, 0, 0}));

        // MAX/MIN/AVG: flashing first, then MAX, MIN, AVG, MAX; N leaves.
        sim.setReading(0, 20.0);
        fresh.exchange('M', 32);
        s = fresh.live();
        QVERIFY(s.maxMinAvgFlashMode && s.maxMinAvgFlash);
        fresh.clock.advance(1000);
        sim.setReading(0, 30.0);
        fresh.clock.advance(1000);
        sim.setReading(0, 25.0);
        fresh.clock.advance(1000);
        const struct {
            Indicator lit;
            double low, high;
        } steps[] = {{Indicator::Max, 30.0, 30.0}, {Indicator::Min, 20.0, 20.0}, {Indicator::Avg, 20.1, 29.9},
                     {Indicator::Max, 30.0, 30.0}};
        for (const auto &step : steps) {
            fresh.exchange('M', 32);
            s = fresh.live();
            QVERIFY(!s.maxMinAvgFlashMode);
            QCOMPARE(int(s.on(Indicator::Max)) + int(s.on(Indicator::Min)) + int(s.on(Indicator::Avg)), 1);
            QVERIFY(s.on(step.lit));
            QVERIFY(s.temperature[0] >= step.low - 0.01 && s.temperature[0] <= step.high + 0.01);
        }
        fresh.exchange('N', 32);
        s = fresh.live();
        QVERIFY(!s.on(Indicator::Max) && !s.on(Indicator::Min) && !s.on(Indicator::Avg));
        QVERIFY(std::abs(s.temperature[0] - 25.0f) < 0.01);

        // MEM stores what is shown, RECALL brings it back with its place number.
        fresh.exchange('m', 32);
        sim.setReading(0, 40.0);
        fresh.exchange('R', 32);
        s = fresh.live();
        QVERIFY(s.on(Indicator::Mem) && s.on(Indicator::Recall));
        QCOMPARE(glyphs(s, 0), (QList<int>{16, 2, 5, 0}));
        QCOMPARE(int(s.smallDigit[0]), 0);
        QCOMPARE(int(s.smallDigit[1]), 1);
        fresh.exchange('R', 32);
        QVERIFY(!fresh.live().on(Indicator::Recall));
    }

    void loggerRecordsAsTimePasses()
    {
        Rig rig;
        SimulatedMeter &sim = rig.sim;
        QVERIFY(okAt(rig.exchange('e', 32), 2));
        QVERIFY(okAt(rig.exchange('I', 32, {0x00, 0x05}), 2));
        sim.setReading(0, 21.5);
        sim.setReading(1, -3.0);
        sim.setReading(2, 11.1);
        sim.setOpen(3, true);
        rig.exchange('E', 32);
        QVERIFY(rig.live().loggerRecording && rig.live().on(Indicator::Rec));
        rig.clock.advance(20000); // records at 0, 5, 10, 15 and 20 s
        rig.exchange('E', 32);
        QVERIFY(!sim.loggerRecording());

        const Bytes &image = sim.memoryImage();
        const int set = 0xB00;
        QCOMPARE(setCount(image), 1);
        QCOMPARE(int(image[set]), 0xA5);
        QCOMPARE(int(image[set + 9]), 0);
        QCOMPARE(int(image[set + 10]), 5);
        QCOMPARE(image[set + 12] << 8 | image[set + 13], 5);
        // 2026-03-14 09:30:00 in BCD.
        QCOMPARE(Bytes(image.begin() + set + 3, image.begin() + set + 9),
                 (Bytes{0x26, 0x03, 0x14, 0x09, 0x30, 0x00}));
        const int end = set + 18 + 5 * 8;
        // 21.5, -3.0, 11.1 and no reading.
        QCOMPARE(Bytes(image.begin() + end - 8, image.begin() + end),
                 (Bytes{0x00, 0xD7, 0xFF, 0xE2, 0x00, 0x6F, 0x80, 0x00}));
        QCOMPARE(int(image[end]), 0x5A);
        QCOMPARE(int(image[end + 1]), 0xA5);
        QCOMPARE(fillPointer(image), end + 1);

        // A memory with room for a few records: the recording fills it and flashes FULL.
        sim::DataSet big;
        big.header.start = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
        big.records.assign(15990, sim::Record{100, 100, 100, 100});
        sim.setMemoryImage(SimulatedMeter::buildMemoryImage({big}));
        QVERIFY(okAt(rig.exchange('I', 32, {0x00, 0x01}), 2));
        rig.exchange('E', 32);
        rig.clock.advance(60000);
        QVERIFY(sim.recordFull());
        const LiveState s = rig.live();
        QVERIFY(s.loggerRecording && s.recordFull && s.on(Indicator::Full) && s.on(Indicator::Rec));
        const int last = fillPointer(sim.memoryImage());
        QVERIFY(last < 130816 && last + 8 >= 130816); // the top 256 bytes stay free
        QCOMPARE(setCount(sim.memoryImage()), 2);
        rig.exchange('E', 32);
        QVERIFY(!sim.recordFull() && !sim.loggerRecording());
    }

    void memoryImageLayout()
    {
        sim::DataSet first;
        first.header = {QDateTime(QDate(2009, 7, 15), QTime(13, 5, 59)), 2, 0, false, {0, 0, 0, 0}};
        first.records = {{300, -100, 0, 1}, {301, -101, 0, 1}, {302, -102, 0, 1}};
        sim::DataSet second;
        second.header = {QDateTime(QDate(2010, 1, 2), QTime(3, 4, 5)), 90, 3, true, {1, -2, 0, 0}};
        const Bytes image = SimulatedMeter::buildMemoryImage({first, second});
        QCOMPARE(int(image.size()), 131072);
        const int at = 0xB00;
        QCOMPARE(Bytes(image.begin() + at, image.begin() + at + 18),
                 (Bytes{0xA5, 0x5A, 0x00, 0x09, 0x07, 0x15, 0x13, 0x05, 0x59, 0x00, 0x02, 0x00, 0x00, 0x03, 0x00,
                        0x00, 0x00, 0x00}));
        QCOMPARE(Bytes(image.begin() + at + 18, image.begin() + at + 26),
                 (Bytes{0x01, 0x2C, 0xFF, 0x9C, 0x00, 0x00, 0x00, 0x01}));
        QCOMPARE(Bytes(image.begin() + at + 42, image.begin() + at + 46), (Bytes{0x5A, 0xA5, 0xA5, 0x5A}));
        QCOMPARE(Bytes(image.begin() + at + 44 + 9, image.begin() + at + 44 + 18),
                 (Bytes{0x01, 0x1E, 0x13, 0x00, 0x00, 0x01, 0xFE, 0x00, 0x00}));
        QCOMPARE(setCount(image), 2);
        QCOMPARE(fillPointer(image), at + 44 + 20 - 1);

        // The meter's own memory: its sets follow one another up to the fill pointer.
        VirtualClock clock;
        SimulatedMeter sim(clock);
        const Bytes &own = sim.memoryImage();
        QCOMPARE(setCount(own), 3);
        int pos = 0xB00;
        QList<int> intervals, flags;
        bool sawOpenChannel = false;
        for (int i = 0; i < setCount(own); ++i) {
            QCOMPARE(own[pos] << 8 | own[pos + 1], 0xA55A);
            const int n = own[pos + 12] << 8 | own[pos + 13];
            QVERIFY(n > 10);
            intervals << own[pos + 9] * 60 + own[pos + 10];
            flags << own[pos + 11];
            const int end = pos + 18 + 8 * n;
            QCOMPARE(own[end] << 8 | own[end + 1], 0x5AA5);
            sawOpenChannel |= own[pos + 18 + 6] == 0x80 && own[pos + 18 + 7] == 0x00;
            pos = end + 2;
        }
        QCOMPARE(fillPointer(own), pos - 1);
        QCOMPARE(intervals, (QList<int>{2, 60, 30}));
        QVERIFY(flags.contains(0x11)); // type J in °F
        QVERIFY(sawOpenChannel);
    }

    void downloadReadOut()
    {
        Rig rig;
        SimulatedMeter &sim = rig.sim;
        const Bytes image = sim.memoryImage();
        Bytes first = rig.exchange('P', 36, {0x00, 0x01});
        QCOMPARE(int(first.size()), 36);
        QCOMPARE(Bytes(first.begin(), first.begin() + 32), Bytes(image.begin(), image.begin() + 32));
        QCOMPARE(Bytes(first.begin() + 32, first.end()), (Bytes{0x00, 0x01, 0x04, 0x05}));
        const int length = ((fillPointer(first) + 1) + 31) / 32 * 32;
        QVERIFY(length > 32 * 300);

        Bytes downloaded(first.begin(), first.begin() + 32);
        bool lostOne = false;
        while (int(downloaded.size()) < length) {
            if (downloaded.size() == 7 * 32 && !lostOne) {
                // The reply to this 'p' gets lost; 'r' brings the read-out back to it.
                lostOne = true;
                sim.failNext(Call::ReadReply);
                QVERIFY(rig.exchange('p', 36).empty());
                QCOMPARE(int(rig.exchange('r', 36).size()), 36);
                continue;
            }
            const Bytes r = rig.exchange('p', 36);
            QCOMPARE(int(r.size()), 36);
            QCOMPARE(int(r[34]), 0x04);
            QCOMPARE(int(r[35]), 0x05);
            downloaded.insert(downloaded.end(), r.begin(), r.begin() + 32);
        }
        QVERIFY(rig.exchange('q', 36).empty()); // no reply to the end of the read-out
        QVERIFY(!sim.readoutActive());
        QCOMPARE(downloaded, Bytes(image.begin(), image.begin() + length));

        // Resuming: selecting block n echoes n, and the next 'p' brings block n.
        const Bytes sel = rig.exchange('P', 36, {0x01, 0x00});
        QCOMPARE(Bytes(sel.begin(), sel.begin() + 32), Bytes(image.begin() + 255 * 32, image.begin() + 256 * 32));
        QCOMPARE(int(sel[32]), 0x01);
        QCOMPARE(int(sel[33]), 0x00);
        const Bytes next = rig.exchange('p', 36);
        QCOMPARE(Bytes(next.begin(), next.begin() + 32), Bytes(image.begin() + 256 * 32, image.begin() + 257 * 32));
        QVERIFY(rig.exchange('Q', 36).empty());
        // Outside a read-out 'r' reads an EEPROM cell.
        const Bytes cell = rig.exchange('r', 32, {0x00, 0x00, 0x10});
        QCOMPARE(Bytes(cell.begin(), cell.begin() + 6), (Bytes{0x02, 'r', 0x00, 0x00, 0x10, 0xFF}));
    }

    void setupCommands()
    {
        Rig rig;
        SimulatedMeter &sim = rig.sim;

        // Clock: set, then runs on with the computer's clock.
        QVERIFY(okAt(rig.exchange('t', 32, {}, clockBlock(0x09, 0x07, 0x15, 0x13, 0x05, 0x59)), 2));
        rig.clock.advance(10000);
        Bytes info = rig.exchange('X', 64);
        QVERIFY(okAt(info, 0));
        QCOMPARE(Bytes(info.begin() + 40, info.begin() + 45), (Bytes{0x09, 0x06, 0x13, 0x15, 0x07}));
        QCOMPARE(int(info[46]), 0x09);
        QVERIFY(!okAt(rig.exchange('t', 32, {}, clockBlock(0x09, 0x02, 0x30, 0x13, 0x05, 0x59)), 2));
        // Without its data block the clock command gets no reply.
        QVERIFY(rig.exchange('t', 32).empty());

        // Interval in BCD; refused values change nothing.
        const struct {
            std::uint8_t minutes, seconds;
            bool accepted;
        } intervals[] = {{0x01, 0x30, true}, {0x00, 0x00, false}, {0x61, 0x00, false},
                         {0x00, 0x0A, false}, {0x60, 0x00, true}, {0x00, 0x01, true}};
        for (const auto &i : intervals) {
            const int before = sim.intervalSeconds();
            QCOMPARE(okAt(rig.exchange('I', 32, {i.minutes, i.seconds}), 2), i.accepted);
            if (!i.accepted)
                QCOMPARE(sim.intervalSeconds(), before);
        }
        QCOMPARE(sim.intervalSeconds(), 1);
        QVERIFY(okAt(rig.exchange('I', 32, {0x01, 0x30}), 2));
        info = rig.exchange('X', 64);
        QCOMPARE(int(info[13]), 1);
        QCOMPARE(int(info[14]), 30);

        // Erase: no sets, fill pointer before the first set.
        QVERIFY(okAt(rig.exchange('e', 32), 2));
        info = rig.exchange('X', 64);
        QCOMPARE(Bytes(info.begin() + 8, info.begin() + 13), (Bytes{0x00, 0x00, 0x00, 0x0A, 0xFF}));
        QCOMPARE(setCount(sim.memoryImage()), 0);

        // Settings block; a block without its mark is refused whole.
        Bytes block = defaultSettingsBlock();
        block[3] = 1;
        block[18] = 3;
        block[22] = 0xFE;
        block[30] = 0;
        QVERIFY(okAt(rig.exchange('s', 32, {}, block), 2));
        info = rig.exchange('X', 64);
        QCOMPARE(Bytes(info.begin() + 3, info.begin() + 15),
                 (Bytes{0x01, 0x00, 0xD4, 0xFF, 0xFC, 0x00, 0x00, 0x00, 0x0A, 0xFF, 0x00, 0x02}));
        QCOMPARE(int(info[18]), 3);
        QCOMPARE(int(info[22]), 0xFE);
        QCOMPARE(int(info[30]), 0);
        QCOMPARE(int(info[31]), 105);
        QVERIFY(rig.live().on(Indicator::TypeT) && rig.live().on(Indicator::Alarm));
        block[0] = 'X';
        block[18] = 1;
        QVERIFY(!okAt(rig.exchange('s', 32, {}, block), 2));
        QCOMPARE(sim.settings().type, 3);

        char serial[32];
        std::memset(serial, 'x', sizeof serial);
        QCOMPARE(sim.readSerialNumber(0, serial, 32), 0);
        QCOMPARE(QByteArray(serial), QByteArray("QX7360001"));

        // Calibration values travel as the upper three bytes of a float.
        SimulatedMeter::Calibration cal;
        cal.gain = {1.0f, -1.0f, 0.0f, 2.0f};
        cal.cjcOffset = {0.5f, 0, 0, 0};
        sim.setCalibration(cal);
        const Bytes y = rig.exchange('Y', 32);
        QCOMPARE(Bytes(y.begin(), y.begin() + 6), (Bytes{0x00, 0x80, 0x3F, 0x00, 0x80, 0xBF}));
        QVERIFY(okAt(y, 28));
        const Bytes z = rig.exchange('Z', 32);
        QCOMPARE(Bytes(z.begin(), z.begin() + 3), (Bytes{0x00, 0x00, 0x3F}));
        QVERIFY(okAt(z, 30));

        // EEPROM cells.
        const Bytes w = rig.exchange('W', 32, {0x00, 0x03, 0xE8, 0x2C});
        QCOMPARE(Bytes(w.begin(), w.begin() + 2), (Bytes{0x02, 'W'}));
        QCOMPARE(int(rig.exchange('r', 32, {0x00, 0x03, 0xE8})[5]), 0x2C);
        QCOMPARE(int(rig.exchange('r', 32, {0x01, 0x00, 0x00})[5]), 0xFF);
        QCOMPARE(int(sim.eepromCell(1000)), 0x2C);
    }

    void faults()
    {
        Rig rig;
        SimulatedMeter &sim = rig.sim;
        std::uint8_t buf[64];

        sim.failNext(Call::Open);
        QVERIFY(sim.openDevice(kMeterVendorId, kMeterProductId) != 0);
        QCOMPARE(sim.openDevice(kMeterVendorId, kMeterProductId), 0);
        QVERIFY(sim.openDevice(0x1234, kMeterProductId) != 0);

        // A reply lost on the way is gone; the next read times out.
        const std::uint8_t k[7] = {0x02, 'K', 0, 0, 0, 0, 0x03};
        QCOMPARE(sim.writeCommand(7, k), 0);
        sim.failNext(Call::ReadReply);
        QVERIFY(sim.readReply(32, buf) != 0);
        qint64 t0 = rig.clock.tickMs();
        QCOMPARE(sim.readReply(32, buf), SimulatedMeter::kTimedOut);
        QCOMPARE(rig.clock.tickMs() - t0, qint64(sim.readTimeoutMs()));

        // Malformed commands and impossible arguments.
        const std::uint8_t badMark[7] = {0x02, 'K', 0, 0, 0, 0, 0x04};
        QCOMPARE(sim.writeCommand(7, badMark), 0);
        QVERIFY(!sim.hasPendingReply());
        QCOMPARE(sim.writeCommand(8, k), SimulatedMeter::kBadArgument);
        QCOMPARE(sim.writeCommand(7, nullptr), SimulatedMeter::kBadArgument);
        sim.writeCommand(7, k);
        QCOMPARE(sim.readReply(65, buf), SimulatedMeter::kBadArgument);
        QCOMPARE(sim.readReply(32, nullptr), SimulatedMeter::kBadArgument);
        QCOMPARE(sim.readReply(64, buf), 0); // still there, and padded to the length asked
        QCOMPARE(int(buf[40]), 0);

        // Latency: one block per write and per read.
        sim.setLatencyPerReport(3);
        t0 = rig.clock.tickMs();
        QCOMPARE(int(rig.exchange('K', 32).size()), 32);
        QCOMPARE(rig.clock.tickMs() - t0, qint64(6));
        sim.setLatencyPerReport(0);

        // Spoiled and dropped replies; a hook failing only some calls.
        sim.setReplyHook([](char c, Bytes &r) {
            if (c == 'K')
                r.clear();
        });
        QVERIFY(rig.exchange('K', 32).empty());
        sim.setReplyHook({});
        sim.setFaultHook([](Call call, const std::uint8_t *bytes, int length) {
            return call == Call::WriteCommand && length == 7 && bytes[1] == 'P' ? 99 : 0;
        });
        const std::uint8_t p[7] = {0x02, 'P', 0, 1, 0, 0, 0x03};
        QCOMPARE(sim.writeCommand(7, p), 99);
        QVERIFY(!sim.readoutActive());
        QCOMPARE(sim.log().back().result, 99);
        QCOMPARE(sim.log().back().bytes, Bytes(p, p + 7));
        sim.setFaultHook({});

        // Unplugged: everything fails; the replug keeps the meter's state but needs an open.
        rig.exchange('C', 32);
        sim.setUnplugged(true);
        int opensSeen = 0;
        sim.setFaultHook([&](Call call, const std::uint8_t *, int) {
            opensSeen += call == Call::Open;
            return 0;
        });
        QVERIFY(sim.openDevice(kMeterVendorId, kMeterProductId) != 0);
        QCOMPARE(opensSeen, 1); // the hook watches calls to an unplugged meter too
        sim.setFaultHook({});
        QVERIFY(sim.writeCommand(7, k) != 0);
        QVERIFY(sim.readReply(32, buf) != 0);
        sim.setUnplugged(false);
        QCOMPARE(sim.writeCommand(7, k), SimulatedMeter::kNotOpen);
        QCOMPARE(sim.openDevice(kMeterVendorId, kMeterProductId), 0);
        QVERIFY(rig.live().fahrenheit);

        // Stalled: commands go nowhere and reads time out.
        sim.setStalled(true);
        QVERIFY(rig.exchange('C', 32).empty());
        sim.setStalled(false);
        QVERIFY(sim.fahrenheit());

        int reads = 0;
        for (const auto &e : sim.log())
            reads += e.call == Call::ReadReply && e.result == 0 && e.bytes.size() == 64;
        QVERIFY(reads >= 2);
        sim.clearLog();
        QVERIFY(sim.log().empty());
    }

    // A --simulate run's cable: each SIGUSR1 unplugs or plugs in; handles go with the plug.
    void unplugSwitch()
    {
        Rig rig;
        QCOMPARE(rig.sim.openHandles(), 1);
        QVERIFY(rig.sim.openDevice(kMeterVendorId, kMeterProductId) == 0);
        QCOMPARE(rig.sim.openHandles(), 2); // opened again without a close
        rig.sim.closeDevice();
        QCOMPARE(rig.sim.openHandles(), 1);
        {
            SimUnplugSwitch unplug(rig.sim);
            QVERIFY(unplug.active());
            SimUnplugSwitch second(rig.sim);
            QVERIFY(!second.active());
            std::raise(SIGUSR1);
            QTRY_VERIFY(rig.sim.unplugged());
            QCOMPARE(rig.sim.openHandles(), 0);
            std::raise(SIGUSR1);
            QTRY_VERIFY(!rig.sim.unplugged());
        }
        // Gone with the switch: the signal is the program's again.
        struct sigaction now {};
        sigaction(SIGUSR1, nullptr, &now);
        QVERIFY(now.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
