// What it costs the user interface to show one page of a history file of a million data
// sets in the history panel: the page read, the 240 cell texts, the table filled and the
// window painted, at pages all over the file, next to the 20 ms a page may take; and the
// page read next to reading the whole file once, which shows that only the page is read.
// Runs on the offscreen platform.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "windows/history_view.h"
#include "history_bench_file.h"
#include "platform/engine.h"
#include "platform/panels.h"
#include "platform/runtime.h"

namespace {

constexpr uint32_t kDataSets = 1000000;
constexpr double kBudget = 0.020;

double fill_seconds = 0.0;  // of the last ShowPage: the table filled, not yet painted

// One page as the user gets it: filled, then laid out and painted by the event loop.
double ShowPage(int end) {
    const double start = Seconds();
    if (UpdateHistoryPanel(end) != 0) return -1.0;
    fill_seconds = Seconds() - start;
    ProcessSystemEvents();
    return Seconds() - start;
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

    SetSetupToDefault(&setup);
    setup.time_24h = 1;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    RegisterAppWidgets();
    RegisterAppCallbacks();
    if (LoadInitAllPanels() < 0) return 1;
    InitTableTileLine(&setup.units.pressure_unit);
    SetUIDataToDefault();
    if (InitFileHistoryHeader(&UI_data.file_header, path.c_str()) != 0) return 1;
    UI_data.history_file_ok = 1;
    SetSleepPolicy(VAL_SLEEP_NONE);
    DisplayHistoryPanel();
    for (int i = 0; i < 20; ++i) ProcessSystemEvents();

    ReadWholeFileOnce(path);  // the page cache warm for every figure alike
    const double whole_start = Seconds();
    ReadWholeFileOnce(path);
    const double whole = Seconds() - whole_start;

    HistoryRecord page[HISTORY_PAGE_ROWS];
    std::mt19937 random(11);
    std::uniform_int_distribution<int> any_end(HISTORY_PAGE_ROWS, static_cast<int>(kDataSets));
    constexpr int kPages = 2000;
    double read = 0.0, filled = 0.0, shown = 0.0, worst = 0.0;
    for (int i = 0; i < kPages; ++i) {
        const int end = any_end(random);
        const double read_start = Seconds();
        GetHistoryDataFromFile(&UI_data, page, end, HISTORY_PAGE_ROWS);
        read += Seconds() - read_start;
        const double t = ShowPage(end);
        if (t < 0) return 1;
        shown += t;
        filled += fill_seconds;
        if (t > worst) worst = t;
    }
    read /= kPages;
    shown /= kPages;
    filled /= kPages;
    const double first = ShowPage(HISTORY_PAGE_ROWS);
    const double last = ShowPage(-1);

    printf("history file: %u data sets; whole file read once: %.3f ms\n", kDataSets, whole * 1e3);
    printf("page shown (random, %d pages):  mean %.3f ms, worst %.3f ms\n", kPages, shown * 1e3,
           worst * 1e3);
    printf("first page %.3f ms, last page %.3f ms\n", first * 1e3, last * 1e3);
    printf("mean page / 20 ms budget          = %.3f\n", shown / kBudget);
    printf("worst page / 20 ms budget         = %.3f\n", worst / kBudget);
    printf("page read / page shown            = %.3f\n", read / shown);
    printf("table filled / page shown         = %.3f\n", filled / shown);
    printf("page read / whole-file read       = %.5f\n", read / whole);

    const std::string cleanup = std::string("rm -rf ") + folder;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
