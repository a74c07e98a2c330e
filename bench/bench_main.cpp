#include <QApplication>
#include <benchmark/benchmark.h>

// Benchmarks draw text and widgets, so they run inside an (offscreen)
// QApplication, as the program does.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("BrindlexBench");
    QApplication::setApplicationName("BrindlexBench");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
