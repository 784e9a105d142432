// stationsim: a simulated weather station console on a pseudo-terminal, linked under a
// name the program opens as its serial port. Runs until SIGINT or SIGTERM; SIGHUP pulls
// its cable and plugs it back in.
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "sim/stationsim.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_dump_state = 0;
volatile sig_atomic_t g_dump_memory = 0;
volatile sig_atomic_t g_pull_cable = 0;

void OnSignal(int sig) {
    if (sig == SIGUSR1) g_dump_state = 1;
    else if (sig == SIGUSR2) g_dump_memory = 1;
    else if (sig == SIGHUP) g_pull_cable = 1;
    else g_stop = 1;
}

}  // namespace

int main(int argc, char **argv) {
    SimOptions opts;
    std::string link, error;
    const int parsed = ParseSimOptions(argc, argv, &opts, &link, &error);
    if (parsed == 1) {
        fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    if (parsed < 0) {
        fprintf(stderr, "stationsim: %s\n%s", error.c_str(), SimUsage().c_str());
        return 2;
    }
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2, SIGHUP}) sigaction(sig, &sa, nullptr);
    StationSim *sim = StartStationSim(opts, link.c_str(), &error);
    if (!sim) {
        fprintf(stderr, "stationsim: %s\n", error.c_str());
        return 1;
    }
    printf("stationsim: console id %d on %s, linked as %s\n", opts.variant, StationSimDevice(sim).c_str(), link.c_str());
    fflush(stdout);
    while (!g_stop) {
        usleep(50 * 1000);
        if (g_pull_cable) {
            g_pull_cable = 0;
            if (StationSimPresent(sim) ? StationSimVanish(sim) : StationSimReturn(sim))
                printf("stationsim: line %s\n", StationSimPresent(sim) ? "back" : "pulled");
            fflush(stdout);
        }
        if (g_dump_state || g_dump_memory) {
            fputs(StationSimDump(sim, g_dump_memory != 0).c_str(), stdout);
            fflush(stdout);
            g_dump_state = 0;
            g_dump_memory = 0;
        }
    }
    StopStationSim(sim);
    return 0;
}
