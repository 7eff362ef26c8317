#pragma once
// The main of a benchmark that needs Qt: the application it needs (widgets on the
// offscreen platform unless another is asked for), then every benchmark of the program.
#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

namespace qx {

template <class Application> int runQtBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace qx

#define QX_QT_BENCHMARK_MAIN(Application) \
    int main(int argc, char **argv) { return qx::runQtBenchmarks<Application>(argc, argv); }
