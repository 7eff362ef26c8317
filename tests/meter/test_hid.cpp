// The USB HID meter link over a scripted transport, the report descriptor parser and the
// trace line format.
#include "meter/HidDeviceAccess.h"
#include "meter/HidTransport.h"
#include "meter/TracingDeviceAccess.h"

#include <QTest>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

using qx::kMeterProductId;
using qx::kMeterVendorId;

class FakeTransport final : public qx::HidTransport {
public:
    bool present = true;
    int reportLength = 8;
    std::deque<Bytes> input; // queued input reports; none left = time-out
    std::vector<Bytes> written;
    std::vector<int> readWaits;
    std::wstring serial = L"QX0123456789";
    int opens = 0;
    int closes = 0;
    bool open_ = false;

    std::string find(std::uint16_t vendorId, std::uint16_t productId) override
    {
        return present && vendorId == kMeterVendorId && productId == kMeterProductId ? "/dev/hidraw7" : "";
    }
    bool open(const std::string &path) override
    {
        if (!present || path != "/dev/hidraw7")
            return false;
        ++opens;
        open_ = true;
        return true;
    }
    void close() override
    {
        if (open_)
            ++closes;
        open_ = false;
    }
    int outputLength() override { return reportLength; }
    int write(const std::uint8_t *data, std::size_t length) override
    {
        if (!present || !open_)
            return -1;
        written.emplace_back(data, data + length);
        return int(length);
    }
    int read(std::uint8_t *data, std::size_t capacity, int timeoutMs) override
    {
        if (!present || !open_)
            return -1;
        readWaits.push_back(timeoutMs);
        if (input.empty())
            return 0;
        const Bytes report = input.front();
        input.pop_front();
        const std::size_t n = std::min(capacity, report.size());
        std::copy_n(report.begin(), n, data);
        return int(n);
    }
    bool serialNumber(std::wstring &text) override
    {
        text = serial;
        return open_;
    }
};

Bytes counting(int n, int from = 0)
{
    Bytes b(static_cast<std::size_t>(n));
    std::iota(b.begin(), b.end(), std::uint8_t(from));
    return b;
}

// Splits `bytes` into input reports of `size` bytes.
void queueReports(FakeTransport &t, const Bytes &bytes, std::size_t size)
{
    for (std::size_t i = 0; i < bytes.size(); i += size)
        t.input.emplace_back(bytes.begin() + long(i), bytes.begin() + long(std::min(bytes.size(), i + size)));
}

std::string readAll(std::FILE *f)
{
    std::rewind(f);
    std::string text;
    char chunk[256];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, f))
        text.append(chunk, n);
    return text;
}

} // namespace

class TestHid : public QObject {
    Q_OBJECT

private slots:
    void openWhileOpenKeepsTheDevice()
    {
        FakeTransport t;
        qx::HidDeviceAccess hid(t);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        QCOMPARE(t.opens, 1);
        QCOMPARE(t.closes, 0);
        hid.closeDevice();
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        QCOMPARE(t.opens, 2);
    }

    void writesArePaddedReports_data()
    {
        QTest::addColumn<int>("reportLength");
        QTest::addColumn<int>("dataLength");
        QTest::addColumn<int>("reports");
        QTest::addColumn<int>("reportSize");
        QTest::newRow("command, 8-byte reports") << 8 << 7 << 1 << 9;
        QTest::newRow("command, 64-byte reports") << 64 << 7 << 1 << 65;
        QTest::newRow("data block, 8-byte reports") << 8 << 32 << 4 << 9;
        QTest::newRow("data block, 64-byte reports") << 64 << 32 << 1 << 65;
        QTest::newRow("data block, 12-byte reports") << 12 << 32 << 3 << 13;
        QTest::newRow("unusable length falls back") << 0 << 7 << 1 << 65;
        QTest::newRow("1-byte reports") << 1 << 7 << 7 << 2;
        QTest::newRow("huge length falls back") << 1'000'000 << 7 << 1 << 65;
    }
    void writesArePaddedReports()
    {
        QFETCH(int, reportLength);
        QFETCH(int, dataLength);
        QFETCH(int, reports);
        QFETCH(int, reportSize);
        FakeTransport t;
        t.reportLength = reportLength;
        qx::HidDeviceAccess hid(t);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        const Bytes data = counting(dataLength, 1);
        QCOMPARE(dataLength == 7 ? hid.writeCommand(7, data.data()) : hid.writeData(dataLength, data.data()), 0);

        QCOMPARE(int(t.written.size()), reports);
        Bytes payload;
        for (const Bytes &r : t.written) {
            QCOMPARE(int(r.size()), reportSize);
            QCOMPARE(r[0], std::uint8_t(0)); // report id
            payload.insert(payload.end(), r.begin() + 1, r.end());
        }
        Bytes expected = data;
        expected.resize(payload.size(), 0);
        QCOMPARE(payload, expected);
    }

