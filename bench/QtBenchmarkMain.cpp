// The main of every benchmark program: Qt's event loop machinery (detection, HTTP, the scale
// worker) needs an application object before the first benchmark runs.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
