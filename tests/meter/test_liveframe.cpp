// Live frame decoding: readings, unit conversion, glyphs of both encodings, indicators,
// and whole frames as the meter sends them.
#include "meter/LiveFrame.h"

#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>

using namespace qx;

namespace {

std::array<std::uint8_t, 64> blankFrame()
{
    std::array<std::uint8_t, 64> f{};
    f[0] = 0x02;
    f[63] = 0x03;
    return f;
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

QList<int> lit(std::initializer_list<Indicator> list)
{
    QList<int> out;
    for (Indicator i : list)
        out << int(i);
    std::sort(out.begin(), out.end());
    return out;
}

QList<int> litIndicators(const LiveState &s)
{
    QList<int> out;
    for (std::size_t i = 0; i < s.indicator.size(); ++i)
        if (s.indicator[i])
            out << int(i);
    return out;
}

} // namespace

class TestLiveFrame : public QObject {
    Q_OBJECT
private slots:
    void readings_data()
    {
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        QTest::addColumn<bool>("fahrenheit");
        QTest::addColumn<double>("celsius");
        QTest::newRow("-10.0 C") << 0xFF << 0x9C << false << -10.0;
        QTest::newRow("30.0 C") << 0x01 << 0x2C << false << 30.0;
        QTest::newRow("100.0 F") << 0x03 << 0xE8 << true << 37.7778;
        QTest::newRow("-3276.8 C") << 0x80 << 0x00 << false << -3276.8;
        QTest::newRow("32.0 F is 0 C") << 0x01 << 0x40 << true << 0.0;
    }
    void readings()
    {
        QFETCH(int, hi);
        QFETCH(int, lo);
        QFETCH(bool, fahrenheit);
        QFETCH(double, celsius);
        auto f = blankFrame();
        if (fahrenheit)
            f[2] = 0x80;
        for (int ch = 0; ch < 4; ++ch) {
            f[std::size_t(9 + 2 * ch)] = std::uint8_t(hi);
            f[std::size_t(10 + 2 * ch)] = std::uint8_t(lo);
        }
        const LiveState s = decodeLiveFrame(f.data());
        QCOMPARE(s.fahrenheit, fahrenheit);
        for (float t : s.temperature)
            QVERIFY2(std::fabs(t - celsius) < 0.001, qPrintable(QString::number(t)));
    }

    // The glyph table, digit by digit, in both encodings: a T1 digit (encoding A, its
    // indicator bit 0x80 set too), a T2 digit and the right small digit (encoding B, the
    // small digit's indicator bit 0x01 set too).
    void glyphs_data()
    {
        QTest::addColumn<int>("patternA"); // -1: not in encoding A
        QTest::addColumn<int>("patternB"); // -1: not in encoding B
        QTest::addColumn<int>("glyph");
        QTest::newRow("0") << 0x77 << 0xEE << 0;
        QTest::newRow("1") << 0x24 << 0x24 << 1;
        QTest::newRow("2") << 0x5D << 0xBA << 2;
        QTest::newRow("3") << 0x6D << 0xB6 << 3;
        QTest::newRow("4") << 0x2E << 0x74 << 4;
        QTest::newRow("5") << 0x6B << 0xD6 << 5;
        QTest::newRow("6") << 0x7B << 0xDE << 6;
        QTest::newRow("7") << 0x27 << 0xE4 << 7;
        QTest::newRow("8") << 0x7F << 0xFE << 8;
        QTest::newRow("9") << 0x6F << 0xF6 << 9;
        QTest::newRow("10") << 0x3F << 0xFC << 10;
        QTest::newRow("11") << 0x7A << 0x5E << 11;
        QTest::newRow("12") << 0x53 << 0xCA << 12;
        QTest::newRow("13") << 0x7C << 0x3E << 13;
        QTest::newRow("14") << 0x5B << 0xDA << 14;
        QTest::newRow("15") << 0x1B << 0xD8 << 15;
        QTest::newRow("16 blank") << 0x00 << 0x00 << 16;
        QTest::newRow("17 minus") << 0x08 << 0x10 << 17;
        QTest::newRow("18 L") << 0x52 << 0x4A << 18;
        QTest::newRow("19") << 0x78 << 0x1E << 19;
        QTest::newRow("20") << 0x18 << 0x18 << 20;
        QTest::newRow("21") << 0x5A << 0x5A << 21;
        QTest::newRow("22") << 0x38 << 0x6E << 22;
        QTest::newRow("23") << 0x3E << -1 << 23;
        QTest::newRow("24") << 0x20 << -1 << 24;
    }
    void glyphs()
    {
        QFETCH(int, patternA);
        QFETCH(int, patternB);
        QFETCH(int, glyph);
        for (int indicator : {0, 1}) {
            auto f = blankFrame();
            if (patternA >= 0)
                f[42] = std::uint8_t(patternA | (indicator ? 0x80 : 0));
            if (patternB >= 0) {
                f[49] = std::uint8_t(patternB);
                f[38] = std::uint8_t(patternB | (indicator ? 0x01 : 0));
            }
            const LiveState s = decodeLiveFrame(f.data());
            if (patternA >= 0)
                QCOMPARE(int(s.largeDigit[0]), glyph);
            if (patternB >= 0) {
                QCOMPARE(int(s.largeDigit[4]), glyph);
                QCOMPARE(int(s.smallDigit[1]), glyph);
            }
            QCOMPARE(s.on(Indicator::T1Label), patternA >= 0 && indicator);
            QCOMPARE(s.on(Indicator::T1Fahrenheit), patternB >= 0 && indicator);
        }
    }