    void readGathersInputReports()
    {
        FakeTransport t;
        qx::HidDeviceAccess hid(t);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        QCOMPARE(hid.setTimeouts(150, 100), 0);
        queueReports(t, counting(40), 8); // five reports, the last brings 4 bytes too many
        queueReports(t, counting(8, 200), 8);

        Bytes reply(36, 0xEE);
        QCOMPARE(hid.readReply(36, reply.data()), 0);
        QCOMPARE(reply, counting(36));
        QCOMPARE(t.readWaits, std::vector<int>(5, 150));

        // The dropped excess does not leak into the next reply.
        Bytes next(8);
        QCOMPARE(hid.readReply(8, next.data()), 0);
        QCOMPARE(next, counting(8, 200));
    }

    void timeOutMidwayFailsTheRead()
    {
        FakeTransport t;
        qx::HidDeviceAccess hid(t);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        queueReports(t, counting(16), 8);
        Bytes reply(36);
        QVERIFY(hid.readReply(36, reply.data()) != 0);
        QCOMPARE(t.readWaits.size(), std::size_t(3));
        // A silent meter is not a gone meter.
        QVERIFY(hid.isOpen());
        QCOMPARE(t.closes, 0);
    }

    void unplugClosesAndReplugReopens()
    {
        const std::vector<std::pair<const char *, std::function<int(qx::HidDeviceAccess &)>>> failing = {
            {"write", [](qx::HidDeviceAccess &h) {
                 const Bytes cmd = {0x02, 0x41, 0, 0, 0, 1, 0x03};
                 return h.writeCommand(7, cmd.data());
             }},
            {"read", [](qx::HidDeviceAccess &h) {
                 Bytes reply(64);
                 return h.readReply(64, reply.data());
             }},
        };
        for (const auto &[what, call] : failing) {
            FakeTransport t;
            qx::HidDeviceAccess hid(t);
            QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
            t.present = false;
            QVERIFY2(call(hid) != 0, what);
            QVERIFY2(!hid.isOpen() && t.closes == 1, what);
            QVERIFY2(hid.openDevice(kMeterVendorId, kMeterProductId) != 0, what);
            QVERIFY2(call(hid) != 0, what);
            t.present = true;
            QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
            QCOMPARE(t.opens, 2);
            t.input.push_back(counting(64));
            QVERIFY2(call(hid) == 0, what);
        }
    }

