// What the setup commands carry, without a meter: the information reply's fields, the
// interval typed as mm:ss, the clock and default settings blocks, the calibration values
// and the EEPROM cell's address and data, with short and odd input.
#include "setup/SetupFormats.h"

#include <QTest>

using namespace qx;
using Bytes = std::vector<std::uint8_t>;

namespace {

// An information reply: alarm on, limits 212 and -4, 3 data sets, fill pointer 2815,
// interval 0:02, type J, T1-T2 off, offsets 1 -2 0 127, power-off 30 minutes, firmware
// 1.05, clock 2009-07-15 13:05:59.
Bytes infoReply()
{
    Bytes r(64, 0);
    const std::pair<int, Bytes> runs[] = {
        {0, {'O', 'K'}},
        {3, {0x01, 0x00, 0xD4, 0xFF, 0xFC, 0x00, 0x03, 0x00, 0x0A, 0xFF, 0x00, 0x02, 0x14}},
        {18, {0x01}},
        {21, {0x00, 0x01, 0xFE, 0x00, 0x7F}},
        {30, {0x02, 0x69}},
        {40, {0x59, 0x05, 0x13, 0x15, 0x07, 0x00, 0x09}},
    };
    for (const auto &[at, bytes] : runs)
        std::copy(bytes.begin(), bytes.end(), r.begin() + at);
    return r;
}

QStringList fields(const MeterInfoTexts &t)
{
    return {t.version, t.meterTime,  t.interval,   t.dataSets,   t.memoryAvailable, t.alarm,
            t.high,    t.low,        t.t1MinusT2,  t.thermoType, t.powerOff,        t.offsets[0],
            t.offsets[1], t.offsets[2], t.offsets[3]};
}

const QStringList kFieldNames = {"version", "time", "interval", "sets", "memory", "alarm", "high", "low",
                                 "t1-t2",   "type", "power-off", "T1",  "T2",     "T3",    "T4"};
const QStringList kBaseTexts = {"1.05", "07/15/2009   13:05:59", "0:2", "3", "16000", "ON", "212", "-4",
                                "OFF",  "J", "30 minutes", "1", "-2", "0", "127"};

QString hex(std::span<const std::uint8_t> bytes)
{
    QStringList out;
    for (std::uint8_t b : bytes)
        out << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestSetupFormats : public QObject {
    Q_OBJECT
private slots:
    // One change to the reply changes one field; every other field reads as before.
    void meterInfo_data()
    {
        QTest::addColumn<QList<int>>("patch"); // at, then the bytes from there
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("as it is") << QList<int>{} << "C" << "memory" << "16000";
        QTest::newRow("fill pointer 01 FF 00") << QList<int>{10, 0x01, 0xFF, 0x00} << "C" << "memory" << "0";
        QTest::newRow("fill pointer beyond the end")
            << QList<int>{10, 0xFF, 0xFF, 0xFF} << "C" << "memory" << "-2080799";
        QTest::newRow("type 4") << QList<int>{18, 4} << "C" << "type" << "";
        QTest::newRow("type T") << QList<int>{18, 3} << "C" << "type" << "T";
        QTest::newRow("power-off 7") << QList<int>{30, 7} << "C" << "power-off" << "";
        QTest::newRow("power-off 8 hours") << QList<int>{30, 6} << "C" << "power-off" << "8 hours";
        QTest::newRow("power-off off") << QList<int>{30, 0} << "C" << "power-off" << "OFF";
        QTest::newRow("high FF FC") << QList<int>{4, 0xFF, 0xFC} << "C" << "high" << "-4";
        QTest::newRow("low 80 00") << QList<int>{6, 0x80, 0x00} << "C" << "low" << "-32768";
        QTest::newRow("T1 offset FE") << QList<int>{22, 0xFE} << "C" << "T1" << "-2";
        QTest::newRow("T4 offset 80") << QList<int>{25, 0x80} << "C" << "T4" << "-128";
        QTest::newRow("interval 1:30") << QList<int>{13, 1, 30} << "C" << "interval" << "1:30";
        QTest::newRow("data sets FF FF") << QList<int>{8, 0xFF, 0xFF} << "C" << "sets" << "65535";
        QTest::newRow("alarm off") << QList<int>{3, 0} << "C" << "alarm" << "OFF";
        QTest::newRow("T1-T2 any non-zero") << QList<int>{21, 0x80} << "C" << "t1-t2" << "ON";
        QTest::newRow("version 1,05") << QList<int>{} << "fr_FR" << "version" << "1,05";
        QTest::newRow("version 0") << QList<int>{31, 0} << "C" << "version" << "0.00";
        QTest::newRow("version 255") << QList<int>{31, 255} << "C" << "version" << "2.55";
        QTest::newRow("clock byte not BCD")
            << QList<int>{40, 0x5A} << "C" << "time" << "07/15/2009   13:05:5A";
        QTest::newRow("clock year 2000") << QList<int>{46, 0x00} << "C" << "time" << "07/15/2000   13:05:59";
        // Bytes 0 to 2 are not decoded.
        QTest::newRow("no mark") << QList<int>{0, 0, 0, 0} << "C" << "memory" << "16000";
    }
    void meterInfo()
    {
        QFETCH(QList<int>, patch);
        QFETCH(QString, locale);
        QFETCH(QString, field);
        QFETCH(QString, text);
        Bytes reply = infoReply();
        for (int i = 1; i < patch.size(); ++i)
            reply[std::size_t(patch[0] + i - 1)] = std::uint8_t(patch[i]);
        const auto decoded = decodeMeterInfo(reply, QLocale(locale));
        QVERIFY(decoded);
        QStringList expected = kBaseTexts;
        if (locale == "fr_FR")
            expected[0] = "1,05";
        expected[kFieldNames.indexOf(field)] = text;
        QCOMPARE(fields(*decoded), expected);
        QVERIFY(decoded->serialNumber.isEmpty());
    }

    void meterInfoShort()
    {
        const Bytes reply = infoReply();
        QVERIFY(!decodeMeterInfo(std::span(reply).first(63)));
        QVERIFY(!decodeMeterInfo({}));
    }

    void serialNumber()
    {
        const char text[] = "QX7360001\0garbage";
        QCOMPARE(serialNumberText(std::span(text, sizeof text)), QString("QX7360001"));
        // No zero byte: as far as the buffer goes, never past it.
        const char full[4] = {'A', 'B', 'C', 'D'};
        QCOMPARE(serialNumberText(full), QString("ABCD"));
        QCOMPARE(serialNumberText({}), QString());
    }

    // Bytes the blocks do not set keep what the buffer held (EE here).
    void blocks()
    {
        std::array<std::uint8_t, 32> block;
        block.fill(0xEE);
        composeClockBlock(block, QDateTime(QDate(2009, 7, 15), QTime(13, 5, 59)));
        QCOMPARE(hex(block), QString("59 05 13 15 07 EE 09 00 72 74 63 EE EE EE EE EE "
                                     "EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE"));
        composeClockBlock(block, QDateTime(QDate(2031, 12, 1), QTime(0, 0, 7)));
        QCOMPARE(hex(std::span(block).first(7)), QString("07 00 00 01 12 EE 31"));

        block.fill(0xEE);
        composeDefaultSettingsBlock(block);
        QCOMPARE(hex(block), QString("41 4C 4C 00 00 D4 FF FC 00 00 00 0A FF 00 02 14 "
                                     "EE EE 00 EE EE 00 00 00 00 00 EE EE EE EE 02 EE"));
    }

    void interval_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("bcd"); // minutes << 8 | seconds; -1 refused
        QTest::newRow("00:00") << "00" << "00" << -1;
        QTest::newRow("00:01") << "00" << "01" << 0x0001;
        QTest::newRow("59:59") << "59" << "59" << 0x5959;
        QTest::newRow("60:00") << "60" << "00" << 0x6000;
        QTest::newRow("60:60") << "60" << "60" << 0x6060;
        QTest::newRow("61 minutes") << "61" << "00" << -1;
        QTest::newRow("61 seconds") << "00" << "61" << -1;
        QTest::newRow("one character each") << "5" << "3" << 0x0503;
        QTest::newRow("05:30") << "05" << "30" << 0x0530;
        QTest::newRow("0 and 0") << "0" << "0" << -1;
        QTest::newRow("empty minutes") << "" << "02" << -1;
        QTest::newRow("not a number") << "1a" << "02" << -1;
        QTest::newRow("space") << " 5" << "02" << -1;
        QTest::newRow("three digits") << "005" << "02" << -1;
    }
    void interval()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(int, bcd);
        const auto result = intervalFromTexts(minutes, seconds);
        QCOMPARE(result.has_value(), bcd >= 0);
        if (result)
            QCOMPARE(result->minutes << 8 | result->seconds, bcd);
    }

    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("1000") << "1000" << true << 1000;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("minus") << "-1" << true << -1;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("far too large") << "99999999999999999999" << false << 0;
        QTest::newRow("letters") << "12a" << false << 0;
        QTest::newRow("trailing space") << "12 " << false << 0;
        QTest::newRow("leading space") << " 12" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
        QTest::newRow("other digits") << QString::fromUtf8("\u0663") << false << 0;
    }
    void integers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto parsed = parseInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (parsed)
            QCOMPARE(*parsed, value);
    }

    void eepromCells()
    {
        QCOMPARE(hex(eepromAddressBytes(1000)), QString("00 03 E8"));
        QCOMPARE(hex(eepromAddressBytes(65536)), QString("01 00 00"));
        QCOMPARE(hex(eepromAddressBytes(16777217)), QString("00 00 01"));
        QCOMPARE(hex(eepromAddressBytes(-1)), QString("FF FF FF"));
        QCOMPARE(int(eepromDataByte(300)), 0x2C);
        QCOMPARE(int(eepromDataByte(-1)), 0xFF);
        Bytes reply = {0x02, 'r', 0x00, 0x00, 0x05, 0xFF};
        QCOMPARE(eepromReadValue(reply), std::optional<int>(255));
        reply.pop_back();
        QVERIFY(!eepromReadValue(reply));
    }

    void calibrationValue_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << Bytes{0x00, 0x80, 0x3F} << "C" << "1.00000000";
        QTest::newRow("0") << Bytes{0x00, 0x00, 0x00} << "C" << "0.00000000";
        QTest::newRow("-1") << Bytes{0x00, 0x80, 0xBF} << "C" << "-1.00000000";
        QTest::newRow("1 in French") << Bytes{0x00, 0x80, 0x3F} << "fr_FR" << "1,00000000";
        QTest::newRow("eight decimals") << Bytes{0x45, 0x80, 0x3F} << "C" << "1.00210571";
        // 123.455078125: the tenth digit ends the number.
        QTest::newRow("ten significant digits") << Bytes{0xE9, 0xF6, 0x42} << "C" << "123.45507810";
        QTest::newRow("eleven digits before the point") << Bytes{0x43, 0xBA, 0x51} << "C" << "9.999849882E+10";
        QTest::newRow("ten digits before the point") << Bytes{0x02, 0x15, 0x50} << "C"
                                                     << "9999745024.00000000";
        QTest::newRow("tiny negative") << Bytes{0x70, 0x09, 0xB1} << "C" << "0.00000000";
        QTest::newRow("negative zero") << Bytes{0x00, 0x00, 0x80} << "C" << "0.00000000";
        QTest::newRow("infinite") << Bytes{0x00, 0x80, 0x7F} << "C" << "INF";
        QTest::newRow("not a number") << Bytes{0x00, 0xC0, 0x7F} << "C" << "NAN";
    }
    void calibrationValue()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(calibrationText(unpackFloat24(bytes[0], bytes[1], bytes[2]), QLocale(locale)), text);
    }

    // Gains and EXT offsets from the first reply, CJC offsets from the second, in order.
    void calibrationSet()
    {
        Bytes first(32, 0);
        Bytes second(32, 0);
        // 1 to 8, then 9 to 12: exponent 0x3F/0x40/0x41 with the mantissa's top bits.
        const Bytes values[12] = {{0x00, 0x80, 0x3F}, {0x00, 0x00, 0x40}, {0x00, 0x40, 0x40}, {0x00, 0x80, 0x40},
                                  {0x00, 0xA0, 0x40}, {0x00, 0xC0, 0x40}, {0x00, 0xE0, 0x40}, {0x00, 0x00, 0x41},
                                  {0x00, 0x10, 0x41}, {0x00, 0x20, 0x41}, {0x00, 0x30, 0x41}, {0x00, 0x40, 0x41}};
        for (int i = 0; i < 12; ++i)
            std::copy(values[i].begin(), values[i].end(), (i < 8 ? first : second).begin() + 3 * (i % 8));
        const auto set = decodeCalibration(first, second);
        QVERIFY(set);
        for (int i = 0; i < 12; ++i)
            QCOMPARE((*set)[std::size_t(i)], float(i + 1));
        QVERIFY(!decodeCalibration(std::span(first).first(23), second));
        QVERIFY(!decodeCalibration(first, std::span(second).first(11)));
    }
};

QTEST_GUILESS_MAIN(TestSetupFormats)
#include "test_setupformats.moc"
