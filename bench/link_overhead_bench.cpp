// Software overhead of one command/echo exchange: the link against a peer that answers
// at once over a pseudo-terminal, so that nearly all of the measured time is the link's
// own (posting, state machine, event delivery, the wait). Printed as a fraction of the
// wire time of the same two bytes at 2400 baud; the goal is at most 0.05.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "records/setup_record.h"
#include "support/link_thread.h"
#include "support/scripted_peer.h"
#include "support/temp_folder.h"
#include "station/link/kor_requests.h"

namespace {

constexpr int kPort = 3;
constexpr int kWarmUp = 20;
constexpr int kExchanges = 500;
// Two bytes of 10 bits (start, 8 data, stop) at 2400 baud.
constexpr double kWireSeconds = 2.0 * 10.0 / 2400.0;

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TempFolder folder;
    ScriptedPeer peer(kPort);
    peer.AnswerLikeConsole(2);

    double elapsed = 0;
    int failures = 0;
    const int opened = RunWithStationLink(kPort, [&] {
        for (int i = 0; i < kWarmUp; ++i) failures += GetIDFromKOR() != 0;
        const double start = Seconds();
        for (int i = 0; i < kExchanges; ++i) failures += GetIDFromKOR() != 0;
        elapsed = Seconds() - start;
    });
    if (opened != 0) {
        fprintf(stderr, "link_overhead: cannot open the link (%d)\n", opened);
        return 1;
    }
    const double mean = elapsed / kExchanges;
    printf("link_overhead: %d exchanges, %d failed, mean %.3f ms per exchange\n", kExchanges,
           failures, mean * 1000.0);
    printf("link_overhead: ratio to wire time of two bytes at 2400 baud (%.2f ms): %.4f "
           "(goal <= 0.05)\n",
           kWireSeconds * 1000.0, mean / kWireSeconds);
    return failures == 0 ? 0 : 1;
}
