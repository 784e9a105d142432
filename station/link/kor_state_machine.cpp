// One exchange with the console runs IDLE -> one or more states -> IDLE and posts exactly
// one result code. Every state knows its command byte, the reply it expects and how long
// to wait; the machine is driven only by callbacks on the communication thread (a request
// code, a received byte, a timer tick) and never blocks. Blocking belongs to the request
// functions, which wait for the result while processing the thread's events.
#include "station/link/kor_state_machine.h"

#include "station/link/line_quality.h"

#include "station/link/comm_timers.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/serial.h"
#include "station/link/comm_flags.h"
#include "station/link/kor_requests.h"
#include "station/link/kor_rs232.h"

KORState KOR_state;
int timer_panel = 0;

static constexpr int kDataSize = static_cast<int>(sizeof KOR_descriptor.data);

void InitStateVariable(KORState *record) {
    const double timeout = record->timeout;
    *record = KORState{};
    record->timeout = timeout;
}

void ArmResponseTimer(double seconds) {
    SetCtrlAttribute(timer_panel, TIMERP_RESPONSE, ATTR_INTERVAL, seconds);
    ResetTimer(timer_panel, TIMERP_RESPONSE);
    SetCtrlAttribute(timer_panel, TIMERP_RESPONSE, ATTR_ENABLED, 1);
}

void StopResponseTimer() {
    SetCtrlAttribute(timer_panel, TIMERP_RESPONSE, ATTR_ENABLED, 0);
    ResetTimer(timer_panel, TIMERP_RESPONSE);
}

// Timer() instant the planned pause begins, 0 when none is planned. A thread held up
// (a loaded machine, a slow disc) handles a reply that came meanwhile before the
// overdue tick, and would send on into the window.
static double reception_pause_due = 0.0;
// A tick still missing this long after its time will not come (the panel went with the
// link): the plan no longer holds anything back.
static constexpr double kReceptionTickOverdueLimit = 5.0;

void ArmReceptionTimer(double seconds) {
    if (seconds < 0.1) seconds = 0.1;
    SetCtrlAttribute(timer_panel, TIMERP_RECEPTION, ATTR_INTERVAL, seconds);
    ResetTimer(timer_panel, TIMERP_RECEPTION);
    SetCtrlAttribute(timer_panel, TIMERP_RECEPTION, ATTR_ENABLED, 1);
    reception_pause_due = flag_reception_pause == 1 ? 0.0 : Timer() + seconds;
}

void DisarmReceptionTimer() {
    if (timer_panel > 0) SetCtrlAttribute(timer_panel, TIMERP_RECEPTION, ATTR_ENABLED, 0);
    reception_pause_due = 0.0;
}

bool ReceptionPauseBegun() {
    if (flag_reception_pause == 1) return true;
    if (reception_pause_due == 0.0) return false;
    const double late = Timer() - reception_pause_due;
    return late >= 0.0 && late < kReceptionTickOverdueLimit;
}

// The data bytes wake the thread themselves; the tick only catches one whose notice went
// missing. Its period (a quarter second, in the panel resource) is well below the data
// time-out, and longer than a whole block takes at 2400 baud, so that a block read
// normally ends before the first tick instead of waking the thread for it.
static void StartDataPolling() {
    ResetTimer(timer_panel, TIMERP_DATAPOLL);
    SetCtrlAttribute(timer_panel, TIMERP_DATAPOLL, ATTR_ENABLED, 1);
}

// The data element the next write or bit command carries. The request functions never
// let index run past the array; the bound keeps a stray call inside it all the same.
static uint8_t CurrentDataElement() {
    const int index = KOR_descriptor.index;
    return index < kDataSize ? KOR_descriptor.data[index] : 0;
}

// The address nibble that an address state sends: bits 15..12, 11..8, 7..4, 3..0.
static uint8_t AddressNibble(int state) {
    const int shift = 4 * (ADDRESS_4 - state);
    return static_cast<uint8_t>((KOR_descriptor.address >> shift) & 0x0F);
}

// Fields of a state entered with a command byte.
static KORState CommandState(int state, int next_state, uint8_t mask, uint8_t expected,
                             uint8_t command, int retries, double timeout) {
    KORState s{};
    s.state = state;
    s.next_state = next_state;
    s.timeout_state = IDLE;
    s.error_state = IDLE;
    s.reply_mask = mask;
    s.reply_expected = expected;
    s.command = command;
    s.retries = retries;
    s.timeout = timeout;
    return s;
}

static void EnterIdle() {
    // The data-poll timer serves the data phase of a read alone; left running it would
    // wake the thread twenty times a second while nothing is read.
    if (KOR_state.state == READ_DATA)
        SetCtrlAttribute(timer_panel, TIMERP_DATAPOLL, ATTR_ENABLED, 0);
    KOR_state = CommandState(IDLE, IDLE, 0, 0, 0, 0, KOR_TIMEOUT_SHORT);
    StopResponseTimer();
}

