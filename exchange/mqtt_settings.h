// The MQTT connection as the user set it in clearhorizon.ini, section [mqtt], beside
// Setup.cnf (whose fixed layout has no room for it). A hand-edited file is read at
// start-up; a key that is missing or does not make sense takes its default, so a short
// file of three lines is enough.
#pragma once
#include <cstddef>

constexpr const char *kMqttSettingsFile = "clearhorizon.ini";
constexpr int kMqttDefaultPort = 1883;
constexpr int kMqttDefaultTlsPort = 8883;

struct MqttSettings {
    bool enabled;            // enabled
    char host[256];          // host
    int port;                // port (1883; 8883 with TLS when the file names none)
    bool tls;                // tls
    char ca_file[1024];      // ca_file: the broker's CA; empty: the system's CAs
    bool tls_insecure;       // tls_insecure: neither certificate nor host name checked
    char user[128];          // user
    char password[256];      // password: never logged, never shown in a message
    char client_id[128];     // client_id (empty: "clearhorizon-<host name>-<console id>")
    char base_topic[256];    // base_topic (empty: "clearhorizon/<console id>")
    char discovery_prefix[128];  // discovery_prefix (default "homeassistant")
    bool discovery;          // discovery: Home Assistant's discovery configs
};

// Everything off, the defaults above.
void SetMqttSettingsToDefault(MqttSettings *settings);
// Reads [mqtt] of the file at path into *settings over the defaults. 0 when the file was
// read, -1 when there is none (defaults), -2 when it cannot be read as INI (defaults).
int LoadMqttSettings(const char *path, MqttSettings *settings);
// Writes every key of [mqtt], leaving other sections alone; the file gets mode 0600.
// 0, or -1 when it cannot be written.
int SaveMqttSettings(const char *path, const MqttSettings *settings);

// Whether two settings say the same (the texts compared as texts).
bool SameMqttSettings(const MqttSettings *a, const MqttSettings *b);

// The topic under which everything is published: base_topic, or
// "clearhorizon/<console id>". A base topic with an MQTT wildcard (+ or #) cannot be
// published to and is replaced by the default.
void MqttBaseTopic(const MqttSettings *settings, int console_id, char *out, size_t size);
// The client id the broker sees.
void MqttClientId(const MqttSettings *settings, int console_id, char *out, size_t size);
