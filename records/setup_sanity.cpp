// Range checks of the settings record, one rule per field. A corrected field takes the
// value its default has, so that a damaged file gives the behaviour of a first start
// for the parts that are damaged and keeps the user's choices elsewhere.
#include "records/setup_sanity.h"

#include <cstring>

namespace {

int Terminate(char *field, size_t size) {
    if (memchr(field, '\0', size) != nullptr) return 0;
    field[size - 1] = '\0';
    return 1;
}

int Limit(int32_t *field, int32_t lowest, int32_t highest, int32_t fallback) {
    if (*field >= lowest && *field <= highest) return 0;
    *field = fallback;
    return 1;
}

// Switches whose meaning is "nonzero = on" are kept as 0 or 1, so that the settings
// dialog, which compares them with 0 and 1, shows what the program does.
int Switch(int32_t *field) {
    if (*field == 0 || *field == 1) return 0;
    *field = 1;
    return 1;
}

}  // namespace

int SanitiseSetup(SetupRecord *r) {
    SetupRecord defaults;
    memset(&defaults, 0, sizeof defaults);
    SetSetupToDefault(&defaults);
    int fixed = 0;
    fixed += Terminate(r->language_file, sizeof r->language_file);
    fixed += Terminate(r->history_file, sizeof r->history_file);
    if (r->language_file[0] == '\0') {
        memcpy(r->language_file, defaults.language_file, sizeof r->language_file);
        ++fixed;
    }
    if (r->history_file[0] == '\0') {
        memcpy(r->history_file, defaults.history_file, sizeof r->history_file);
        ++fixed;
    }
    // Only 1 shows tooltips; every other value hides them.
    if (r->tooltips_enabled != 0 && r->tooltips_enabled != 1) {
        r->tooltips_enabled = 0;
        ++fixed;
    }
    fixed += Switch(&r->absolute_pressure);
    fixed += Switch(&r->time_24h);
    fixed += Switch(&r->decimal_comma);
    fixed += Limit(&r->units.pressure_unit, 0, 1, defaults.units.pressure_unit);
    fixed += Limit(&r->units.wind_unit, 0, 4, defaults.units.wind_unit);
    fixed += Limit(&r->units.temperature_unit, 0, 1, defaults.units.temperature_unit);
    fixed += Limit(&r->units.humidity_unit, 0, 0, defaults.units.humidity_unit);
    fixed += Limit(&r->units.rain_unit, 0, 1, defaults.units.rain_unit);
    fixed += Limit(&r->com_port, 1, kHighestComPort, defaults.com_port);
    return fixed;
}
