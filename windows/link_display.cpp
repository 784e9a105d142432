#include "windows/link_display.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/text_fields.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "records/ui_data.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"
#include "exchange/mqtt_client.h"
#include "exchange/mqtt_publisher.h"
#include "windows/mqtt_page.h"
#include "records/setup_record.h"
#include "values/conversions.h"

void RedrawMqttState();

namespace {

std::string shown_mqtt_state;
LinkStatePayload last_state{};
char last_device[sizeof(UIRecord::text)] = "";
int reports = 0;

// The time of day of a UTC instant on the PC's clock, in the user's style.
void TimeOfDayText(uint32_t utc, char *out) {
    const time_t t = static_cast<time_t>(utc);
    struct tm local {};
    localtime_r(&t, &local);
    const int32_t stamp[6] = {local.tm_sec, local.tm_min,  local.tm_hour,
                              local.tm_mday, local.tm_mon, local.tm_year};
    GetTimeDateString(stamp, nullptr, nullptr, out);
}

// The words for a state, from the texts panel.
std::string LinkStateText(const LinkStatePayload *state, const char *device) {
    char pattern[304];
    char port[16];
    char since[TIME_DATE_TEXT_SIZE] = "";
    char reason[304] = "";
    snprintf(port, sizeof port, "COM%d", static_cast<int>(state->port));
    int text = TXTP_LINK_CONNECTED;
    if (state->state == LINK_SILENT) {
        text = TXTP_LINK_SILENT;
        TimeOfDayText(state->since, since);
    } else if (state->state == LINK_CANNOT_OPEN) {
        text = TXTP_LINK_CANNOT_OPEN;
        TimeOfDayText(state->since, since);
        GetPanelText(LinkReasonText(state->reason), reason, sizeof reason);
    }
    GetPanelText(text, pattern, sizeof pattern);
    const TextField fields[] = {
        {"port", port}, {"device", device}, {"since", since}, {"reason", reason}};
    return FillTextFields(pattern, fields, 4);
}

}  // namespace

int LinkReasonText(int32_t reason) {
    if (reason == LINK_REASON_MISSING) return TXTP_LINK_REASON_MISSING;
    if (reason == LINK_REASON_ACCESS) return TXTP_LINK_REASON_ACCESS;
    return TXTP_LINK_REASON_OTHER;
}

void TakeLinkState(const UIRecord *record) {
    memcpy(&last_state, record->payload, sizeof last_state);
    snprintf(last_device, sizeof last_device, "%.*s", static_cast<int>(sizeof record->text),
             record->text);
    ++reports;
    ShowLinkState();
    if (last_state.state == LINK_CONNECTED) {
        // What the box said is over: the port works now.
        CloseMessagePopups(MESSAGE_KEY_PORT_ERROR);
        return;
    }
    // Nothing read before the loss is live any longer: every value is dimmed now rather
    // than when its own live timer would have run out minutes later.
    MarkUIGroupsStale();
    RefreshKORPanelSurface();
}

bool ConsoleConnected() { return reports > 0 && last_state.state == LINK_CONNECTED; }

void ShowLinkState() {
    if (reports == 0) return;
    SetCtrlVal(korP, KORP_LINK_STATE, LinkStateText(&last_state, last_device).c_str());
}

std::string LinkStateWords() {
    if (reports == 0) return std::string();
    return LinkStateText(&last_state, last_device);
}

int LinkStateReports() { return reports; }

void ForgetLinkState() {
    last_state = LinkStatePayload{};
    last_device[0] = '\0';
    reports = 0;
}

const LinkStatePayload *LastLinkState(const char **device) {
    if (device != nullptr) *device = last_device;
    return &last_state;
}

