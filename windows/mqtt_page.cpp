#include "windows/mqtt_page.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "exchange/mqtt_client.h"
#include "exchange/mqtt_publisher.h"
#include "exchange/mqtt_settings.h"
#include "platform/panels.h"
#include "records/setup_record.h"
#include "windows/KOR.h"
#include "windows/kor_panels.h"

namespace {

constexpr int kRed = 0xCC0000;
constexpr double kTestSeconds = 15.0;

// A test's outcome, shared with its worker; the worker may outlive a closed dialog.
struct TestRun {
    std::mutex lock;
    bool done = false;
    std::string words;
};
std::shared_ptr<TestRun> running;

int Checked(int control) {
    int value = 0;
    GetCtrlVal(mqttP, control, &value);
    return value != 0 ? 1 : 0;
}

void Text(int control, char *out, size_t size) {
    GetCtrlString(mqttP, control, out, static_cast<int>(size));
}

// The file's settings with the page's fields over them.
MqttSettings PageSettings() {
    MqttSettings s;
    (void)LoadMqttSettings(kMqttSettingsFile, &s);  // no file: the defaults
    s.enabled = Checked(MQTTP_ENABLED) != 0;
    Text(MQTTP_HOST, s.host, sizeof s.host);
    GetCtrlVal(mqttP, MQTTP_PORT, &s.port);
    s.tls = Checked(MQTTP_TLS) != 0;
    Text(MQTTP_USER, s.user, sizeof s.user);
    Text(MQTTP_PASSWORD, s.password, sizeof s.password);
    s.discovery = Checked(MQTTP_DISCOVERY) != 0;
    return s;
}

}  // namespace

void MqttResultText(const char *words, char *out, int size) {
    struct Known {
        const char *words;
        int text;
    };
    static const Known known[] = {
        {"connected", TXTP_MQTT_RESULT_CONNECTED},
        {"refused: not authorised", TXTP_MQTT_RESULT_NOT_AUTHORISED},
        {"host not found", TXTP_MQTT_RESULT_HOST_NOT_FOUND},
        {"TLS: certificate not trusted", TXTP_MQTT_RESULT_UNTRUSTED},
        {"connection refused", TXTP_MQTT_RESULT_REFUSED},
    };
    for (const Known &k : known) {
        if (strcmp(words, k.words) != 0) continue;
        GetPanelText(k.text, out, size);
        if (out[0] != '\0') return;
    }
    snprintf(out, static_cast<size_t>(size), "%s", words);
}

void InitMqttPage() {
    MqttSettings s;
    (void)LoadMqttSettings(kMqttSettingsFile, &s);
    SetCtrlVal(mqttP, MQTTP_ENABLED, s.enabled ? 1 : 0);
    SetCtrlVal(mqttP, MQTTP_HOST, s.host);
    SetCtrlVal(mqttP, MQTTP_PORT, s.port);
    SetCtrlVal(mqttP, MQTTP_TLS, s.tls ? 1 : 0);
    SetCtrlVal(mqttP, MQTTP_USER, s.user);
    SetCtrlVal(mqttP, MQTTP_PASSWORD, s.password);
    SetCtrlVal(mqttP, MQTTP_DISCOVERY, s.discovery ? 1 : 0);
    SetCtrlVal(mqttP, MQTTP_RESULT, "");
    SetCtrlAttribute(mqttP, MQTTP_INSECURE, ATTR_TEXT_COLOR, kRed);
    SetCtrlAttribute(mqttP, MQTTP_INSECURE, ATTR_VISIBLE, s.tls && s.tls_insecure ? 1 : 0);
}

int TakeMqttPage() {
    MqttSettings before;
    const int had_file = LoadMqttSettings(kMqttSettingsFile, &before);
    const MqttSettings after = PageSettings();
    if (had_file == 0 && SameMqttSettings(&before, &after)) return 0;
    // Nothing to write for a user who never switched it on.
    if (had_file != 0 && !after.enabled && after.host[0] == '\0') return 0;
    if (SaveMqttSettings(kMqttSettingsFile, &after) != 0) return -1;
    (void)StartMqttPublisher(kMqttSettingsFile, setup.station_id);
    return 0;
}

int MqttTestButton(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (running != nullptr) return 0;  // one test at a time
    const MqttSettings s = PageSettings();
    auto run = std::make_shared<TestRun>();
    running = run;
    char testing[304];
    GetPanelText(TXTP_MQTTP_TESTING, testing, sizeof testing);
    SetCtrlVal(mqttP, MQTTP_RESULT, testing);
    SetCtrlAttribute(mqttP, MQTTP_TEST, ATTR_DIMMED, 1);
    std::thread([run, s] {
        std::string words;
        (void)MqttTestConnection(&s, kTestSeconds, &words);
        std::lock_guard<std::mutex> hold(run->lock);
        run->words = words;
        run->done = true;
    }).detach();
    SetCtrlAttribute(mqttP, MQTTP_TEST_TIMER, ATTR_ENABLED, 1);
    return 0;
}

int MqttTestTimer(int, int, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK || running == nullptr) return 0;
    std::string words;
    {
        std::lock_guard<std::mutex> hold(running->lock);
        if (!running->done) return 0;
        words = running->words;
    }
    running.reset();
    SetCtrlAttribute(mqttP, MQTTP_TEST_TIMER, ATTR_ENABLED, 0);
    SetCtrlAttribute(mqttP, MQTTP_TEST, ATTR_DIMMED, 0);
    char shown[304];
    MqttResultText(words.c_str(), shown, sizeof shown);
    SetCtrlVal(mqttP, MQTTP_RESULT, shown);
    return 0;
}

void RegisterMqttPageCallbacks() {
    RegisterCallback("MqttTestButton", MqttTestButton);
    RegisterCallback("MqttTestTimer", MqttTestTimer);
}
