// The settings record: every user choice in one fixed 568-byte record, the same bytes
// in memory and in "Setup.cnf". Other subsystems read its fields directly.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

struct UnitsRecord {
    int32_t pressure_unit;     // 0 hPa, 1 inHg
    int32_t wind_unit;         // 0 m/s, 1 km/h, 2 mph, 3 knots, 4 Beaufort
    int32_t temperature_unit;  // 0 degC, 1 degF
    int32_t humidity_unit;     // always 0 (percent)
    int32_t rain_unit;         // 0 mm, 1 inch
};
static_assert(sizeof(UnitsRecord) == 20);

struct SetupRecord {
    uint8_t station_id;        // console variant as last reported; read by the communication thread
    uint8_t padding[3];
    int32_t tooltips_enabled;
    int32_t absolute_pressure;
    int32_t reserved;
    char language_file[260];
    char history_file[260];
    int32_t time_24h;
    int32_t decimal_comma;
    UnitsRecord units;
    int32_t com_port;
};
static_assert(sizeof(SetupRecord) == 568);
static_assert(offsetof(SetupRecord, tooltips_enabled) == 4);
static_assert(offsetof(SetupRecord, language_file) == 16);
static_assert(offsetof(SetupRecord, history_file) == 276);
static_assert(offsetof(SetupRecord, time_24h) == 536);
static_assert(offsetof(SetupRecord, units) == 544);
static_assert(offsetof(SetupRecord, com_port) == 564);

constexpr const char *SETUP_FILE_NAME = "Setup.cnf";

extern SetupRecord setup;

// station_id is the one field both threads touch: the user-interface thread stores what
// the console reported, the communication thread reads it. Go through these two.
inline uint8_t GetStationID() {
    return std::atomic_ref<uint8_t>(setup.station_id).load(std::memory_order_relaxed);
}
inline void SetStationID(uint8_t id) {
    std::atomic_ref<uint8_t>(setup.station_id).store(id, std::memory_order_relaxed);
}

// Defaults into every field except the padding bytes.
void SetSetupToDefault(SetupRecord *record);
// Writes the record to "Setup.cnf" in the working directory, replacing the old file
// through a temporary file so that a failed save never leaves a short file behind.
// 0 on success, -1 when the file cannot be opened, -2 when it was not written whole.
int SaveSetup(const SetupRecord *record);
// Start-up loading: a missing or short file gives the defaults, which are saved; a long
// file is used for its first 568 bytes and left alone. station_id is then set to 2.
// Returns 0 when the file was used, 1 when the defaults were taken.
int LoadSetup(SetupRecord *record);
