// clearhorizon.ini as start-up meets it: whatever a user (or a broken disc) left in it,
// the MQTT settings that come out are usable as they are: a port a socket takes, texts
// that end, topics without the wildcards nobody may publish to; and writing them back
// (as the settings dialog does) gives a file that reads back to a usable record again.
#include <cstring>
#include <string>

#include "exchange/mqtt_settings.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"

namespace {

template <size_t N>
void MustEnd(const char (&text)[N], const char *what) {
    if (memchr(text, '\0', N) == nullptr) FuzzFailure(what);
}

void CheckUsable(const MqttSettings &s) {
    if (s.port < 1 || s.port > 65535) FuzzFailure("a port no socket takes");
    MustEnd(s.host, "host without its end");
    MustEnd(s.ca_file, "CA file without its end");
    MustEnd(s.user, "user without its end");
    MustEnd(s.password, "password without its end");
    MustEnd(s.client_id, "client id without its end");
    MustEnd(s.base_topic, "base topic without its end");
    MustEnd(s.discovery_prefix, "discovery prefix without its end");
    if (s.discovery_prefix[0] == '\0' || strpbrk(s.discovery_prefix, "+#") != nullptr)
        FuzzFailure("a discovery prefix nobody may publish under");
    char base[256];
    MqttBaseTopic(&s, 2, base, sizeof base);
    if (base[0] == '\0' || strpbrk(base, "+#") != nullptr) FuzzFailure("a base topic nobody may publish under");
}

}  // namespace

int FuzzMqttSettings(const uint8_t *data, size_t size) {
    const std::string path = WriteScratchFile(kMqttSettingsFile, data, size);
    MqttSettings s;
    const int loaded = LoadMqttSettings(path.c_str(), &s);
    if (loaded != 0 && loaded != -1 && loaded != -2) FuzzFailure("an unknown result");
    CheckUsable(s);
    const std::string copy = path + ".saved";
    if (SaveMqttSettings(copy.c_str(), &s) != 0) FuzzFailure("the settings could not be written");
    MqttSettings again;
    if (LoadMqttSettings(copy.c_str(), &again) != 0) FuzzFailure("a written file does not read");
    CheckUsable(again);
    if (again.enabled != s.enabled || again.port != s.port || again.tls != s.tls ||
        again.discovery != s.discovery)
        FuzzFailure("a switch or the port changed on the way through the file");
    return 0;
}