namespace {

// "1 wrong echo", "3 wrong echoes".
std::string Counted(uint32_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string LineQualityText(const LineQualityPayload *q) {
    const LineCounts &h = q->hour;
    std::string text = "Line: ";
    if (h.exchanges == 0) {
        text += "no requests in the last hour";
    } else {
        // Cut, not rounded, like every number the user reads: 99.99 % is not "100.0 %".
        char percent[32];
        const double share = 1000.0 * h.clean / h.exchanges;
        snprintf(percent, sizeof percent, "%.1f", static_cast<double>(static_cast<int64_t>(share)) / 10.0);
        LocaliseRealNumberString(setup.decimal_comma, percent);
        text += std::string(percent) + " % clean in the last hour; ";
        const uint32_t retries = h.wrong_echoes + h.wrong_checksums + h.no_answers;
        text += Counted(retries, "retry", "retries");
        std::string causes;
        if (h.wrong_echoes > 0) causes += Counted(h.wrong_echoes, "wrong echo", "wrong echoes");
        if (h.wrong_checksums > 0)
            causes += (causes.empty() ? "" : ", ") +
                      Counted(h.wrong_checksums, "wrong checksum", "wrong checksums");
        if (h.no_answers > 0) causes += (causes.empty() ? "" : ", ") + std::to_string(h.no_answers) + " no answer";
        if (!causes.empty()) text += " (" + causes + ")";
    }
    if (q->pulled_cables > 0) text += "; " + Counted(q->pulled_cables, "pulled cable", "pulled cables");
    if (q->last_fault_utc == 0) return text + "; no fault yet";
    const time_t t = static_cast<time_t>(q->last_fault_utc);
    struct tm local {};
    localtime_r(&t, &local);
    char at[16];
    strftime(at, sizeof at, "%H:%M", &local);
    return text + "; last fault " + at;
}

void TakeLineQuality(const UIRecord *record) {
    LineQualityPayload q;
    memcpy(&q, record->payload, sizeof q);
    SetCtrlAttribute(korP, KORP_LINK_STATE, ATTR_TOOLTIP_TEXT, LineQualityText(&q).c_str());
}

void RegisterLinkDisplayListeners() {
    (void)ListenToUIRecords(150, 150, TakeLinkState);
    (void)ListenToUIRecords(UI_LINE_QUALITY, UI_LINE_QUALITY, TakeLineQuality);
    (void)ListenToSurfaceRefresh(ShowLinkState);
    (void)ListenToSurfaceRefresh(RedrawMqttState);
}

std::string MqttStateText(const std::string &words) {
    struct Form {
        const char *start;  // what the client's words begin with
        int text;
        const char *field;
    };
    static const Form forms[] = {
        {"connected to ", TXTP_MQTT_STATE_CONNECTED, "host"},
        {"connecting to ", TXTP_MQTT_STATE_CONNECTING, "host"},
        {"retrying, ", TXTP_MQTT_STATE_RETRYING, "reason"},
        {"not started, ", TXTP_MQTT_STATE_NOT_STARTED, "reason"},
    };
    for (const Form &f : forms) {
        if (words.rfind(f.start, 0) != 0) continue;
        const std::string rest = words.substr(strlen(f.start));
        char value[304];
        if (f.text == TXTP_MQTT_STATE_RETRYING || f.text == TXTP_MQTT_STATE_NOT_STARTED)
            MqttResultText(rest.c_str(), value, sizeof value);
        else
            snprintf(value, sizeof value, "%s", rest.c_str());
        char pattern[304];
        GetPanelText(f.text, pattern, sizeof pattern);
        if (pattern[0] == '\0') break;
        const TextField field{f.field, value};
        return FillTextFields(pattern, &field, 1);
    }
    return words.empty() ? "" : "MQTT: " + words;
}

// After a change of language: the same state in the new words.
void RedrawMqttState() {
    std::string words;
    (void)MqttClientState(&words);
    SetCtrlVal(korP, KORP_MQTT_STATE, MqttStateText(words).c_str());
}

void ShowMqttState() {
    const std::string line = MqttStateLine();
    if (line == shown_mqtt_state) return;
    shown_mqtt_state = line;
    std::string words;
    (void)MqttClientState(&words);
    SetCtrlVal(korP, KORP_MQTT_STATE, MqttStateText(words).c_str());
    // The journal keeps the program's own words, whatever the language.
    if (line.empty()) return;
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    fprintf(stderr, "%s clearhorizon: %s\n", stamp, line.c_str());
    fflush(stderr);
}
