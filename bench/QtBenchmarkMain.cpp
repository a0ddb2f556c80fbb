#include "Base/WorkerThread.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The benchmarks need a Qt event loop for the helper link and the stores, and
// widgets for the windows (drawn offscreen unless a platform is named).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    mivo::shareAllocatorHeap();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
