// libFuzzer's side of one fuzz target (the fuzz build compiles this once per target with
// CH_FUZZ_TARGET naming it). The panels need an application object, offscreen.
#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_targets.h"

namespace {
const FuzzTarget *target = nullptr;
int app_argc = 1;
char app_name[] = "clearhorizon-fuzz";
char *app_argv[] = {app_name, nullptr};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt's own warnings about odd panels would drown the fuzzer's output.
    setenv("QT_LOGGING_RULES", "*=false", 0);
    new QApplication(app_argc, app_argv);  // lives as long as the process
    target = FindFuzzTarget(CH_FUZZ_TARGET);
    if (target == nullptr) {
        fprintf(stderr, "no fuzz target named %s\n", CH_FUZZ_TARGET);
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return target->entry(data, size);
}