static void EnterReadData() {
    KOR_state = CommandState(READ_DATA, IDLE, 0, 0, 0, 0, KOR_TIMEOUT_READ);
    KOR_descriptor.index = 0;
    StartDataPolling();
    ArmResponseTimer(KOR_TIMEOUT_READ);
}

static KORState AddressState(int state) {
    const uint16_t a = KOR_descriptor.address;
    switch (state) {
    case ADDRESS_1:
        return CommandState(ADDRESS_1, ADDRESS_2, 0xFF, static_cast<uint8_t>(0x00 | (a >> 12)),
                            static_cast<uint8_t>(0x82 | ((a & 0xF000) >> 10)), 0,
                            KOR_TIMEOUT_SHORT);
    case ADDRESS_2:
        return CommandState(ADDRESS_2, ADDRESS_3, 0xFF,
                            static_cast<uint8_t>(0x10 | ((a >> 8) & 0x0F)),
                            static_cast<uint8_t>(0x82 | ((a & 0x0F00) >> 6)), 0,
                            KOR_TIMEOUT_SHORT);
    case ADDRESS_3:
        return CommandState(ADDRESS_3, ADDRESS_4, 0xFF,
                            static_cast<uint8_t>(0x20 | ((a >> 4) & 0x0F)),
                            static_cast<uint8_t>(0x82 | ((a & 0x00F0) >> 2)), 0,
                            KOR_TIMEOUT_SHORT);
    default:
        return CommandState(ADDRESS_4, IDLE, 0xFF, static_cast<uint8_t>(0x30 | (a & 0x0F)),
                            static_cast<uint8_t>(0x82 | ((a & 0x000F) << 2)), 0,
                            KOR_TIMEOUT_SHORT);
    }
}

// An echoed command: the console answers the command byte shifted right by two.
static KORState EchoState(int state, uint8_t command, int retries) {
    return CommandState(state, IDLE, 0xFF, static_cast<uint8_t>(command >> 2), command, retries,
                        KOR_TIMEOUT_SHORT);
}

void KOR_TransitToState(const int *state) {
    // Copied first: callers pass fields of KOR_state, which is rewritten below.
    const int target = *state;
    const uint8_t d = CurrentDataElement();
    const uint16_t m = KOR_descriptor.count;
    KORState s{};
    switch (target) {
    case IDLE:
        EnterIdle();
        return;
    case READ_DATA:
        EnterReadData();
        return;
    case GET_ID:
        s = CommandState(GET_ID, IDLE, 0xC0, 0x00, 0x06, 0, KOR_TIMEOUT_SHORT);
        break;
    case ADDRESS_1:
    case ADDRESS_2:
    case ADDRESS_3:
    case ADDRESS_4:
        s = AddressState(target);
        break;
    case WRITE_NIBBLE:
        s = EchoState(WRITE_NIBBLE, static_cast<uint8_t>(0x42 | ((d & 0x0F) << 2)), 0);
        break;
    case READ_REQUEST:
        s = CommandState(READ_REQUEST, READ_DATA, 0xFF, static_cast<uint8_t>(0x30 | m),
                         static_cast<uint8_t>(0xC2 | ((m & 0x0F) << 2)), 1, KOR_TIMEOUT_READ);
        break;
    case SET_BIT:
        s = EchoState(SET_BIT, static_cast<uint8_t>(0x12 | ((d & 3) << 2)), 1);
        break;
    case CLEAR_BIT:
        s = EchoState(CLEAR_BIT, static_cast<uint8_t>(0x32 | ((d & 3) << 2)), 1);
        break;
    default:
        return;
    }
    KOR_state = s;
    KOR_SEND_COMMAND(s.command);
}

int KOR_InMessageHandler() {
    int target;
    switch (GetNextMessageInQueue()) {
    case IN_SEND_ADDRESS: target = ADDRESS_1; break;
    case IN_GET_ID: target = GET_ID; break;
    case IN_READ: target = READ_REQUEST; break;
    case IN_WRITE_NIBBLE: target = WRITE_NIBBLE; break;
    case IN_CLEAR_BIT: target = CLEAR_BIT; break;
    case IN_SET_BIT: target = SET_BIT; break;
    default: return 0;
    }
    KOR_TransitToState(&target);
    return 0;
}

static void Succeed(int result) {
    if (result != 0) PutMessageIntoOutQueue(result);
    // An address goes out nibble by nibble as the echoes come; a reception pause that
    // began meanwhile ends the exchange here instead of sending on into the window.
    const int next = KOR_state.next_state;
    if (ReceptionPauseBegun() && next >= ADDRESS_1 && next <= ADDRESS_4) {
        PutMessageIntoOutQueue(OUT_TIMEOUT);
        EnterIdle();
        return;
    }
    KOR_TransitToState(&next);
}

static void Fail(int result) {
    CountLineFault(result == OUT_BAD_CHECKSUM ? LINE_FAULT_CHECKSUM : LINE_FAULT_ECHO);
    PutMessageIntoOutQueue(result);
    KOR_TransitToState(&KOR_state.error_state);
}

