// How long the history view waits for a page of 20 data sets from a file of a million,
// next to reading the whole file once; what an append and a repair after a crash cost;
// and whether paging grows the process's memory.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>

#include "records/setup_record.h"
#include "history_bench_file.h"

namespace {

constexpr uint32_t kDataSets = 1000000;
constexpr int kPage = 20;

double PageSeconds(const KORData &rec, int end, int repeats) {
    HistoryRecord page[kPage];
    const double start = Seconds();
    for (int i = 0; i < repeats; ++i)
        if (GetHistoryDataFromFile(&rec, page, end, kPage) != kPage) return -1.0;
    return (Seconds() - start) / repeats;
}

}  // namespace

int main() {
    char folder[] = "/tmp/chbench.XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/history.dat";
    const long rss_start = PeakRssKiB();
    if (!MakeHistoryFile(path, kDataSets)) return 1;

    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    if (InitFileHistoryHeader(&rec.file_header, path.c_str()) != 0) return 1;
    rec.history_file_ok = 1;

    ReadWholeFileOnce(path);  // warm the page cache for every figure alike
    const double whole_start = Seconds();
    const long long bytes = ReadWholeFileOnce(path);
    const double whole = Seconds() - whole_start;
    const long rss_before = PeakRssKiB();

    printf("history file: %u data sets, %.1f MB\n", kDataSets, bytes / 1e6);
    printf("read whole file once:           %10.3f ms\n", whole * 1e3);
    const struct { const char *name; int end; } pages[] = {
        {"first page (data sets 1-20)", kPage},
        {"middle page", static_cast<int>(kDataSets / 2)},
        {"last page (end of file)", -1},
    };
    for (const auto &p : pages) {
        const double t = PageSeconds(rec, p.end, 2000);
        printf("%-31s %10.3f us   whole-file read / page = %.0f\n", p.name, t * 1e6, whole / t);
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> any_end(kPage, static_cast<int>(kDataSets));
    HistoryRecord page[kPage];
    const double random_start = Seconds();
    constexpr int kRandomPages = 20000;
    for (int i = 0; i < kRandomPages; ++i) GetHistoryDataFromFile(&rec, page, any_end(random), kPage);
    const double random_page = (Seconds() - random_start) / kRandomPages;
    printf("random page (%d pages)       %10.3f us   whole-file read / page = %.0f\n",
           kRandomPages, random_page * 1e6, whole / random_page);
    const long rss_after = PeakRssKiB();
    printf("peak RSS: start %ld KiB, before paging %ld KiB, after paging %ld KiB "
           "(after/before %.3f)\n",
           rss_start, rss_before, rss_after, static_cast<double>(rss_after) / rss_before);

    // Appends with their sync, at the end of the big file.
    constexpr int kAppends = 200;
    const double append_start = Seconds();
    for (int i = 0; i < kAppends; ++i) {
        const HistoryRecord r = BenchDataSet(kDataSets + static_cast<uint32_t>(i));
        if (AddHistoryDataSetToFile(&rec, &r) != 0) return 1;
    }
    const double append = (Seconds() - append_start) / kAppends;
    printf("append one data set (synced):   %10.3f ms\n", append * 1e3);

    // Start-up after a crash that cut the header: the whole file is copied once.
    if (truncate(path.c_str(), static_cast<off_t>(36) * (kDataSets + kAppends) + 10) != 0) return 1;
    HistoryFileHeader repaired{};
    const double repair_start = Seconds();
    const int result = InitFileHistoryHeader(&repaired, path.c_str());
    const double repair = Seconds() - repair_start;
    printf("repair of a cut header:         %10.3f ms (result %d, %d data sets kept)  "
           "repair / whole-file read = %.1f\n",
           repair * 1e3, result, repaired.count, repair / whole);
    printf("peak RSS at the end: %ld KiB\n", PeakRssKiB());

    const std::string cleanup = std::string("rm -rf ") + folder;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
