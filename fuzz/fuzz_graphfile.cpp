// Opening a graph file: the bytes as a file on disk through the open check, as they are,
// behind a length field that fits them, and behind one a byte too long. What is refused
// says why and leaves the chart as it was; a length beyond the file is always refused;
// what opens stores and opens again to the same chart.
#include "files/GraphFileOpen.h"
#include "graph/ChartModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace qx;

namespace {

const QString &filePath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("fuzz.ghf");
    return path;
}

QByteArray lengthField(quint32 n)
{
    return QByteArray(1, char(n & 0xFF)) + char(n >> 8 & 0xFF) + char(n >> 16 & 0xFF) + char(n >> 24 & 0xFF);
}

void check(const QByteArray &file)
{
    {
        QFile f(filePath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(file) != file.size())
            std::abort();
    }
    static const ChartModel reference = [] {
        ChartModel m;
        m.setSeriesCount(4);
        m.setPointCount(2);
        m.setY(1, 1, 42.0f);
        return m;
    }();
    static const QByteArray before = reference.storeState();
    ChartModel chart = reference;
    QString error;
    const bool opened = openGraphFile(filePath(), chart, &error);
    const bool lengthFits = file.size() >= 4 &&
                            qint64(quint8(file[0]) | quint8(file[1]) << 8 | quint8(file[2]) << 16 |
                                   quint32(quint8(file[3])) << 24) <= file.size() - 4;
    if (opened && !lengthFits)
        std::abort();
    if (!opened) {
        if (error.isEmpty() || chart.storeState() != before)
            std::abort();
        return;
    }
    const QByteArray stored = chart.storeState();
    ChartModel again;
    if (!again.loadState(stored, &error) || again.storeState() != stored)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    check(input);
    check(lengthField(quint32(size)) + input);
    check(lengthField(quint32(size) + 1) + input);
    return 0;
}