static bool Matches(uint8_t byte, uint8_t expected) {
    return (byte & KOR_state.reply_mask) == expected;
}

// The result a good reply to an echoed command posts.
static int EchoResult(int state) {
    if (state == WRITE_NIBBLE) return OUT_NIBBLE_WRITTEN;
    return state == SET_BIT ? OUT_BIT_SET : OUT_BIT_CLEARED;
}

// Judges byte b in a state that waits for one reply byte.
static void JudgeReply(int state, uint8_t b) {
    const uint8_t expected = KOR_state.reply_expected;
    switch (state) {
    case GET_ID:
        if (!Matches(b, expected)) break;
        KOR_descriptor.id_byte = b;
        Succeed(OUT_ID_READ);
        return;
    case ADDRESS_1:
    case ADDRESS_2:
    case ADDRESS_3:
    case ADDRESS_4:
        if (!Matches(b, static_cast<uint8_t>(expected | AddressNibble(state)))) break;
        Succeed(state == ADDRESS_4 ? OUT_ADDRESS_DONE : 0);
        return;
    case READ_REQUEST:
        if (!Matches(b, static_cast<uint8_t>(expected | KOR_descriptor.count))) break;
        Succeed(0);
        // The block often follows the echo in the same delivery; take what is there
        // now rather than at the next data-poll tick.
        ReadKORDataInBuffer();
        return;
    default:  // WRITE_NIBBLE, SET_BIT, CLEAR_BIT
        if (!Matches(b, expected)) break;
        Succeed(EchoResult(state));
        return;
    }
    Fail(OUT_BAD_ECHO);
}

int KOR_ComCallbackHandler() {
    const int state = KOR_state.state;
    if (state < GET_ID || state > CLEAR_BIT) return 0;  // IDLE: left for the next flush
    if (state == READ_DATA) {
        ReadKORDataInBuffer();
        return 0;
    }
    const int received = ComRdByte(gm_comport);
    // Nothing readable (the device failed): nothing to judge; the response timer ends
    // the exchange.
    if (received < 0) return 0;
    JudgeReply(state, static_cast<uint8_t>(received));
    return 0;
}

void ReadKORDataInBuffer() {
    if (gm_comport <= 0) return;
    KORDescriptor &k = KOR_descriptor;
    while (k.index < k.count && k.index < kDataSize && GetInQLen(gm_comport) > 0) {
        const int b = ComRdByte(gm_comport);
        if (b < 0) return;
        k.data[k.index] = static_cast<uint8_t>(b);
        k.index = static_cast<uint16_t>(k.index + 1);
        // The data time-out runs from the last byte received, not from the request.
        ArmResponseTimer(KOR_state.timeout);
    }
    if (k.index != k.count || GetInQLen(gm_comport) < 1) {
        // The rest of the block follows at the line's pace; taken together near the end of
        // its wire time it wakes the thread twice, not once a byte.
        ComAwaitBytes(gm_comport, k.count - k.index + 1);
        return;
    }

    const int checksum = ComRdByte(gm_comport);
    if (checksum < 0) return;
    unsigned sum = 0;
    for (int i = 0; i < k.count; ++i) sum += k.data[i];
    if ((sum & 0xFF) == static_cast<unsigned>(checksum))
        Succeed(OUT_DATA_READ);
    else
        Fail(OUT_BAD_CHECKSUM);
    StopResponseTimer();
}

// States whose command is sent again when the response timer fires with retries left.
static bool ResendsOnTimeout(int state) {
    return state == GET_ID || (state >= ADDRESS_1 && state <= ADDRESS_4) ||
           state == READ_REQUEST || state == SET_BIT || state == CLEAR_BIT;
}

int KOR_TimeoutHandler() {
    // A tick that was already under way when the exchange ended has nothing to end; a
    // time-out posted now would be taken as the result of the next request.
    if (KOR_state.state == IDLE) return 0;
    // Inside a reception pause the console was not asked: its silence is no line fault.
    if (!ReceptionPauseBegun()) CountLineFault(LINE_FAULT_NO_ANSWER);
    if (KOR_state.retries < 1) {
        PutMessageIntoOutQueue(OUT_TIMEOUT);
        KOR_TransitToState(&KOR_state.timeout_state);
        return 0;
    }
    KOR_state.retries -= 1;
    // During a reception pause the console must not be addressed: the retry is spent
    // without sending, and the next tick ends the exchange.
    if (ResendsOnTimeout(KOR_state.state) && !ReceptionPauseBegun())
        KOR_SEND_COMMAND(KOR_state.command);
    return 0;
}

int KOR_Timeout(int, int, int event, void *, int, int) {
    if (event == EVENT_TIMER_TICK) KOR_TimeoutHandler();
    return 0;
}

int DataPolling(int, int, int event, void *, int, int) {
    if (event == EVENT_TIMER_TICK && KOR_state.state == READ_DATA) ReadKORDataInBuffer();
    return 0;
}
