// SPDX-License-Identifier: GPL-3.0-or-later
// section_tabs_bench: builds the section tabs of 1,000 to 20,000 sections,
// one tab after the other as the start-up does, with our wrapping tab widget
// and with a plain QTabWidget in the same run, and prints how they compare.
// The plain widget lays out all its tabs for each tab added; it is run up to
// 5,000 tabs only, which already takes it many seconds.

#include "navigation/sectiontabs.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

/// Adds `count` tabs to a widget the size of the section pane and asks for
/// the bar's size, which lays the tabs out.
template <typename Tabs> void addTabs(benchmark::State &state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        Tabs tabs;
        tabs.resize(283, 600);
        for (int i = 1; i <= count; ++i)
            tabs.addTab(new QWidget, QStringLiteral("Abschnitt %1").arg(i));
        benchmark::DoNotOptimize(tabs.tabBar()->sizeHint());
    }
}

void SectionTabs(benchmark::State &state)
{
    addTabs<tv::SectionTabWidget>(state);
}

void PlainTabWidget(benchmark::State &state)
{
    addTabs<QTabWidget>(state);
}

BENCHMARK(SectionTabs)->Arg(1000)->Arg(5000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainTabWidget)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

/// The console output plus the CPU time of each run, for the ratios: on a
/// shared machine the wall time says more about the others than about us.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                seconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *count : { "1000", "5000" }) {
        const auto ours = reporter.seconds.find(std::string("SectionTabs/") + count + "/iterations:1");
        const auto plain = reporter.seconds.find(std::string("PlainTabWidget/") + count + "/iterations:1");
        if (ours != reporter.seconds.end() && plain != reporter.seconds.end() && ours->second > 0)
            std::printf("%s tabs: QTabWidget / SectionTabWidget = %.1f (CPU time)\n", count,
                plain->second / ours->second);
    }
    benchmark::Shutdown();
    return 0;
}
