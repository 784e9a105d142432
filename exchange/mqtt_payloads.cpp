// One table of entities drives both the state object and the discovery configs, so that
// a key Home Assistant is told about is always a key the state carries.
#include "exchange/mqtt_payloads.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "platform/json_text.h"
#include "values/derived.h"
#include "values/localisation.h"

namespace {

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();
// Home Assistant marks an entity unavailable when no value came for this long: a few
// times the longest pause between two publications (unchanged values are repeated every
// minute, see the publisher).
constexpr int kExpireAfterSeconds = 300;
constexpr uint16_t kIndoorHumidityMissing = 98;  // the history file's markers
constexpr uint16_t kOutdoorHumidityMissing = 110;

struct Alarm {
    const char *key;
    const char *name;
    int flag;  // in alarm_state and alarm_enable
};
// General alarm: flag 2 of alarm_state alone; every other alarm counts when enabled.
constexpr int kGeneralAlarmFlag = 2;
constexpr Alarm kAlarms[] = {
    {"alarm_general", "General alarm", kGeneralAlarmFlag},
    {"alarm_storm", "Storm alarm", 1},
    {"alarm_pressure_low", "Pressure low alarm", 3},
    {"alarm_pressure_high", "Pressure high alarm", 4},
    {"alarm_indoor_temperature_low", "Indoor temperature low alarm", 5},
    {"alarm_indoor_temperature_high", "Indoor temperature high alarm", 6},
    {"alarm_outdoor_temperature_low", "Outdoor temperature low alarm", 7},
    {"alarm_outdoor_temperature_high", "Outdoor temperature high alarm", 8},
    {"alarm_windchill_low", "Windchill low alarm", 9},
    {"alarm_windchill_high", "Windchill high alarm", 10},
    {"alarm_dewpoint_low", "Dewpoint low alarm", 11},
    {"alarm_dewpoint_high", "Dewpoint high alarm", 12},
    {"alarm_indoor_humidity_low", "Indoor humidity low alarm", 13},
    {"alarm_indoor_humidity_high", "Indoor humidity high alarm", 14},
    {"alarm_outdoor_humidity_low", "Outdoor humidity low alarm", 15},
    {"alarm_outdoor_humidity_high", "Outdoor humidity high alarm", 16},
    {"alarm_rain_24h", "Rain 24 h alarm", 17},
    {"alarm_rain_1h", "Rain 1 h alarm", 18},
    {"alarm_wind_direction", "Wind direction alarm", 19},
    {"alarm_wind_speed_low", "Wind speed low alarm", 20},
    {"alarm_wind_speed_high", "Wind speed high alarm", 21},
};
constexpr int kAlarmKeys = static_cast<int>(sizeof kAlarms / sizeof kAlarms[0]);

struct Sensor {
    const char *key;
    const char *name;
    const char *device_class;  // nullptr: none
    const char *state_class;
    const char *unit;
    int group;
    int decimals;
};
constexpr Sensor kSensors[] = {
    {"indoor_temperature", "Indoor temperature", "temperature", "measurement", "\u00B0C",
     MQTT_GROUP_INDOOR_TEMP, 1},
    {"outdoor_temperature", "Outdoor temperature", "temperature", "measurement", "\u00B0C",
     MQTT_GROUP_OUTDOOR_TEMP, 1},
    {"dewpoint", "Dewpoint", "temperature", "measurement", "\u00B0C", MQTT_GROUP_DEWPOINT, 1},
    {"windchill", "Windchill", "temperature", "measurement", "\u00B0C", MQTT_GROUP_WINDCHILL, 1},
    {"indoor_humidity", "Indoor humidity", "humidity", "measurement", "%", MQTT_GROUP_INDOOR_HUM, 0},
    {"outdoor_humidity", "Outdoor humidity", "humidity", "measurement", "%",
     MQTT_GROUP_OUTDOOR_HUM, 0},
    {"pressure", "Pressure", "atmospheric_pressure", "measurement", "hPa", MQTT_GROUP_PRESSURE, 1},
    {"absolute_pressure", "Absolute pressure", "atmospheric_pressure", "measurement", "hPa",
     MQTT_GROUP_PRESSURE, 1},
    {"wind_speed", "Wind speed", "wind_speed", "measurement", "m/s", MQTT_GROUP_WIND, 1},
    {"wind_direction", "Wind direction", nullptr, "measurement", "\u00B0", MQTT_GROUP_WIND, 1},
    {"rain_1h", "Rain 1 h", "precipitation", "measurement", "mm", MQTT_GROUP_RAIN, 1},
    {"rain_24h", "Rain 24 h", "precipitation", "measurement", "mm", MQTT_GROUP_RAIN, 1},
    {"rain_total", "Rain total", "precipitation", "total_increasing", "mm", MQTT_GROUP_RAIN, 1},
};

struct Diagnostic {
    const char *key;
    const char *name;
    const char *device_class;
    const char *unit;
};
constexpr Diagnostic kDiagnostics[] = {
    {"link", "Console link", nullptr, nullptr},
    {"line_clean_percent_hour", "Line clean in the last hour", nullptr, "%"},
    {"requests_hour", "Requests in the last hour", nullptr, nullptr},
    {"retries_hour", "Retries in the last hour", nullptr, nullptr},
    {"wrong_echoes_hour", "Wrong echoes in the last hour", nullptr, nullptr},
    {"wrong_checksums_hour", "Wrong checksums in the last hour", nullptr, nullptr},
    {"no_answers_hour", "Unanswered requests in the last hour", nullptr, nullptr},
    {"requests_total", "Requests since start", nullptr, nullptr},
    {"retries_total", "Retries since start", nullptr, nullptr},
    {"pulled_cables_total", "Pulled cables since start", nullptr, nullptr},
    {"last_fault", "Last line fault", "timestamp", nullptr},
    {"newest_data_set", "Newest stored data set", "timestamp", nullptr},
};

double Checked(int quantity, float value) {
    return MeasuredValueStatus(quantity, value) == LOCALISED_VALID ? value : kNull;
}

double Temperature(const TempGroup &g, int quantity) {
    return g.live_timer > 0 ? Checked(quantity, g.current) : kNull;
}

double AlarmValue(const KORData *d, const Alarm &a) {
    if (d->alarm_state.live_timer <= 0) return kNull;
    const bool on = d->alarm_state.flag[a.flag] == 1;
    if (a.flag == kGeneralAlarmFlag) return on ? 1.0 : 0.0;
    if (d->alarm_enable.live_timer <= 0) return kNull;
    return on && d->alarm_enable.flag[a.flag] == 1 ? 1.0 : 0.0;
}

double WindDirection(const WindGroup &w) {
    if (w.live_timer <= 0 || MeasuredValueStatus(QUANTITY_WIND_SPEED, w.current) ==
                                 LOCALISED_NOT_AVAILABLE)
        return kNull;
    return w.direction >= 0 && w.direction < 16 ? w.direction * 22.5 : kNull;
}

double SensorValue(const KORData *d, const char *key) {
    const std::string k = key;
    if (k == "indoor_temperature") return Temperature(d->indoor_temp, QUANTITY_INDOOR_TEMPERATURE);
    if (k == "outdoor_temperature") return Temperature(d->outdoor_temp, QUANTITY_OUTDOOR_TEMPERATURE);
    if (k == "dewpoint") return Temperature(d->dewpoint, QUANTITY_DEWPOINT);
    if (k == "windchill") return Temperature(d->windchill, QUANTITY_WINDCHILL);
    if (k == "indoor_humidity") return Temperature(d->indoor_hum, QUANTITY_HUMIDITY);
    if (k == "outdoor_humidity") return Temperature(d->outdoor_hum, QUANTITY_HUMIDITY);
    const PressureGroup &p = d->pressure;
    // The weather picture's record carries the group before its pressure was ever read
    // (0 hPa): no reading.
    const double absolute = p.live_timer > 0 && p.current > 0.0f
                                ? Checked(QUANTITY_ABSOLUTE_PRESSURE, p.current) : kNull;
    if (k == "absolute_pressure") return absolute;
    if (k == "pressure") return absolute + p.rel_offset;  // NaN stays NaN
    const WindGroup &w = d->wind;
    if (k == "wind_speed") return w.live_timer > 0 ? Checked(QUANTITY_WIND_SPEED, w.current) : kNull;
    if (k == "wind_direction") return WindDirection(w);
    const RainGroup &r = d->rain;
    if (r.live_timer <= 0) return kNull;
    if (k == "rain_1h") return r.rain_1h;
    if (k == "rain_24h") return r.rain_24h;
    if (k == "rain_total") return r.total.value;
    return kNull;
}

void PutValue(JsonObject o, const char *key, double value, int decimals) {
    if (std::isnan(value))
        Json_PutNull(o, key);
    else
        Json_PutRounded(o, key, value, decimals);
}

std::string Text(JsonObject o) {
    std::string text = Json_ToText(o);
    Json_Dispose(o);
    return text;
}

JsonObject DeviceBlock(const MqttDevice *device, const std::string &node) {
    JsonObject block = Json_New();
    const char *identifiers[] = {node.c_str()};
    Json_PutStringArray(block, "identifiers", identifiers, 1);
    Json_PutString(block, "name", "Clear Horizon weather station");
    Json_PutString(block, "manufacturer", "Clear Horizon");
    Json_PutString(block, "model", device->console_id == 1 ? "Weather console (mask 7)"
                                                           : "Weather console (mask 8)");
    Json_PutString(block, "sw_version", device->sw_version);
    return block;
}

// What every config shares: ids, name, state topic and template, availability, device.
JsonObject Config(const MqttDevice *device, const std::string &node, const char *key,
                  const char *name, const char *topic, const std::string &value_template) {
    JsonObject c = Json_New();
    const std::string base = device->base_topic;
    Json_PutString(c, "unique_id", (node + "_" + key).c_str());
    Json_PutString(c, "object_id", (node + "_" + key).c_str());
    Json_PutString(c, "name", name);
    Json_PutString(c, "state_topic", (base + "/" + topic).c_str());
    Json_PutString(c, "value_template", value_template.c_str());
    Json_PutString(c, "availability_topic", (base + "/status").c_str());
    Json_PutString(c, "payload_available", "online");
    Json_PutString(c, "payload_not_available", "offline");
    Json_PutNumber(c, "expire_after", kExpireAfterSeconds);
    JsonObject block = DeviceBlock(device, node);
    Json_PutObject(c, "device", block);
    Json_Dispose(block);
    return c;
}

std::string ConfigTopic(const MqttDevice *device, const char *component, const std::string &node,
                        const char *key) {
    return std::string(device->discovery_prefix) + "/" + component + "/" + node + "/" + key +
           "/config";
}

}  // namespace

