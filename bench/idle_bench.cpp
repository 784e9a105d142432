// How much a thread costs while it waits for events under the relaxed sleep policy, as
// the communication thread does between polls, and how soon it still reacts: a thread
// sits in ProcessSystemEvents for 10 s and its CPU time is printed as a share of one
// core; then bytes arrive on a pseudo-terminal it listens to and the delay from sending
// to its receive callback is printed.
#include "platform/runtime.h"
#include "platform/serial.h"
#ifdef CH_HAVE_TEST_SUPPORT
#include "support/pty_peer.h"
#endif

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kIdleSeconds = 10.0;
constexpr int kBytes = 20;
constexpr int kPort = 31;

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct Shared {
    double cpu = 0;
    double wall = 0;
    int open_result = 1;
    std::atomic<bool> ready{false};
    std::atomic<bool> stop{false};
    std::atomic<double> sent_at{0};
    std::vector<double> delays;  // written by the idle thread only, read after it ends
};

void OnByte(int port, int, void *data) {
    auto *s = static_cast<Shared *>(data);
    const double now = Timer();
    while (ComRdByte(port) >= 0) {}
    s->delays.push_back(now - s->sent_at.load());
}

int Idle(void *data) {
    auto *s = static_cast<Shared *>(data);
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double wall0 = Timer();
    const double cpu0 = ThreadCpuSeconds();
    while (Timer() - wall0 < kIdleSeconds) ProcessSystemEvents();
    s->cpu = ThreadCpuSeconds() - cpu0;
    s->wall = Timer() - wall0;
    s->open_result = OpenComConfig(kPort, "", 2400, 0, 8, 1, 1298, 1298);
    if (s->open_result == 0) InstallComCallback(kPort, LWRS_RXFLAG, 0, 0, OnByte, s);
    s->ready = true;
    while (!s->stop) ProcessSystemEvents();
    if (s->open_result == 0) CloseCom(kPort);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Shared shared;
#ifdef CH_HAVE_TEST_SUPPORT
    PtyPeer peer;
    peer.LinkAs(kPort);
#endif
    CmtThreadFunctionID id = 0;
    if (CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, Idle, &shared, &id) != 0) return 1;
    while (!shared.ready) Delay(0.01);
    printf("idle thread: %.1f s waiting, %.4f s CPU = %.5f of one core\n", shared.wall,
           shared.cpu, shared.cpu / shared.wall);
#ifdef CH_HAVE_TEST_SUPPORT
    if (shared.open_result == 0) {
        for (int i = 0; i < kBytes; ++i) {
            shared.sent_at = Timer();
            peer.Write("x");
            Delay(0.1);
        }
    }
#endif
    shared.stop = true;
    CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0);
#ifdef CH_HAVE_TEST_SUPPORT
    unlink("COM31");
#endif
    std::vector<double> d = shared.delays;
    if (d.empty()) {
        printf("byte delay: not measured (no pseudo-terminal port)\n");
        return 0;
    }
    std::sort(d.begin(), d.end());
    printf("byte delay over %zu bytes: median %.3f ms, worst %.3f ms (worst / 1 ms = %.2f)\n",
           d.size(), d[d.size() / 2] * 1e3, d.back() * 1e3, d.back() * 1e3);
    return 0;
}
