// The graphs window on a history file of a million data sets: opening it on the whole
// file to its first painted frame (budget 300 ms), one zoom or pan step to its repaint
// (median of 50, budget 30 ms), the statistics of the whole file (budget 500 ms) and after
// one more data set (budget 5 ms), and the
// memory the open window takes next to the file's size (budget 1.5). Each figure is
// printed as a ratio to its budget. Runs on the offscreen platform.
#include <QCoreApplication>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <qcustomplot.h>
#include <string>
#include <vector>

#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "graphs/graphs_window.h"
#include "graphs/history_statistics.h"
#include "history_bench_file.h"
#include "platform/engine.h"
#include "platform/runtime.h"

namespace {

constexpr uint32_t kDataSets = 1000000;
constexpr double kOpenBudget = 0.300;
constexpr double kStepBudget = 0.030;
constexpr double kStatisticsBudget = 0.500;
constexpr double kFollowBudget = 0.005;  // the statistics after one more data set
constexpr double kMemoryBudget = 1.5;
constexpr int kSteps = 50;

// Resident set of this process now, in bytes.
long long CurrentRssBytes() {
    FILE *f = fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    long long pages = 0, resident = 0;
    const int got = fscanf(f, "%lld %lld", &pages, &resident);
    fclose(f);
    return got == 2 ? resident * 4096 : 0;
}

// CPU time of this process: on a machine shared with other work, what the figure would be
// without waiting for a core.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

void Drain() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// One step as the user makes it: the time range moved, every graph redrawn and painted.
// Gives the wall-clock seconds and adds the CPU seconds to *cpu.
double Step(QCustomPlot *plot, const QCPRange &range, std::vector<double> *cpu) {
    Drain();
    const double start = Seconds();
    const double cpu_start = CpuSeconds();
    plot->axisRect(0)->axis(QCPAxis::atBottom)->setRange(range);
    plot->replot(QCustomPlot::rpImmediateRefresh);
    cpu->push_back(CpuSeconds() - cpu_start);
    return Seconds() - start;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
    (void)argc;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (InitCVIRTE(nullptr, argv, nullptr) == 0) return 1;
    char folder[] = "/tmp/chbench.XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/history.dat";
    if (!MakeHistoryFile(path, kDataSets)) return 1;
    const double file_bytes = 36.0 * kDataSets + 28.0;

    SetSetupToDefault(&setup);
    setup.time_24h = 1;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    RegisterAppWidgets();
    RegisterAppCallbacks();
    if (LoadInitAllPanels() < 0) return 1;
    SetUIDataToDefault();
    if (InitFileHistoryHeader(&UI_data.file_header, path.c_str()) != 0) return 1;
    UI_data.history_file_ok = 1;
    ReadWholeFileOnce(path);  // the page cache warm, as for a file in daily use
    Drain();

    const long long rss_before = CurrentRssBytes();
    const double open_start = Seconds();
    const double open_cpu_start = CpuSeconds();
    OpenGraphsWindow(RANGE_ALL);
    auto *plot = GraphsWindow()->findChild<QCustomPlot *>("GRAPHS_PLOT");
    if (plot == nullptr) return 1;
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const double open = Seconds() - open_start;
    const double open_cpu = CpuSeconds() - open_cpu_start;
    Drain();
    const double memory = static_cast<double>(CurrentRssBytes() - rss_before) / file_bytes;

    std::vector<double> steps, step_cpu;
    QCPRange range = plot->axisRect(0)->axis(QCPAxis::atBottom)->range();
    for (int i = 0; i < kSteps / 2; ++i) {  // wheel steps in towards the middle
        range = QCPRange(range.center() - range.size() * 0.4, range.center() + range.size() * 0.4);
        steps.push_back(Step(plot, range, &step_cpu));
    }
    for (int i = 0; i < kSteps / 2; ++i) {  // drags back towards the start
        range = QCPRange(range.lower - range.size() * 0.1, range.upper - range.size() * 0.1);
        steps.push_back(Step(plot, range, &step_cpu));
    }
    const double step = Median(steps);

    HistorySeries series;
    const double load_start = Seconds();
    if (RefreshHistorySeries(&series) != static_cast<int>(kDataSets)) return 1;
    const double load = Seconds() - load_start;
    const double statistics_start = Seconds();
    const double statistics_cpu_start = CpuSeconds();
    const std::vector<PeriodStatistics> days =
        ComputeStatistics(series, 0, DataSetCount(series), PERIOD_DAY, 0);
    const PeriodStatistics records = ComputeRecords(series, 0);
    const double statistics = Seconds() - statistics_start;
    const double statistics_cpu = CpuSeconds() - statistics_cpu_start;
    // A window that follows the download: the days so far are kept, the newest one and
    // the records take the new data set.
    StatisticsCache cache;
    std::vector<double> follows;
    for (int i = 0; i < kSteps; ++i) {
        (void)UpdateStatistics(&cache, series, 0, DataSetCount(series) - 1, PERIOD_DAY, 0);
        const double follow_start = Seconds();
        (void)UpdateStatistics(&cache, series, 0, DataSetCount(series), PERIOD_DAY, 0);
        follows.push_back(Seconds() - follow_start);
    }
    const double follow = Median(follows);

    printf("history file: %u data sets, %.1f MB (%zu days, records over %u data sets)\n",
           kDataSets, file_bytes / 1e6, days.size(), records.data_sets);
    printf("open on all to first painted frame: %8.1f ms   / 300 ms budget = %.3f  (CPU %.1f ms: %.3f)\n",
           open * 1e3, open / kOpenBudget, open_cpu * 1e3, open_cpu / kOpenBudget);
    printf("  of which reading and decoding the file: %.1f ms\n", load * 1e3);
    printf("zoom or pan step, median of %d:     %8.1f ms   / 30 ms budget  = %.3f  (slowest %.1f ms; "
           "CPU median %.1f ms: %.3f)\n",
           kSteps, step * 1e3, step / kStepBudget, *std::max_element(steps.begin(), steps.end()) * 1e3,
           Median(step_cpu) * 1e3, Median(step_cpu) / kStepBudget);
    printf("statistics of the whole file:       %8.1f ms   / 500 ms budget = %.3f  (CPU %.1f ms: %.3f)\n",
           statistics * 1e3, statistics / kStatisticsBudget, statistics_cpu * 1e3,
           statistics_cpu / kStatisticsBudget);
    printf("statistics after one more data set, median of %d: %.3f ms / 5 ms budget = %.3f  (%.0f times "
           "faster than anew)\n",
           kSteps, follow * 1e3, follow / kFollowBudget, statistics / std::max(follow, 1e-9));
    printf("memory of the open window:          %8.2f x file size / 1.5 budget = %.3f\n", memory,
           memory / kMemoryBudget);

    GraphsWindow()->close();
    const std::string cleanup = std::string("rm -rf ") + folder;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
