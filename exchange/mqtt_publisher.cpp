// The publisher lives on the main thread and reads UI_data, which the dispatcher has
// brought up to date before it hands the record on. Only the history records need the
// history file: kind 4 says how many data sets the file holds now, and the ones since
// the last look are read back from the file and queued for <base>/archive in order.
#include "exchange/mqtt_publisher.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "exchange/mqtt_client.h"
#include "exchange/mqtt_payloads.h"
#include "exchange/mqtt_settings.h"
#include "history/history_file.h"
#include "platform/runtime.h"
#include "records/ui_data.h"
#include "records/ui_listeners.h"
#include "station/link/line_quality.h"

#ifndef CH_VERSION
#define CH_VERSION "0"
#endif

namespace {

struct GroupMark {
    std::vector<double> values;  // as last published
    double at = -1e9;            // Timer() of that publication
    bool changed = false;        // changed since, not yet published
};

struct Publisher {
    bool running = false;
    char ini_path[1024] = "";
    MqttSettings settings{};
    int console_id = 0;
    std::string base;
    GroupMark groups[MQTT_GROUP_COUNT];
    int history_count = -1;  // data sets of the file already looked at; -1 not known
    bool link_connected = false;
    int32_t link_state = 0;  // LinkState, 0 before the first report
    LineQualityPayload line{};
    uint32_t newest_data_set = 0;
    double min_seconds = kMqttGroupMinSeconds;
} publisher;

bool SameValues(const std::vector<double> &a, const std::vector<double> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i])) return false;
        if (!std::isnan(a[i]) && a[i] != b[i]) return false;
    }
    return true;
}

// Publishes the whole state when some group is due: changed (or unchanged for a minute)
// and its last publication at least a second ago. A change held back by the second's
// limit goes out with the next record of any group after that second.
void PublishState(int group) {
    const double now = Timer();
    GroupMark &mark = publisher.groups[group];
    if (!SameValues(MqttGroupValues(&UI_data, group), mark.values) ||
        now - mark.at >= kMqttRepeatSeconds)
        mark.changed = true;
    bool due = false;
    for (const GroupMark &m : publisher.groups)
        if (m.changed && now - m.at >= publisher.min_seconds) due = true;
    if (!due) return;
    for (int g = 0; g < MQTT_GROUP_COUNT; ++g) {
        GroupMark &m = publisher.groups[g];
        if (!m.changed || now - m.at < publisher.min_seconds) continue;
        m.values = MqttGroupValues(&UI_data, g);
        m.changed = false;
        m.at = now;
    }
    MqttClientSetLive(publisher.base + "/state", MqttStateJson(&UI_data, time(nullptr)));
}

// The data sets the file gained since the last look, oldest first; at most as many as
// the client's archive queue holds (older ones would be dropped there anyway).
void PublishNewDataSets(int count) {
    const int known = publisher.history_count;
    publisher.history_count = count;
    if (known < 0 || count <= known) return;
    int fresh = count - known;
    if (fresh > kMqttArchiveQueue) fresh = kMqttArchiveQueue;
    std::vector<HistoryRecord> sets(static_cast<size_t>(fresh));
    const int read = GetHistoryDataFromFile(&UI_data, sets.data(), count, fresh);
    if (read <= 0) return;  // the file went meanwhile: nothing to tell, nothing to repeat
    for (int i = 0; i < read; ++i)
        MqttClientQueueArchive(publisher.base + "/archive",
                               MqttArchiveJson(&sets[static_cast<size_t>(i)],
                                               UI_data.pressure.rel_offset));
}

const char *LinkWords(int32_t state) {
    switch (state) {
    case LINK_CONNECTED: return "connected";
    case LINK_SILENT: return "not answering";
    case LINK_CANNOT_OPEN: return "port cannot be opened";
    default: return "starting";
    }
}

void PublishDiagnostics() {
    const LineQualityPayload &q = publisher.line;
    MqttDiagnostics d{};
    d.link = LinkWords(publisher.link_state);
    d.clean_percent_hour = q.hour.exchanges > 0 ? 100.0 * q.hour.clean / q.hour.exchanges : NAN;
    d.requests_hour = q.hour.exchanges;
    d.wrong_echoes_hour = q.hour.wrong_echoes;
    d.wrong_checksums_hour = q.hour.wrong_checksums;
    d.no_answers_hour = q.hour.no_answers;
    d.retries_hour = d.wrong_echoes_hour + d.wrong_checksums_hour + d.no_answers_hour;
    d.requests_total = q.total.exchanges;
    d.retries_total = static_cast<int64_t>(q.total.wrong_echoes) + q.total.wrong_checksums +
                      q.total.no_answers;
    d.pulled_cables_total = q.pulled_cables;
    d.last_fault_utc = q.last_fault_utc;
    d.newest_data_set_utc = publisher.newest_data_set;
    MqttClientSetLive(publisher.base + "/diagnostics", MqttDiagnosticsJson(&d));
}

