// The console answers every command byte with exactly one echo byte (or, after a read
// request, with a data block and its checksum), so the link never frames replies by
// silence: before each command both directions are flushed, and whatever arrives next
// belongs to that command. Judging the replies is the state machine's business; this
// module only opens the line, sends and delivers.
#include "station/link/kor_rs232.h"

#include "platform/runtime.h"
#include "platform/serial.h"
#include "station/link/kor_state_machine.h"

int32_t gm_comport = -1;

static double last_answer = 0.0;  // Timer() seconds
static bool unanswered = false;    // the last step went unanswered

int InitCommunication(int port) {
    if (port == gm_comport) return 0;
    if (gm_comport > 0) EndCommunication();

    const int opened = OpenComConfig(port, "", KOR_BAUD_RATE, 0, 8, 1, KOR_QUEUE_SIZE,
                                     KOR_QUEUE_SIZE);
    if (opened < 0) return opened;
    gm_comport = port;

    // The line-control results are not checked: a pseudo-terminal or an adapter without
    // modem lines refuses them, and the console is still reachable over such a line.
    SetCTSMode(port, 0);
    ComSetEscape(port, P12VOFF);
    ComSetEscape(port, M12VOFF);
    FlushInQ(port);
    FlushOutQ(port);
    InstallComCallback(port, LWRS_RXFLAG, 0, 0, KOR_ComCallback, nullptr);
    MarkConsoleAnswered();
    return 0;
}

void EndCommunication() {
    if (gm_comport < 0) return;
    // Results ignored on purpose: the port may already have vanished (unplugged
    // adapter), and it must be given up in any case.
    InstallComCallback(gm_comport, 0, 0, 0, KOR_ComCallback, nullptr);
    ComSetEscape(gm_comport, P12VOFF);
    ComSetEscape(gm_comport, M12VON);
    FlushOutQ(gm_comport);
    FlushInQ(gm_comport);
    CloseCom(gm_comport);
    gm_comport = -1;
}

void KOR_SEND_COMMAND(unsigned char command) {
    if (gm_comport <= 0) return;
    FlushInQ(gm_comport);
    FlushOutQ(gm_comport);
    // A failed write (the device has gone) is not reported here: no echo will come, and
    // the response timer armed below turns the silence into a time-out result.
    ComWrtByte(gm_comport, command);
    ArmResponseTimer(KOR_state.timeout);
}

void KOR_ComCallback(int /*port*/, int event_mask, void * /*callback_data*/) {
    if ((event_mask & LWRS_RXFLAG) == 0) return;
    if (gm_comport <= 0 || GetInQLen(gm_comport) < 1) return;
    KOR_ComCallbackHandler();
}

bool KOR_PortLost() {
    // A failed port answers every call with kComErrIO (see platform/serial.h).
    return gm_comport > 0 && GetInQLen(gm_comport) == kComErrIO;
}

void MarkConsoleAnswered() {
    last_answer = Timer();
    unanswered = false;
}

void MarkConsoleUnanswered() { unanswered = true; }

double SecondsConsoleSilent() { return unanswered ? Timer() - last_answer : 0.0; }
