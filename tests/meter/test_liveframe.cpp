// Live frame decoding: readings, unit conversion, glyphs of both encodings, indicators.
#include "meter/LiveFrame.h"

#include <QTest>
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

    void glyphTablesAreInverse()
    {
        for (int g = 0; g < kGlyphCount; ++g) {
            if (g == kBlankGlyph)
                continue;
            if (const std::uint8_t a = encodingAPattern(g)) {
                QCOMPARE(glyphFromEncodingA(a), g);
                QCOMPARE(glyphFromEncodingA(std::uint8_t(a | 0x80)), g); // indicator bit ignored
            }
            if (const std::uint8_t b = encodingBPattern(g)) {
                QCOMPARE(glyphFromEncodingB(b), g);
                QCOMPARE(glyphFromEncodingB(std::uint8_t(b | 0x01)), g);
            }
        }
        QCOMPARE(encodingBPattern(23), std::uint8_t(0)); // glyphs 23, 24 exist in A only
        QCOMPARE(encodingBPattern(24), std::uint8_t(0));
    }

    void unknownPatternsAreBlank_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("glyph");
        QTest::addColumn<bool>("indicator");
        // T2 digit 4 (byte 46, encoding B, indicator T2 °F in bit 0)
        QTest::newRow("B a-b-c without f") << 7 << 0xA4 << kBlankGlyph << false;
        QTest::newRow("B a-b-c + indicator") << 7 << 0xA5 << kBlankGlyph << true;
        QTest::newRow("B zero") << 7 << 0x00 << kBlankGlyph << false;
        QTest::newRow("B seven") << 7 << 0xE4 << 7 << false;
        // T1 digit 4 (byte 45, encoding A, indicator T1 °C in bit 7)
        QTest::newRow("A zero pattern") << 3 << 0x00 << kBlankGlyph << false;
        QTest::newRow("A 23 with indicator") << 3 << 0xBE << 23 << true;
        QTest::newRow("A pattern a b c") << 3 << 0x25 << kBlankGlyph << false;
    }
    void unknownPatternsAreBlank()
    {
        QFETCH(int, position);
        QFETCH(int, value);
        QFETCH(int, glyph);
        QFETCH(bool, indicator);
        auto f = blankFrame();
        f[std::size_t(kLargeDigitByte[std::size_t(position)])] = std::uint8_t(value);
        const LiveState s = decodeLiveFrame(f.data());
        QCOMPARE(int(s.largeDigit[std::size_t(position)]), glyph);
        const Indicator which = position == 7 ? Indicator::T2Fahrenheit : Indicator::T1Celsius;
        QCOMPARE(s.on(which), indicator);
    }

    void everyIndicatorHasItsOwnBit()
    {
        for (int i = 0; i < kIndicatorCount; ++i) {
            auto f = blankFrame();
            const IndicatorBit bit = indicatorBit(Indicator(i));
            f[std::size_t(bit.byte)] = bit.mask;
            const LiveState s = decodeLiveFrame(f.data());
            for (int j = 0; j < kIndicatorCount; ++j)
                QVERIFY2(s.indicator[std::size_t(j)] == (i == j), qPrintable(QString("%1/%2").arg(i).arg(j)));
        }
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