int HeaderCount(const UIRecord *r) {
    HistoryFileHeader header;
    memcpy(&header, r->payload, sizeof header);
    return header.count;
}

void Restart() {
    char base[256];
    char client_id[256];
    MqttBaseTopic(&publisher.settings, publisher.console_id, base, sizeof base);
    MqttClientId(&publisher.settings, publisher.console_id, client_id, sizeof client_id);
    publisher.base = base;
    for (GroupMark &m : publisher.groups) m = GroupMark{};
    const std::string status = publisher.base + "/status";
    publisher.running = MqttClientStart(&publisher.settings, client_id, status.c_str()) == 0;
    if (!publisher.running) return;
    MqttClientSetAvailable(publisher.link_connected);
    const MqttDevice device{base, publisher.settings.discovery_prefix, publisher.console_id,
                            CH_VERSION};
    std::vector<MqttMessage> configs = MqttDiscoveryConfigs(&device);
    if (publisher.settings.discovery) {
        MqttClientSetAnnouncements(configs);
        return;
    }
    // Switched off: whatever an earlier run announced goes (an empty retained message
    // removes an entity); once per start is enough.
    for (const MqttMessage &m : configs) MqttClientSendRetainedOnce(m.topic, "");
}

}  // namespace

int StartMqttPublisher(const char *ini_path, int console_id) {
    snprintf(publisher.ini_path, sizeof publisher.ini_path, "%s", ini_path);
    publisher.console_id = console_id;
    // A missing or unreadable file leaves MQTT off.
    (void)LoadMqttSettings(ini_path, &publisher.settings);
    if (!publisher.settings.enabled || publisher.settings.host[0] == '\0') {
        StopMqttPublisher();
        return -1;
    }
    Restart();
    return publisher.running ? 0 : -2;
}

void StopMqttPublisher() {
    MqttClientStop(3.0);
    publisher.running = false;
    publisher.base.clear();
}

void PublishUIRecord(const UIRecord *r) {
    if (!publisher.running) return;
    const int group = MqttGroupOfKind(r->kind);
    if (group >= 0) {
        PublishState(group);
        return;
    }
    switch (r->kind) {
    case UI_STATION_ID: {
        const int id = static_cast<int>(r->payload[0] & 0xFFu);
        // Another console variant: its own topics unless the file names them.
        if (id != publisher.console_id && publisher.settings.base_topic[0] == '\0') {
            publisher.console_id = id;
            Restart();
        }
        return;
    }
    case UI_HISTORY_FILE:
    case UI_OLDER_DATA_SETS_STORED:
        // Another file, or older data sets put in front: nothing new at the end to tell.
        publisher.history_count = HeaderCount(r);
        return;
    case UI_HISTORY_STORED:
        PublishNewDataSets(HeaderCount(r));
        publisher.newest_data_set = UI_data.file_header.last_time;
        PublishDiagnostics();
        return;
    case UI_LINK_STATE: {
        LinkStatePayload state;
        memcpy(&state, r->payload, sizeof state);
        publisher.link_state = state.state;
        publisher.link_connected = state.state == LINK_CONNECTED;
        MqttClientSetAvailable(publisher.link_connected);
        PublishDiagnostics();
        return;
    }
    case UI_LINE_QUALITY:
        memcpy(&publisher.line, r->payload, sizeof publisher.line);
        PublishDiagnostics();
        return;
    default: return;
    }
}

void RegisterMqttPublisherListeners() {
    (void)ListenToUIRecords(UI_STATION_ID, UI_RAIN, PublishUIRecord);
    (void)ListenToUIRecords(UI_LINK_STATE, UI_LINK_STATE, PublishUIRecord);
    (void)ListenToUIRecords(UI_OLDER_DATA_SETS_STORED, UI_OLDER_DATA_SETS_STORED, PublishUIRecord);
    (void)ListenToUIRecords(UI_LINE_QUALITY, UI_LINE_QUALITY, PublishUIRecord);
}

std::string MqttStateLine() {
    std::string words;
    if (MqttClientState(&words) == MQTT_OFF || words.empty()) return "";
    return "MQTT: " + words;
}

std::string MqttPublisherBaseTopic() { return publisher.base; }

void SetMqttGroupMinSeconds(double seconds) { publisher.min_seconds = seconds; }
