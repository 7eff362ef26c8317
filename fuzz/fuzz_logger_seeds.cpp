// Writes well-formed memory images into the folder given: the demo memory, a single set
// of 0 records, a °F set cut in its records, and an image announcing no set.
#include "sim/SimulatedMeter.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace qx;

namespace {

bool write(const QString &path, const std::vector<std::uint8_t> &bytes, std::size_t length)
{
    QFile f(path);
    length = std::min(length, bytes.size());
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char *>(bytes.data()), qint64(length)) == qint64(length);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: fuzz_logger_seeds <folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QDateTime start(QDate(2009, 7, 15), QTime(13, 5, 59));
    sim::DataSet empty{{start, 2, 0, false, {}}, {}};
    sim::DataSet fahrenheit{{start, 90, 3, true, {-10, 0, 5, 127}}, {{1000, -32768, 0x7FFF, 1}, {1, 2, 3, 4}, {5, 6, 7, 8}}};
    bool ok = write(folder + "/demo", SimulatedMeter::buildMemoryImage(sim::demoDataSets()), 1 << 20);
    ok &= write(folder + "/zero-records", SimulatedMeter::buildMemoryImage({empty}), 2836);
    ok &= write(folder + "/cut-fahrenheit", SimulatedMeter::buildMemoryImage({empty, fahrenheit}), 2836 + 18 + 12);
    ok &= write(folder + "/no-sets", SimulatedMeter::buildMemoryImage({}), 4096);
    return ok ? 0 : 1;
}
