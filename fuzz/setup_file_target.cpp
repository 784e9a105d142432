// "Setup.cnf" as start-up meets it: loaded from the working folder, checked field by
// field, then used by everything that reads the settings without further checks (the
// unit formatting, the date texts, the export's title lines).
#include <climits>
#include <cstring>
#include <unistd.h>

#include "records/setup_record.h"
#include "records/setup_sanity.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "history/history_export.h"
#include "values/localisation.h"
#include "values/time_texts.h"

namespace {

// Values every reading may carry: ordinary ones, the markers, and the extremes a damaged
// console could send.
constexpr float kValues[] = {0.0f, -12.34f, 1013.25f, 81.11f, 136.65f, 51.0f, 51.1f,
                             99.0f, 3.4e38f, -3.4e38f};

void UseSettings(const SetupRecord &r) {
    for (int quantity = 0; quantity <= 10; ++quantity) {
        for (float v : kValues) {
            const LocalisedValue *l = LocaliseMeasuredValues(quantity, &r.units, &v);
            if (memchr(l->value_unit_text, '\0', sizeof l->value_unit_text) == nullptr)
                FuzzFailure("localised text without its end");
            (void)DelocaliseValues(quantity, &r.units, &v);
        }
    }
    const int32_t stamps[][6] = {{0, 5, 14, 7, 11, 106}, {59, 59, 23, 31, 11, 199},
                                 {0, 0, 0, 1, 0, 100}, {0, 0, 12, 29, 1, 124}};
    char both[TIME_DATE_TEXT_SIZE], date[TIME_DATE_TEXT_SIZE], time_of_day[TIME_DATE_TEXT_SIZE];
    for (const auto &stamp : stamps) {
        GetTimeDateString(stamp, both, date, time_of_day);
        for (int kind = 2; kind <= 16; ++kind)
            (void)GetMinMaxText(kind, &kValues[1], stamp, &kValues[2], stamp);
    }
    char title[HISTORY_TITLE_LINE_SIZE];
    GetHistoryTextFileTitleLine(&r.units.pressure_unit, title);
}

}  // namespace

int FuzzSetupFile(const uint8_t *data, size_t size) {
    const std::string path = WriteScratchFile(SETUP_FILE_NAME, data, size);
    char previous[PATH_MAX];
    if (getcwd(previous, sizeof previous) == nullptr) FuzzFailure("no working folder");
    const std::string folder = path.substr(0, path.rfind('/'));
    if (chdir(folder.c_str()) != 0) FuzzFailure("cannot enter the scratch folder");
    const SetupRecord saved = setup;
    const int loaded = LoadSetup(&setup);
    if (chdir(previous) != 0) FuzzFailure("cannot leave the scratch folder");
    if (loaded == 0 && size < sizeof(SetupRecord)) FuzzFailure("a short file was used");
    if (loaded == 1 && ReadScratchFile(path).size() != sizeof(SetupRecord))
        FuzzFailure("the defaults were not saved whole");
    SanitiseSetup(&setup);
    if (SanitiseSetup(&setup) != 0) FuzzFailure("checked settings changed on a second check");
    UseSettings(setup);
    setup = saved;
    return 0;
}
