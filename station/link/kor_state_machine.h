// The state machine that carries out one elementary exchange with the console at a time
// (identification, the four address bytes, a read with its data block, a nibble write or
// a bit write), driven by request codes, received bytes and timer ticks.
// It lives beside the requests and the port on purpose: a request posts to the machine,
// the machine's bytes go out through the port, and the port's arrivals drive the machine
// again, so the three call each other and are one piece of the link.
#pragma once
#include <cstdint>

#include "station/link/comm_timers.h"

enum KORStateNumber {
    IDLE = 0,
    GET_ID = 1,
    ADDRESS_1 = 2,
    ADDRESS_2 = 3,
    ADDRESS_3 = 4,
    ADDRESS_4 = 5,
    WRITE_NIBBLE = 6,
    READ_REQUEST = 7,
    READ_DATA = 8,
    SET_BIT = 9,
    CLEAR_BIT = 10,
};

struct KORState {
    int32_t state;           // current state number
    int32_t next_state;      // entered after a good reply
    int32_t timeout_state;   // entered when a time-out finds no retries left
    int32_t error_state;     // entered after a wrong reply or checksum
    uint8_t reply_mask;      // applied to a received byte before comparing
    uint8_t reply_expected;  // base of the expected reply
    uint8_t command;         // command byte of the current state, kept for re-sending
    int32_t retries;         // re-sends still allowed after a time-out
    double timeout;          // seconds without a reply before the response timer fires
};

extern KORState KOR_state;
// Handle of the communication thread's timer panel, 0 while it is not loaded.
extern int timer_panel;

constexpr double KOR_TIMEOUT_SHORT = 1.0;  // s, every command but a read request
constexpr double KOR_TIMEOUT_READ = 3.0;   // s, read request and between data bytes

// Every field but timeout to 0.
void InitStateVariable(KORState *record);
// Enters the state whose number *state holds (0..10; anything else does nothing) and
// sends its command byte.
void KOR_TransitToState(const int *state);
// Takes the request slot and enters the matching state. Returns 0.
int KOR_InMessageHandler();
// Judges one received byte in the current state. Returns 0.
int KOR_ComCallbackHandler();
// Reacts to a tick of the response timer. Returns 0.
int KOR_TimeoutHandler();
// Collects data bytes and the checksum of a read block.
void ReadKORDataInBuffer();

// Response timer: interval, restart, enable / disable, restart.
void ArmResponseTimer(double seconds);
void StopResponseTimer();

// Reception-pause timer: ticks in `seconds` (at least 0.1). Armed while no pause is on,
// its tick is the planned start of the next pause.
void ArmReceptionTimer(double seconds);
void DisarmReceptionTimer();
// The reception pause is on, or its planned start has passed while the thread was held
// up and its tick is still to come: the console must not be addressed either way.
bool ReceptionPauseBegun();

// Timer callbacks of the timer panel; they act on timer ticks only and return 0.
int KOR_Timeout(int panel, int control, int event, void *callback_data, int event_data1,
                int event_data2);
int DataPolling(int panel, int control, int event, void *callback_data, int event_data1,
                int event_data2);
