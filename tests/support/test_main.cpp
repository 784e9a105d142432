// One main for every test program: an offscreen application object exists for the whole
// run, so that platform services (threads, timers, panels) behave as in the program.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/engine.h"

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A first start takes its date order from the locale: every run, and every program a
    // test starts, sees the same neutral one unless a test chooses another.
    setenv("LC_ALL", "C.UTF-8", 1);
    // Programs a test starts (clearhorizon, stationsim) inherit these: system libraries
    // such as fontconfig keep allocations to the end, which is no leak of ours.
    setenv("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1", 0);
    setenv("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1", 0);
    ChooseThreadEventDispatcher();  // threads wait for events as in the program
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
