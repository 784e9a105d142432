#include "fuzz/fuzz_targets.h"

#include <cstring>

namespace {

const FuzzTarget kTargets[] = {
    {"setup_file", FuzzSetupFile},         {"history_file", FuzzHistoryFile},
    {"history_export", FuzzHistoryExport}, {"language_file", FuzzLanguageFile},
    {"resource_file", FuzzResourceFile},   {"console_blocks", FuzzConsoleBlocks},
    {"mqtt_settings", FuzzMqttSettings},
};

}  // namespace

const FuzzTarget *FuzzTargets(int *count) {
    *count = static_cast<int>(sizeof kTargets / sizeof kTargets[0]);
    return kTargets;
}

const FuzzTarget *FindFuzzTarget(const char *name) {
    int count = 0;
    const FuzzTarget *targets = FuzzTargets(&count);
    for (int i = 0; i < count; ++i)
        if (strcmp(targets[i].name, name) == 0) return &targets[i];
    return nullptr;
}