    void unknownPatternsAreBlank_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("glyph");
        QTest::addColumn<bool>("indicator");
        // T2 digit 4 (byte 46, encoding B, indicator T2 °F in bit 0)
        QTest::newRow("B a-b-c without f") << 46 << 7 << 0xA4 << 16 << false;
        QTest::newRow("B a-b-c + indicator") << 46 << 7 << 0xA5 << 16 << true;
        QTest::newRow("B zero") << 46 << 7 << 0x00 << 16 << false;
        QTest::newRow("B seven") << 46 << 7 << 0xE4 << 7 << false;
        QTest::newRow("B glyph 23 of A") << 46 << 7 << 0x3E << 13 << false;
        // T1 digit 4 (byte 45, encoding A, indicator T1 °C in bit 7)
        QTest::newRow("A zero pattern") << 45 << 3 << 0x00 << 16 << false;
        QTest::newRow("A 23 with indicator") << 45 << 3 << 0xBE << 23 << true;
        QTest::newRow("A pattern a b c") << 45 << 3 << 0x25 << 16 << false;
        QTest::newRow("A all segments and more") << 45 << 3 << 0xFF << 8 << true;
    }
    void unknownPatternsAreBlank()
    {
        QFETCH(int, byte);
        QFETCH(int, position);
        QFETCH(int, value);
        QFETCH(int, glyph);
        QFETCH(bool, indicator);
        auto f = blankFrame();
        f[std::size_t(byte)] = std::uint8_t(value);
        const LiveState s = decodeLiveFrame(f.data());
        QCOMPARE(int(s.largeDigit[std::size_t(position)]), glyph);
        const Indicator which = position == 7 ? Indicator::T2Fahrenheit : Indicator::T1Celsius;
        QCOMPARE(s.on(which), indicator);
    }

