// fuzz_chart_seeds — writes well-formed chart states (the shipped template, a recording
// with annotations, a single-axis chart) into a folder, to start fuzz_chartstate from.
//
// Usage: fuzz_chart_seeds <folder>
#include "graph/ChartSetup.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

bool write(const QDir &dir, const char *name, const QByteArray &bytes)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: fuzz_chart_seeds <folder>\n", stderr);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());

    qx::ChartModel recording = qx::defaultChartTemplate();
    recording.setPointCount(20);
    for (int p = 0; p < 20; ++p)
        for (int s = 0; s < 4; ++s) {
            recording.setX(s, p, 46000.5 + p / 43200.0);
            recording.setY(s, p, p == 7 ? 9999.0f : float(20 + s + p));
        }
    recording.setAnnotationType(4, qx::kAnnotationCross);
    recording.setAnnotationText(5, QStringLiteral("T1 MAX:35.0@..."));
    recording.setVertLine(0, 46000.5, QStringLiteral("start"));

    qx::ChartModel single = recording;
    qx::setChartSplit(single, false);
    single.setFontDescription(QStringLiteral("Tahoma,10,-1,5,400,0,0,0,0,0"));

    const bool ok = write(dir, "template", qx::defaultChartTemplate().storeState())
                    && write(dir, "recording", recording.storeState()) && write(dir, "single", single.storeState());
    return ok ? 0 : 1;
}
