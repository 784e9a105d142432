// Fuzz targets: one entry function for every reader of data that comes from outside the
// program (the settings file, the history file and its export, language files, the
// resource file, the console's data blocks, clearhorizon.ini). The same functions run under libFuzzer in
// the fuzz build (scripts/fuzz.sh) and, in the ordinary test build, over the corpus the
// fuzzer found (tests/data/fuzz/<target>/), so every input that once mattered is tried
// again by every test run. An entry returns 0; a broken promise of the code under test
// (beyond what the sanitizers see) aborts with a message.
#pragma once
#include <cstddef>
#include <cstdint>

using FuzzEntry = int (*)(const uint8_t *data, size_t size);

struct FuzzTarget {
    const char *name;  // also the folder of its corpus
    FuzzEntry entry;
};

int FuzzSetupFile(const uint8_t *data, size_t size);
int FuzzHistoryFile(const uint8_t *data, size_t size);
int FuzzHistoryExport(const uint8_t *data, size_t size);
int FuzzLanguageFile(const uint8_t *data, size_t size);
int FuzzResourceFile(const uint8_t *data, size_t size);
int FuzzConsoleBlocks(const uint8_t *data, size_t size);
int FuzzMqttSettings(const uint8_t *data, size_t size);

// Every target, in a fixed order; count receives their number.
const FuzzTarget *FuzzTargets(int *count);
// The target of that name, or null.
const FuzzTarget *FindFuzzTarget(const char *name);