    // Each indicator from its own bit of the LCD image, and from no other.
    void indicators_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("indicator");
        const auto row = [](const char *name, int byte, int mask, Indicator i) {
            QTest::newRow(name) << byte << mask << int(i);
        };
        row("T1 F", 38, 0x01, Indicator::T1Fahrenheit);
        row("RECALL", 39, 0x01, Indicator::Recall);
        row("MEM", 40, 0x20, Indicator::Mem);
        row("AVG", 40, 0x10, Indicator::Avg);
        row("MIN", 40, 0x08, Indicator::Min);
        row("MAX", 40, 0x04, Indicator::Max);
        row("HOLD", 40, 0x02, Indicator::Hold);
        row("T2 label", 41, 0x80, Indicator::T2Label);
        row("type K", 41, 0x10, Indicator::TypeK);
        row("type J", 41, 0x08, Indicator::TypeJ);
        row("type E", 41, 0x04, Indicator::TypeE);
        row("type T", 41, 0x02, Indicator::TypeT);
        row("TYPE", 41, 0x01, Indicator::TypeCaption);
        row("T1 label", 42, 0x80, Indicator::T1Label);
        row("T1 minus", 43, 0x80, Indicator::T1Minus);
        row("T1 point", 44, 0x80, Indicator::T1Point);
        row("T1 C", 45, 0x80, Indicator::T1Celsius);
        row("T2 F", 46, 0x01, Indicator::T2Fahrenheit);
        row("T2 point", 47, 0x01, Indicator::T2Point);
        row("T2 C", 48, 0x01, Indicator::T2Celsius);
        row("T2 minus", 50, 0x40, Indicator::T2Minus);
        row("T3 label", 50, 0x08, Indicator::T3Label);
        row("T3 minus", 50, 0x04, Indicator::T3Minus);
        row("T1-T2", 50, 0x02, Indicator::T1T2Label);
        row("auto off", 51, 0x80, Indicator::AutoOff);
        row("T4 label", 52, 0x80, Indicator::T4Label);
        row("T3 point", 54, 0x80, Indicator::T3Point);
        row("T3 F", 55, 0x10, Indicator::T3Fahrenheit);
        row("T3 C", 55, 0x08, Indicator::T3Celsius);
        row("T4 F", 55, 0x04, Indicator::T4Fahrenheit);
        row("T4 C", 55, 0x02, Indicator::T4Celsius);
        row("FULL", 55, 0x01, Indicator::Full);
        row("REC", 56, 0x01, Indicator::Rec);
        row("T4 point", 57, 0x01, Indicator::T4Point);
        row("T4 minus", 60, 0x80, Indicator::T4Minus);
        row("battery 3", 60, 0x20, Indicator::Battery3);
        row("battery 2", 60, 0x10, Indicator::Battery2);
        row("battery 1", 60, 0x08, Indicator::Battery1);
        row("battery 0", 60, 0x40, Indicator::Battery0);
        row("alarm", 60, 0x04, Indicator::Alarm);
        row("alarm Hi", 60, 0x02, Indicator::AlarmHi);
        row("alarm Lo", 60, 0x01, Indicator::AlarmLo);
    }
    void indicators()
    {
        QFETCH(int, byte);
        QFETCH(int, mask);
        QFETCH(int, indicator);
        auto f = blankFrame();
        f[std::size_t(byte)] = std::uint8_t(mask);
        QCOMPARE(litIndicators(decodeLiveFrame(f.data())), QList<int>{indicator});
    }

    // Whole frames as the meter sends them, with what they show.
    void goldenFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QList<double>>("celsius");
        QTest::addColumn<QList<int>>("large"); // T1 to T4, leftmost digit first
        QTest::addColumn<QList<int>>("small"); // left, right
        QTest::addColumn<QList<int>>("lit");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<bool>("full");

        // 22.5, 37.4, 0.3 and 4.0 °C; type K, battery full, automatic power-off.
        QTest::newRow("four channels in C")
            << bytes({0x02, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE1, 0x01, 0x76, 0x00, 0x03, 0x00,
                      0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x91, 0x80, 0x5D, 0xDD, 0xEB, 0x74, 0xE5,
                      0xB7, 0x00, 0x08, 0x80, 0x80, 0x77, 0xED, 0x0A, 0xEE, 0x75, 0x00, 0x00, 0x20, 0x00, 0x00, 0x03})
            << QList<double>{22.5, 37.4, 0.3, 4.0}
            << QList<int>{16, 2, 2, 5, 16, 3, 7, 4, 16, 16, 0, 3, 16, 16, 4, 0} << QList<int>{16, 16}
            << lit({Indicator::T2Label, Indicator::TypeK, Indicator::TypeCaption, Indicator::T1Label,
                    Indicator::T1Point, Indicator::T1Celsius, Indicator::T2Point, Indicator::T2Celsius,
                    Indicator::T3Label, Indicator::AutoOff, Indicator::T4Label, Indicator::T3Point,
                    Indicator::T3Celsius, Indicator::T4Celsius, Indicator::T4Point, Indicator::Battery3})
            << 0x00 << false << false;

        // 22.6, 254.1, -22.0 and 32.9 °F; HOLD over MAX, one stored reading, type J, T1-T2,
        // two battery bars, the alarm with its high limit passed.
        QTest::newRow("F, HOLD, MAX, alarm Hi")
            << bytes({0x02, 0x41, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE2, 0x09, 0xED, 0xFF, 0x24, 0x01,
                      0x49, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x25, 0xEE, 0x26, 0x89, 0x80, 0x5D, 0xDD, 0x7B, 0x25, 0x75,
                      0xD6, 0xBA, 0x0E, 0x80, 0xDD, 0x5D, 0xF7, 0x14, 0xF6, 0xBB, 0xB6, 0x00, 0x16, 0x00, 0x00, 0x03})
            << QList<double>{-5.2222, 123.3889, -30.0, 0.5}
            << QList<int>{16, 2, 2, 6, 2, 5, 4, 1, 16, 2, 2, 0, 16, 3, 2, 9} << QList<int>{0, 1}
            << lit({Indicator::T1Fahrenheit, Indicator::Mem, Indicator::Max, Indicator::Hold, Indicator::T2Label,
                    Indicator::TypeJ, Indicator::TypeCaption, Indicator::T1Label, Indicator::T1Point,
                    Indicator::T2Fahrenheit, Indicator::T2Point, Indicator::T3Label, Indicator::T3Minus,
                    Indicator::T1T2Label, Indicator::AutoOff, Indicator::T4Label, Indicator::T3Point,
                    Indicator::T3Fahrenheit, Indicator::T4Fahrenheit, Indicator::T4Point, Indicator::Battery2,
                    Indicator::Alarm, Indicator::AlarmHi})
            << 0x00 << false << false;

        // T1 over range (" 0L "), T2 without a probe ("----"), 1234 without decimals, -0.5 °C;
        // recording into a full memory, stored reading 10 recalled in MIN, type T, empty
        // battery, the alarm with its low limit passed.
        QTest::newRow("OL, no probe, FULL, MIN, alarm Lo")
            << bytes({0x02, 0x41, 0x00, 0x18, 0x00, 0x00, 0x21, 0x00, 0x00, 0x7F, 0xFF, 0x80, 0x00, 0x30, 0x34, 0xFF,
                      0xFB, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE, 0x25, 0x28, 0x83, 0x80, 0x77, 0x52, 0x80, 0x10, 0x10,
                      0x11, 0x10, 0x08, 0x24, 0xDD, 0x6D, 0x2E, 0x0B, 0xD7, 0xEF, 0x00, 0x00, 0xC5, 0x00, 0x00, 0x03})
            << QList<double>{3276.7, -3276.8, 1234.0, -0.5}
            << QList<int>{16, 0, 18, 16, 17, 17, 17, 17, 1, 2, 3, 4, 16, 16, 0, 5} << QList<int>{1, 0}
            << lit({Indicator::Recall, Indicator::Mem, Indicator::Min, Indicator::T2Label, Indicator::TypeT,
                    Indicator::TypeCaption, Indicator::T1Label, Indicator::T1Celsius, Indicator::T2Celsius,
                    Indicator::T3Label, Indicator::T4Label, Indicator::T3Celsius, Indicator::T4Celsius,
                    Indicator::Full, Indicator::Rec, Indicator::T4Point, Indicator::T4Minus, Indicator::Battery0,
                    Indicator::Alarm, Indicator::AlarmLo})
            << 0x21 << true << true;
    }
    void goldenFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QList<double>, celsius);
        QCOMPARE(frame.size(), 64);
        const auto *f = reinterpret_cast<const std::uint8_t *>(frame.constData());
        QVERIFY(liveFrameMarksValid(f));
        const LiveState s = decodeLiveFrame(f);
        for (int ch = 0; ch < 4; ++ch)
            QVERIFY2(std::fabs(s.temperature[std::size_t(ch)] - celsius[ch]) < 0.0001,
                     qPrintable(QString("T%1 %2").arg(ch + 1).arg(s.temperature[std::size_t(ch)])));
        QTEST(QList<int>(s.largeDigit.begin(), s.largeDigit.end()), "large");
        QTEST(QList<int>(s.smallDigit.begin(), s.smallDigit.end()), "small");
        QTEST(litIndicators(s), "lit");
        QTEST(int(s.channelStatus), "status");
        QTEST(s.loggerRecording, "recording");
        QTEST(s.recordFull, "full");
        QVERIFY(!s.maxMinAvgFlashMode && !s.maxMinAvgFlash);
    }

    void stateFlags_data()
    {
        QTest::addColumn<int>("b3");
        QTest::addColumn<int>("b4");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("mode");
        QTest::addColumn<bool>("flash");
        QTest::newRow("none") << 0x00 << 0x00 << false << false << false << false;
        QTest::newRow("recording") << 0x08 << 0x00 << true << false << false << false;
        QTest::newRow("full") << 0x10 << 0x00 << false << true << false << false;
        QTest::newRow("mode only") << 0x00 << 0x08 << false << false << true << false;
        QTest::newRow("byte 3 bit 6 alone") << 0x40 << 0x00 << false << false << false << false;
        QTest::newRow("flash") << 0x40 << 0x08 << false << false << true << true;
    }
    void stateFlags()
    {
        QFETCH(int, b3);
        QFETCH(int, b4);
        auto f = blankFrame();
        f[3] = std::uint8_t(b3);
        f[4] = std::uint8_t(b4);
        f[6] = 0x21;
        const LiveState s = decodeLiveFrame(f.data());
        QTEST(s.loggerRecording, "recording");
        QTEST(s.recordFull, "full");
        QTEST(s.maxMinAvgFlashMode, "mode");
        QTEST(s.maxMinAvgFlash, "flash");
        QCOMPARE(s.channelStatus, std::uint8_t(0x21));
    }

    void marks()
    {
        auto f = blankFrame();
        QVERIFY(liveFrameMarksValid(f.data()));
        f[63] = 0x00;
        QVERIFY(!liveFrameMarksValid(f.data()));
        f[63] = 0x03;
        f[0] = 0x00;
        QVERIFY(!liveFrameMarksValid(f.data()));
    }
};

QTEST_APPLESS_MAIN(TestLiveFrame)
#include "test_liveframe.moc"
