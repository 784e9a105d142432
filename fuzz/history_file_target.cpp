// A history file as the program may find it: whole, cut short by a crash, damaged, or not
// a history file at all. Opening it must leave a valid file that keeps every whole data
// set the input held; reading pages must stay inside the file; an append must give a
// valid file one data set longer.
#include <cstring>
#include <string>

#include "records/setup_record.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "history/history_file.h"

namespace {

constexpr int kPage = 20;

void CheckValid(const std::string &path, int32_t count) {
    HistoryFileHeader h{};
    if (ReadFileHeader(&h, path.c_str()) != 0) FuzzFailure("header unreadable after opening");
    const std::string bytes = ReadScratchFile(path);
    if (h.count != count) FuzzFailure("header count differs from what opening reported");
    if (bytes.size() != static_cast<size_t>(count) * sizeof(HistoryRecord) + sizeof h)
        FuzzFailure("file size differs from its header");
}

void ReadPages(const KORData &rec) {
    HistoryRecord page[kPage];
    const int count = rec.file_header.count;
    const int ends[] = {count, count / 2, kPage, 0, -1, count + 5};
    for (int end : ends) {
        const int got = GetHistoryDataFromFile(&rec, page, end, kPage);
        if (got > kPage) FuzzFailure("a page read more than it was asked for");
    }
}

}  // namespace

int FuzzHistoryFile(const uint8_t *data, size_t size) {
    const std::string path = WriteScratchFile("history.dat", data, size);
    const std::string original(reinterpret_cast<const char *>(data), size);
    HistoryFileHeader probe{};
    (void)ReadFileHeader(&probe, path.c_str());

    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    const SetupRecord saved = setup;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    const int opened = InitFileHistoryHeader(&rec.file_header, path.c_str());
    if (opened < 0) FuzzFailure("a file in a writable folder could not be made usable");
    CheckValid(path, rec.file_header.count);
    // Every data set the file keeps is one the input held, in its place.
    const size_t kept = static_cast<size_t>(rec.file_header.count) * sizeof(HistoryRecord);
    if (kept > original.size() || ReadScratchFile(path).compare(0, kept, original, 0, kept) != 0)
        FuzzFailure("opening changed or invented data sets");
    rec.history_file_ok = 1;
    ReadPages(rec);

    HistoryRecord extra{};
    if (size >= sizeof extra) memcpy(&extra, data, sizeof extra);
    const int32_t before = rec.file_header.count;
    if (AddHistoryDataSetToFile(&rec, &extra) != 0) FuzzFailure("append failed");
    CheckValid(path, before + 1);
    ReadPages(rec);
    setup = saved;
    return 0;
}