int MqttGroupOfKind(int kind) {
    switch (kind) {
    case 7: return MQTT_GROUP_WIND;
    case 8: return MQTT_GROUP_INDOOR_TEMP;
    case 9: return MQTT_GROUP_OUTDOOR_TEMP;
    case 10: return MQTT_GROUP_WINDCHILL;
    case 11: return MQTT_GROUP_DEWPOINT;
    case 12: return MQTT_GROUP_INDOOR_HUM;
    case 13: return MQTT_GROUP_OUTDOOR_HUM;
    case 14:
    case 15: return MQTT_GROUP_ALARMS;
    case 16:
    case 17:
    case 18: return MQTT_GROUP_PRESSURE;
    case 19: return MQTT_GROUP_RAIN;
    default: return -1;
    }
}

std::vector<double> MqttGroupValues(const KORData *d, int group) {
    std::vector<double> values;
    if (group == MQTT_GROUP_ALARMS) {
        for (const Alarm &a : kAlarms) values.push_back(AlarmValue(d, a));
        return values;
    }
    for (const Sensor &s : kSensors) {
        if (s.group != group) continue;
        const double v = SensorValue(d, s.key);
        const double scale = std::pow(10.0, s.decimals);
        values.push_back(std::isnan(v) ? v : std::round(v * scale) / scale);
    }
    return values;
}

