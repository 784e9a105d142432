// The text export of a history file as the user may point it at any file: the export
// must end with one of its results and write one line per data set it read.
#include <cstdio>
#include <cstring>
#include <string>

#include "records/setup_record.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "history/history_export.h"
#include "records/history_records.h"

int FuzzHistoryExport(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose the user's settings, the rest is the history file.
    const SetupRecord saved = setup;
    setup.units.pressure_unit = data[0] & 1;
    setup.units.wind_unit = (data[0] >> 1) % 5;
    setup.units.temperature_unit = (data[0] >> 4) & 1;
    setup.units.rain_unit = (data[0] >> 5) & 1;
    setup.decimal_comma = (data[0] >> 6) & 1;
    setup.absolute_pressure = (data[0] >> 7) & 1;
    setup.time_24h = data[1] & 1;
    const std::string history = WriteScratchFile("history.dat", data + 2, size - 2);
    const std::string text_path = history.substr(0, history.rfind('/')) + "/export.txt";
    FILE *in = fopen(history.c_str(), "rb");
    FILE *out = fopen(text_path.c_str(), "w");
    if (in == nullptr || out == nullptr) FuzzFailure("cannot open the scratch files");
    const int r = ConvertHistoryFileToTextFile(in, out);
    fclose(in);
    fclose(out);
    if (r < -3 || r > 0) FuzzFailure("export result outside its promises");
    if (r == 0) {
        const std::string text = ReadScratchFile(text_path);
        size_t lines = 1;
        for (char c : text) lines += c == '\n' ? 1 : 0;
        const size_t body = size - 2 >= sizeof(HistoryFileHeader)
                                ? (size - 2 - sizeof(HistoryFileHeader)) / sizeof(HistoryRecord)
                                : 0;
        // Title line, units line, then at most one line per data set present.
        if (lines < 2 || lines > 2 + body) FuzzFailure("export wrote lines the file has no data for");
    }
    setup = saved;
    return 0;
}
