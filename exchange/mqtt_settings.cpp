#include "exchange/mqtt_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "platform/ini_settings.h"

namespace {

constexpr const char *kSection = "mqtt";

// true/false as QSettings writes them; 1/0 and yes/no as people type them.
bool ParseBool(const char *text, bool fallback) {
    if (strcasecmp(text, "true") == 0 || strcasecmp(text, "yes") == 0 || strcmp(text, "1") == 0)
        return true;
    if (strcasecmp(text, "false") == 0 || strcasecmp(text, "no") == 0 || strcmp(text, "0") == 0)
        return false;
    return fallback;
}

void ReadText(const char *path, const char *key, char *out, size_t size) {
    char value[1024];
    if (IniSettings_Read(path, kSection, key, value, sizeof value) == 0)
        snprintf(out, size, "%s", value);
}

void ReadBool(const char *path, const char *key, bool *out) {
    char value[64];
    if (IniSettings_Read(path, kSection, key, value, sizeof value) == 0)
        *out = ParseBool(value, *out);
}

bool HasWildcard(const char *topic) {
    return strchr(topic, '+') != nullptr || strchr(topic, '#') != nullptr;
}

}  // namespace

void SetMqttSettingsToDefault(MqttSettings *s) {
    memset(s, 0, sizeof *s);
    s->port = kMqttDefaultPort;
    snprintf(s->discovery_prefix, sizeof s->discovery_prefix, "%s", "homeassistant");
    s->discovery = true;
}

int LoadMqttSettings(const char *path, MqttSettings *s) {
    SetMqttSettingsToDefault(s);
    char probe[16];
    const int found = IniSettings_Read(path, kSection, "enabled", probe, sizeof probe);
    if (found == -2) return -2;
    if (access(path, R_OK) != 0) return -1;
    ReadBool(path, "enabled", &s->enabled);
    ReadText(path, "host", s->host, sizeof s->host);
    ReadBool(path, "tls", &s->tls);
    if (s->tls) s->port = kMqttDefaultTlsPort;
    char port[32] = "";
    ReadText(path, "port", port, sizeof port);
    char *end = nullptr;
    const long number = strtol(port, &end, 10);
    if (port[0] != '\0' && end != nullptr && *end == '\0' && number > 0 && number < 65536)
        s->port = static_cast<int>(number);
    ReadText(path, "ca_file", s->ca_file, sizeof s->ca_file);
    ReadBool(path, "tls_insecure", &s->tls_insecure);
    ReadText(path, "user", s->user, sizeof s->user);
    ReadText(path, "password", s->password, sizeof s->password);
    ReadText(path, "client_id", s->client_id, sizeof s->client_id);
    ReadText(path, "base_topic", s->base_topic, sizeof s->base_topic);
    ReadText(path, "discovery_prefix", s->discovery_prefix, sizeof s->discovery_prefix);
    if (s->discovery_prefix[0] == '\0' || HasWildcard(s->discovery_prefix))
        snprintf(s->discovery_prefix, sizeof s->discovery_prefix, "%s", "homeassistant");
    ReadBool(path, "discovery", &s->discovery);
    return 0;
}

int SaveMqttSettings(const char *path, const MqttSettings *s) {
    char port[16];
    snprintf(port, sizeof port, "%d", s->port);
    const IniSetting keys[] = {
        {"enabled", s->enabled ? "true" : "false"},
        {"host", s->host},
        {"port", port},
        {"tls", s->tls ? "true" : "false"},
        {"ca_file", s->ca_file},
        {"tls_insecure", s->tls_insecure ? "true" : "false"},
        {"user", s->user},
        {"password", s->password},
        {"client_id", s->client_id},
        {"base_topic", s->base_topic},
        {"discovery_prefix", s->discovery_prefix},
        {"discovery", s->discovery ? "true" : "false"},
    };
    return IniSettings_Write(path, kSection, keys, static_cast<int>(sizeof keys / sizeof keys[0]));
}

bool SameMqttSettings(const MqttSettings *a, const MqttSettings *b) {
    return a->enabled == b->enabled && strcmp(a->host, b->host) == 0 && a->port == b->port &&
           a->tls == b->tls && strcmp(a->ca_file, b->ca_file) == 0 &&
           a->tls_insecure == b->tls_insecure && strcmp(a->user, b->user) == 0 &&
           strcmp(a->password, b->password) == 0 && strcmp(a->client_id, b->client_id) == 0 &&
           strcmp(a->base_topic, b->base_topic) == 0 &&
           strcmp(a->discovery_prefix, b->discovery_prefix) == 0 && a->discovery == b->discovery;
}

void MqttBaseTopic(const MqttSettings *s, int console_id, char *out, size_t size) {
    if (s->base_topic[0] != '\0' && !HasWildcard(s->base_topic)) {
        snprintf(out, size, "%s", s->base_topic);
        // A trailing slash would make every topic "<base>//state".
        const size_t length = strlen(out);
        if (length > 1 && out[length - 1] == '/') out[length - 1] = '\0';
        return;
    }
    snprintf(out, size, "clearhorizon/%d", console_id);
}

void MqttClientId(const MqttSettings *s, int console_id, char *out, size_t size) {
    if (s->client_id[0] != '\0') {
        snprintf(out, size, "%s", s->client_id);
        return;
    }
    char host[64] = "";
    if (gethostname(host, sizeof host) != 0) host[0] = '\0';
    host[sizeof host - 1] = '\0';
    // The broker allows one connection per id: two copies on two PCs must differ.
    snprintf(out, size, "clearhorizon-%s-%d", host[0] != '\0' ? host : "pc", console_id);
}