std::string IsoUtc(int64_t utc) {
    const time_t t = static_cast<time_t>(utc);
    struct tm parts {};
    gmtime_r(&t, &parts);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string MqttStateJson(const KORData *d, int64_t utc_now) {
    JsonObject o = Json_New();
    Json_PutString(o, "time", IsoUtc(utc_now).c_str());
    for (const Sensor &s : kSensors) PutValue(o, s.key, SensorValue(d, s.key), s.decimals);
    for (const Alarm &a : kAlarms) {
        const double v = AlarmValue(d, a);
        if (std::isnan(v))
            Json_PutNull(o, a.key);
        else
            Json_PutBool(o, a.key, v != 0.0);
    }
    return Text(o);
}

std::string MqttArchiveJson(const HistoryRecord *h, float rel_offset) {
    JsonObject o = Json_New();
    Json_PutString(o, "time", IsoUtc(h->time).c_str());
    const double indoor = Checked(QUANTITY_INDOOR_TEMPERATURE, h->indoor_temperature);
    const double outdoor = Checked(QUANTITY_OUTDOOR_TEMPERATURE, h->outdoor_temperature);
    PutValue(o, "indoor_temperature", indoor, 1);
    PutValue(o, "outdoor_temperature", outdoor, 1);
    const bool ihum = h->indoor_humidity != kIndoorHumidityMissing;
    const bool ohum = h->outdoor_humidity != kOutdoorHumidityMissing;
    PutValue(o, "indoor_humidity", ihum ? h->indoor_humidity : kNull, 0);
    PutValue(o, "outdoor_humidity", ohum ? h->outdoor_humidity : kNull, 0);
    const double absolute = Checked(QUANTITY_ABSOLUTE_PRESSURE, h->pressure);
    PutValue(o, "pressure", absolute + rel_offset, 1);
    PutValue(o, "absolute_pressure", absolute, 1);
    const double wind = Checked(QUANTITY_WIND_SPEED, h->wind_speed);
    PutValue(o, "wind_speed", wind, 1);
    const bool direction = !std::isnan(wind) && h->wind_direction >= 0 && h->wind_direction < 16;
    PutValue(o, "wind_direction", direction ? h->wind_direction * 22.5 : kNull, 1);
    PutValue(o, "rain_total", h->rain, 1);
    // Derived as the text export derives them, from the stored outdoor values.
    const bool outdoor_ok = !std::isnan(outdoor);
    PutValue(o, "dewpoint",
             outdoor_ok && ohum ? CalculateDewpoint(&h->outdoor_temperature, &h->outdoor_humidity)
                                : kNull, 1);
    PutValue(o, "windchill",
             outdoor_ok && !std::isnan(wind)
                 ? CalculateWindchill(&h->outdoor_temperature, &h->wind_speed) : kNull, 1);
    return Text(o);
}

std::string MqttDiagnosticsJson(const MqttDiagnostics *d) {
    JsonObject o = Json_New();
    Json_PutString(o, "link", d->link);
    PutValue(o, "line_clean_percent_hour", d->clean_percent_hour, 1);
    Json_PutNumber(o, "requests_hour", static_cast<double>(d->requests_hour));
    Json_PutNumber(o, "retries_hour", static_cast<double>(d->retries_hour));
    Json_PutNumber(o, "wrong_echoes_hour", static_cast<double>(d->wrong_echoes_hour));
    Json_PutNumber(o, "wrong_checksums_hour", static_cast<double>(d->wrong_checksums_hour));
    Json_PutNumber(o, "no_answers_hour", static_cast<double>(d->no_answers_hour));
    Json_PutNumber(o, "requests_total", static_cast<double>(d->requests_total));
    Json_PutNumber(o, "retries_total", static_cast<double>(d->retries_total));
    Json_PutNumber(o, "pulled_cables_total", static_cast<double>(d->pulled_cables_total));
    if (d->last_fault_utc > 0)
        Json_PutString(o, "last_fault", IsoUtc(d->last_fault_utc).c_str());
    else
        Json_PutNull(o, "last_fault");
    if (d->newest_data_set_utc > 0)
        Json_PutString(o, "newest_data_set", IsoUtc(d->newest_data_set_utc).c_str());
    else
        Json_PutNull(o, "newest_data_set");
    return Text(o);
}

std::string MqttNodeId(const char *base_topic) {
    std::string node = base_topic;
    for (char &c : node)
        if (c == '/' || c == ' ') c = '_';
    return node;
}

std::vector<MqttMessage> MqttDiscoveryConfigs(const MqttDevice *device) {
    const std::string node = MqttNodeId(device->base_topic);
    std::vector<MqttMessage> configs;
    for (const Sensor &s : kSensors) {
        JsonObject c = Config(device, node, s.key, s.name, "state",
                              std::string("{{ value_json.") + s.key + " }}");
        if (s.device_class != nullptr) Json_PutString(c, "device_class", s.device_class);
        Json_PutString(c, "state_class", s.state_class);
        Json_PutString(c, "unit_of_measurement", s.unit);
        configs.push_back({ConfigTopic(device, "sensor", node, s.key), Text(c)});
    }
    for (const Alarm &a : kAlarms) {
        JsonObject c = Config(device, node, a.key, a.name, "state",
                              std::string("{{ 'ON' if value_json.") + a.key + " else 'OFF' }}");
        Json_PutString(c, "device_class", "problem");
        configs.push_back({ConfigTopic(device, "binary_sensor", node, a.key), Text(c)});
    }
    for (const Diagnostic &g : kDiagnostics) {
        JsonObject c = Config(device, node, g.key, g.name, "diagnostics",
                              std::string("{{ value_json.") + g.key + " }}");
        Json_PutString(c, "entity_category", "diagnostic");
        if (g.device_class != nullptr) Json_PutString(c, "device_class", g.device_class);
        if (g.unit != nullptr) Json_PutString(c, "unit_of_measurement", g.unit);
        configs.push_back({ConfigTopic(device, "sensor", node, g.key), Text(c)});
    }
    return configs;
}
