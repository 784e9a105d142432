// Loading, defaults and saving of the settings record. The record is read and written as
// its 568 raw bytes so that "Setup.cnf" stays exchangeable with every earlier copy.
#include "records/setup_record.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/files.h"

SetupRecord setup;

void SetSetupToDefault(SetupRecord *record) {
    record->station_id = 2;
    record->tooltips_enabled = 1;
    record->absolute_pressure = 0;
    record->reserved = 0;
    snprintf(record->language_file, sizeof record->language_file, "%s", "english.lwl");
    char dir[sizeof record->history_file];
    GetProjectDir(dir, sizeof dir);
    // An installed program's folder (/usr/bin) is no place for data, and a user may not
    // write there at all: the history then lives with the settings in the working folder.
    if ((ProgramIsInstalled() || !FolderWritable(dir)) && getcwd(dir, sizeof dir) == nullptr)
        snprintf(dir, sizeof dir, ".");
    // Cut the folder if it is too long for the field, rather than the file name.
    const int room = static_cast<int>(sizeof record->history_file) - 1 - 12;
    snprintf(record->history_file, sizeof record->history_file, "%.*s/%s", room, dir,
             "history.dat");
    record->time_24h = 0;
    record->decimal_comma = 0;
    record->units.pressure_unit = 1;
    record->units.wind_unit = 2;
    record->units.temperature_unit = 1;
    record->units.humidity_unit = 0;
    record->units.rain_unit = 1;
    record->com_port = 1;
}

int SaveSetup(const SetupRecord *record) {
    const int r = ReplaceFileAtomically(SETUP_FILE_NAME, record, sizeof *record);
    if (r == 0) return 0;
    return r == -1 ? -1 : -2;
}

int LoadSetup(SetupRecord *record) {
    int used_file = 0;
    FILE *f = fopen(SETUP_FILE_NAME, "rb");
    if (f != nullptr) {
        SetupRecord loaded;
        const size_t items = fread(&loaded, sizeof loaded, 1, f);
        fclose(f);
        if (items == 1) {
            memcpy(record, &loaded, sizeof loaded);
            used_file = 1;
        }
    }
    if (!used_file) {
        memset(record, 0, sizeof *record);
        SetSetupToDefault(record);
        // A failed save is not shown at start-up: the defaults in memory serve this run.
        (void)SaveSetup(record);
    }
    record->station_id = 2;
    return used_file ? 0 : 1;
}
