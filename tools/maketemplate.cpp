// maketemplate — writes the chart template shipped beside the program
// ("template/graph.ghf"): the chart a graph window gets without a template, so a first
// start prepares its charts from it and shows no warning.
//
// Usage: maketemplate <output file>

#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: maketemplate <output file>\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!qx::storeChartFile(qx::defaultChartTemplate(), path, &error)) {
        std::fprintf(stderr, "maketemplate: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
