#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

#include <functional>

// The main of a benchmark that needs widgets: an application on the
// offscreen platform around the benchmark run. `done` runs before the
// application ends, for widgets the benchmarks keep.
inline int runOffscreenBenchmarks(int argc, char** argv, const std::function<void()>& done = {})
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (done)
        done();
    return 0;
}
