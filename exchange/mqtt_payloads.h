// What goes over MQTT, as JSON: the live values, one history data set, and Home
// Assistant's discovery configs. Always SI units (°C, %, hPa, m/s, °, mm) whatever the
// user's display units, so that a unit change never rewrites the home's history; a
// marker ("---", "OFL") or a group gone stale is null. The key names are a published
// interface: new keys may come, these are never renamed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/mqtt_client.h"
#include "records/history_records.h"
#include "records/kor_data.h"

// The groups of the state object, each rate-limited and compared on its own.
enum MqttGroup {
    MQTT_GROUP_WIND,
    MQTT_GROUP_INDOOR_TEMP,
    MQTT_GROUP_OUTDOOR_TEMP,
    MQTT_GROUP_WINDCHILL,
    MQTT_GROUP_DEWPOINT,
    MQTT_GROUP_INDOOR_HUM,
    MQTT_GROUP_OUTDOOR_HUM,
    MQTT_GROUP_ALARMS,
    MQTT_GROUP_PRESSURE,
    MQTT_GROUP_RAIN,
    MQTT_GROUP_COUNT
};
// The group a UI record kind fills; -1 for a kind that is no reading.
int MqttGroupOfKind(int kind);

// The values of one group as they go on the wire (NaN for null), for telling whether
// anything changed since the last publication.
std::vector<double> MqttGroupValues(const KORData *data, int group);

// The state object of everything in data, "time" being utc_now.
std::string MqttStateJson(const KORData *data, int64_t utc_now);
// One stored history data set; rel_offset turns its absolute pressure into the relative.
std::string MqttArchiveJson(const HistoryRecord *set, float rel_offset);

// Line quality and link for the diagnostic entities, in words and numbers.
struct MqttDiagnostics {
    const char *link;            // "connected", "not answering", "port cannot be opened"
    double clean_percent_hour;   // NaN before the first request of the hour
    int64_t requests_hour;
    int64_t retries_hour;
    int64_t wrong_echoes_hour;
    int64_t wrong_checksums_hour;
    int64_t no_answers_hour;
    int64_t requests_total;
    int64_t retries_total;
    int64_t pulled_cables_total;
    int64_t last_fault_utc;       // 0: none yet
    int64_t newest_data_set_utc;  // 0: none yet
};
std::string MqttDiagnosticsJson(const MqttDiagnostics *d);

// Where a device's discovery configs go and what they say.
struct MqttDevice {
    const char *base_topic;        // "<base>": state, archive, status, diagnostics below it
    const char *discovery_prefix;  // "homeassistant"
    int console_id;                // 1 or 2: the console variant, the device's model
    const char *sw_version;
};
// Every entity's retained config (topic and JSON).
std::vector<MqttMessage> MqttDiscoveryConfigs(const MqttDevice *device);
// The node id in discovery topics and unique ids: the base topic with '/' as '_'.
std::string MqttNodeId(const char *base_topic);
// ISO 8601, UTC, to the second ("2026-05-01T12:00:00Z").
std::string IsoUtc(int64_t utc);
