// Throughput of the history text export on a file of a million data sets, next to
// reading the file once, and the process's peak memory before and after: the export
// streams, so memory must stay flat however large the file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "history/history_export.h"
#include "history_bench_file.h"

namespace {

constexpr uint32_t kDataSets = 1000000;

long long FileSize(const std::string &path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

int main() {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    char folder[] = "/tmp/chbench.XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/history.dat";
    const std::string text_path = std::string(folder) + "/history.txt";
    if (!MakeHistoryFile(path, kDataSets)) return 1;
    setup.units = UnitsRecord{0, 1, 0, 0, 0};
    setup.decimal_comma = 1;
    UI_data.pressure.rel_offset = 12.3f;

    ReadWholeFileOnce(path);
    const double read_start = Seconds();
    const long long bytes = ReadWholeFileOnce(path);
    const double read = Seconds() - read_start;
    const long rss_before = PeakRssKiB();

    FILE *history = fopen(path.c_str(), "rb");
    FILE *text = fopen(text_path.c_str(), "w");
    if (history == nullptr || text == nullptr) return 1;
    const double export_start = Seconds();
    const int result = ConvertHistoryFileToTextFile(history, text);
    fclose(history);
    const bool closed = fclose(text) == 0;
    const double exported = Seconds() - export_start;
    const long rss_after = PeakRssKiB();
    const long long text_bytes = FileSize(text_path);

    printf("history file: %u data sets, %.1f MB; text: %.1f MB (result %d%s)\n", kDataSets,
           bytes / 1e6, text_bytes / 1e6, result, closed ? "" : ", close failed");
    printf("read whole file once: %8.3f s  (%.0f MB/s)\n", read, bytes / 1e6 / read);
    printf("export:               %8.3f s  (%.0f data sets/s, %.1f MB/s of history)\n",
           exported, kDataSets / exported, bytes / 1e6 / exported);
    printf("export / read ratio:  %8.1f\n", exported / read);
    printf("peak RSS before export %ld KiB, after %ld KiB (after/before %.3f; history file "
           "%.0f KiB)\n",
           rss_before, rss_after, static_cast<double>(rss_after) / rss_before, bytes / 1024.0);

    const std::string cleanup = std::string("rm -rf ") + folder;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
