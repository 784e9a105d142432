// The blocking side of the link. A reader or writer fills KOR_descriptor and calls one
// request function; the function posts request codes to the state machine one at a time
// and, for each, processes the communication thread's events until the machine posts
// its result. Everything runs on the communication thread, so the one-slot mailboxes and
// the busy flag need no lock: the flag only keeps a request from being started from
// inside the event processing of another.
#include "station/link/kor_requests.h"

#include "station/link/line_quality.h"

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/link/kor_state_machine.h"
#include "station/link/kor_rs232.h"

KORDescriptor KOR_descriptor;
int32_t KOR_message_in_queue = 0;
int32_t KOR_message_out_queue = 0;

static constexpr int kDataSize = static_cast<int>(sizeof KOR_descriptor.data);
static constexpr int kMaxReadCount = 15;  // the read command carries the count in 4 bits

int GetNextMessageInQueue() {
    const int code = KOR_message_in_queue;
    KOR_message_in_queue = 0;
    return code;
}

void FlushMessageInQueue() { KOR_message_in_queue = 0; }

int PutMessageIntoInQueue(int code) {
    // A pause that is on refuses the request; one whose planned start passed while the
    // thread was held up lets its overdue tick decide first.
    if (ReceptionPauseBegun()) {
        const bool on = flag_reception_pause == 1;
        ProcessSystemEvents();
        if (on || flag_reception_pause == 1) return -1;
    }
    // Without an open port no command can be sent and no response timer armed, so the
    // request would wait for ever: refuse it instead.
    if (gm_comport <= 0) return -1;
    if (code != 0) flag_KOR_state_machine_busy = 1;
    // A result left over from an exchange whose wait was cut short (quit, reception
    // pause) must never be taken as the answer to this request.
    FlushMessageOutQueue();
    KOR_message_in_queue = code;
    KOR_InMessageHandler();
    return 0;
}

int GetNextMessageOutQueue() {
    const int code = KOR_message_out_queue;
    KOR_message_out_queue = 0;
    return code;
}

void FlushMessageOutQueue() { KOR_message_out_queue = 0; }

int PutMessageIntoOutQueue(int code) {
    KOR_message_out_queue = code;
    return 0;
}

int UserWaitMessage(int expected) {
    int result = 0;
    for (;;) {
        result = GetNextMessageOutQueue();
        if (result != 0) break;
        if (flag_quit.load() != 0 || flag_KOR_state_machine_busy != 1 ||
            flag_reception_pause == 1)
            break;
        ProcessSystemEvents();
    }
    flag_KOR_state_machine_busy = 0;
    SetSleepPolicy(VAL_SLEEP_MORE);
    if (result == expected) {
        MarkConsoleAnswered();
        return 0;
    }
    // A wait cut short (quit, a reception pause) says nothing about the console, and
    // neither does an exchange the state machine ended because a reception pause began:
    // it was not let finish, so the console did not leave it unanswered.
    if (result != 0 && !ReceptionPauseBegun()) MarkConsoleUnanswered();
    return -1;
}

// One step of a request: post, then wait for the one result that means success.
static int Exchange(int code, int expected) {
    MarkRequestStarted();
    if (PutMessageIntoInQueue(code) != 0) return -1;
    CountLineExchange();
    const int result = UserWaitMessage(expected);
    EndLineExchange(result == 0);
    return result;
}

int GetIDFromKOR() {
    if (flag_KOR_state_machine_busy == 1) return -2;
    return Exchange(IN_GET_ID, OUT_ID_READ);
}

int ReadDataFromKOR() {
    if (flag_KOR_state_machine_busy == 1) return -2;
    // A count the read command cannot carry would ask the console for another length
    // than the one collected; refuse it before anything is sent.
    if (KOR_descriptor.count < 1 || KOR_descriptor.count > kMaxReadCount) return -1;
    if (Exchange(IN_SEND_ADDRESS, OUT_ADDRESS_DONE) != 0) return -1;
    return Exchange(IN_READ, OUT_DATA_READ);
}

// Counts one acknowledged nibble, so that a failed write resumes after it.
static void AdvanceWrittenNibble() {
    KORDescriptor &k = KOR_descriptor;
    k.index = static_cast<uint16_t>(k.index + 1);
    k.nibbles_to_write = static_cast<uint16_t>(k.nibbles_to_write - 1);
    k.address = static_cast<uint16_t>(k.address + 1);
}

int WriteDataToKOR() {
    if (flag_KOR_state_machine_busy == 1) return -2;
    KORDescriptor &k = KOR_descriptor;
    if (k.index + k.nibbles_to_write > kDataSize) return -1;  // would send beyond data
    // A console of identification 1 does not advance its address after a write: it is
    // sent again before every nibble.
    const bool address_each_nibble = GetStationID() == 1;
    if (!address_each_nibble && Exchange(IN_SEND_ADDRESS, OUT_ADDRESS_DONE) != 0) return -1;
    while (k.nibbles_to_write > 0) {
        if (address_each_nibble && Exchange(IN_SEND_ADDRESS, OUT_ADDRESS_DONE) != 0)
            return -1;
        if (Exchange(IN_WRITE_NIBBLE, OUT_NIBBLE_WRITTEN) != 0) return -1;
        AdvanceWrittenNibble();
    }
    return 0;
}

int WriteBitToKOR() {
    if (flag_KOR_state_machine_busy == 1) return -2;
    if (KOR_descriptor.index >= kDataSize) return -1;
    if (Exchange(IN_SEND_ADDRESS, OUT_ADDRESS_DONE) != 0) return -1;
    if (Exchange(IN_SEND_ADDRESS, OUT_ADDRESS_DONE) != 0) return -1;
    if (KOR_descriptor.bit_value != 0) return Exchange(IN_SET_BIT, OUT_BIT_SET);
    return Exchange(IN_CLEAR_BIT, OUT_BIT_CLEARED);
}