    void serialNumberFitsTheBuffer_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("fits") << "QX0123" << 32 << QByteArray("QX0123");
        QTest::newRow("exactly fits") << "QX0123" << 7 << QByteArray("QX0123");
        QTest::newRow("cut") << "QX0123456789" << 5 << QByteArray("QX01");
        QTest::newRow("room for the terminator only") << "QX01" << 1 << QByteArray("");
        QTest::newRow("beyond Latin-1") << QString::fromUtf8("A\u00E9\u20AC") << 32 << QByteArray("A\xE9?");
    }
    void serialNumberFitsTheBuffer()
    {
        QFETCH(QString, serial);
        QFETCH(int, size);
        QFETCH(QByteArray, expected);
        FakeTransport t;
        t.serial = serial.toStdWString();
        qx::HidDeviceAccess hid(t);
        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        QByteArray buffer(size + 1, '#'); // one guard byte past the given size
        QCOMPARE(hid.readSerialNumber(0, buffer.data(), size), 0);
        QCOMPARE(QByteArray(buffer.constData()), expected);
        QCOMPARE(buffer.at(size), '#');
    }

    void badCallsFailWithoutTouchingTheDevice()
    {
        FakeTransport t;
        qx::HidDeviceAccess hid(t);
        Bytes bytes(64, 0x55);
        char text[32] = "old";

        QVERIFY(hid.writeCommand(7, bytes.data()) != 0); // not open yet
        QVERIFY(hid.readReply(64, bytes.data()) != 0);
        QVERIFY(hid.readSerialNumber(0, text, 32) != 0);
        QCOMPARE(text[0], '\0'); // still terminated on failure
        QVERIFY(hid.openDevice(0, 0) != 0); // would match any HID device
        QCOMPARE(t.opens, 0);

        QCOMPARE(hid.openDevice(kMeterVendorId, kMeterProductId), 0);
        const std::vector<std::pair<const char *, std::function<int()>>> bad = {
            {"write length 0", [&] { return hid.writeCommand(0, bytes.data()); }},
            {"write length -7", [&] { return hid.writeData(-7, bytes.data()); }},
            {"write length absurd", [&] { return hid.writeData(1 << 30, bytes.data()); }},
            {"write null", [&] { return hid.writeCommand(7, nullptr); }},
            {"read length 0", [&] { return hid.readReply(0, bytes.data()); }},
            {"read length -64", [&] { return hid.readReply(-64, bytes.data()); }},
            {"read length absurd", [&] { return hid.readReply(1 << 30, bytes.data()); }},
            {"read null", [&] { return hid.readReply(64, nullptr); }},
            {"serial null", [&] { return hid.readSerialNumber(0, nullptr, 32); }},
            {"serial size 0", [&] { return hid.readSerialNumber(0, text, 0); }},
            {"serial size -1", [&] { return hid.readSerialNumber(0, text, -1); }},
            {"serial index 3", [&] { return hid.readSerialNumber(3, text, 32); }},
            {"negative read time-out", [&] { return hid.setTimeouts(-1, 100); }},
            {"negative write time-out", [&] { return hid.setTimeouts(100, -1); }},
        };
        for (const auto &[what, call] : bad)
            QVERIFY2(call() != 0, what);
        QVERIFY(t.written.empty());
        QVERIFY(t.readWaits.empty());
        QCOMPARE(hid.readTimeoutMs(), 100);
        QVERIFY(hid.isOpen());
    }

    void descriptorOutputLength_data()
    {
        QTest::addColumn<Bytes>("descriptor");
        QTest::addColumn<int>("expected");
        // Vendor page, one application collection with an 8-byte input and output report.
        const Bytes meter = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                             0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02,
                             0x09, 0x03, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xC0};
        const auto cut = [&](std::size_t n) { return Bytes(meter.begin(), meter.begin() + long(n)); };
        const auto wrap = [](const Bytes &body) {
            const Bytes head = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
            Bytes d(head.size() + body.size() + 1, 0xC0); // ends with End Collection
            std::copy(head.begin(), head.end(), d.begin());
            std::copy(body.begin(), body.end(), d.begin() + long(head.size()));
            return d;
        };
        const int fallback = 64;

        QTest::newRow("meter") << meter << 8;
        QTest::newRow("32-byte output") << wrap({0x75, 0x08, 0x95, 0x20, 0x91, 0x02}) << 32;
        QTest::newRow("4-byte count item") << wrap({0x75, 0x08, 0x97, 0x24, 0x00, 0x00, 0x00, 0x91, 0x02}) << 36;
        QTest::newRow("bits round up") << wrap({0x75, 0x01, 0x95, 0x0C, 0x91, 0x02}) << 2;
        QTest::newRow("fields add up") << wrap({0x75, 0x08, 0x95, 0x07, 0x91, 0x02, 0x95, 0x19, 0x91, 0x03}) << 32;
        QTest::newRow("numbered, longest wins")
            << wrap({0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0x85, 0x02, 0x95, 0x20, 0x91, 0x02}) << 32;
        QTest::newRow("push and pop")
            << wrap({0x75, 0x08, 0x95, 0x08, 0xA4, 0x95, 0x02, 0x91, 0x02, 0xB4, 0x91, 0x02}) << 10;
        QTest::newRow("long item skipped")
            << wrap({0xFE, 0x02, 0x10, 0x91, 0x02, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}) << 8;
        QTest::newRow("input only") << wrap({0x75, 0x08, 0x95, 0x08, 0x81, 0x02}) << fallback;
        QTest::newRow("zero-size output") << wrap({0x75, 0x00, 0x95, 0x08, 0x91, 0x02}) << fallback;

        QTest::newRow("empty") << Bytes{} << fallback;
        QTest::newRow("cut inside an item") << cut(13) << fallback;
        QTest::newRow("cut inside the prefix data") << cut(2) << fallback;
        QTest::newRow("cut before end collection") << cut(meter.size() - 1) << fallback;
        QTest::newRow("4-byte item cut") << Bytes{0x75, 0x08, 0x97, 0x08, 0x00} << fallback;
        QTest::newRow("long item past the end") << Bytes{0xA1, 0x01, 0x91, 0x02, 0xFE, 0x10, 0x10, 0x00, 0xC0} << fallback;
        QTest::newRow("long item header cut") << Bytes{0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xFE, 0x01} << fallback;
        QTest::newRow("end collection without collection") << Bytes{0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xC0} << fallback;
        QTest::newRow("pop without push") << wrap({0xB4, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}) << fallback;
        QTest::newRow("push overflow")
            << wrap({0xA4, 0xA4, 0xA4, 0xA4, 0xA4, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}) << fallback;
        QTest::newRow("report id 0") << wrap({0x85, 0x00, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}) << fallback;
        QTest::newRow("report id 256") << wrap({0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}) << fallback;
        QTest::newRow("report size 257 bits") << wrap({0x76, 0x01, 0x01, 0x95, 0x01, 0x91, 0x02}) << fallback;
        QTest::newRow("count 2^32-1") << wrap({0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x91, 0x02}) << fallback;
        QTest::newRow("report too long")
            << wrap({0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0x91, 0x02}) << fallback;
        QTest::newRow("many outputs overflow")
            << wrap({0x75, 0x80, 0x95, 0xFF, 0x91, 0x02, 0x91, 0x02}) << fallback;
    }
    void descriptorOutputLength()
    {
        QFETCH(Bytes, descriptor);
        QFETCH(int, expected);
        // An exact-size heap copy, so a read past the end is caught by the sanitizer.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[descriptor.size() + 1]);
        std::copy(descriptor.begin(), descriptor.end(), exact.get());
        QCOMPARE(qx::outputReportLength(descriptor.empty() ? nullptr : exact.get(), descriptor.size()), expected);
    }

    void descriptorPathOnlyForHidrawNodes()
    {
        const std::vector<std::pair<std::string, std::string>> cases = {
            {"/dev/hidraw3", "/sys/class/hidraw/hidraw3/device/report_descriptor"},
            {"/dev/hidraw12", "/sys/class/hidraw/hidraw12/device/report_descriptor"},
            {"/dev/hidraw", ""},
            {"/dev/hidraw3x", ""},
            {"/dev/hidraw3/../../etc/passwd", ""},
            {"1-2:1.0", ""},
            {"", ""},
        };
        for (const auto &[device, expected] : cases)
            QCOMPARE(qx::hidrawDescriptorPath(device), expected);
    }

    void traceLines()
    {
        FakeTransport t;
        qx::HidDeviceAccess hid(t);
        std::FILE *out = std::tmpfile();
        QVERIFY(out);
        qx::TracingDeviceAccess trace(hid, out);

        const Bytes cmd = {0x02, 0x41, 0x00, 0x00, 0x00, 0x01, 0x03};
        trace.openDevice(kMeterVendorId, kMeterProductId);
        trace.writeCommand(7, cmd.data());
        Bytes reply(64);
        const int failed = trace.readReply(64, reply.data()); // nothing queued: time-out
        QVERIFY(failed != 0);
        t.input.push_back({0x02, 0xAB, 0x03, 0x00});
        trace.readReply(3, reply.data());
        char serial[32];
        trace.readSerialNumber(0, serial, 32);
        trace.writeData(7, nullptr);

        const std::string expected = "openDevice 04D9:E000 -> 0\n"
                                     "writeCommand 7: 02 41 00 00 00 01 03 -> 0\n"
                                     "readReply 64 -> " + std::to_string(failed) + "\n"
                                     "readReply 3: 02 AB 03 -> 0\n"
                                     "readSerialNumber 0 32: \"QX0123456789\" -> 0\n"
                                     "writeData 7: (null) -> 1\n";
        QCOMPARE(readAll(out), expected);
        std::fclose(out);
    }
};

QTEST_APPLESS_MAIN(TestHid)
#include "test_hid.moc"
