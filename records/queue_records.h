// Records of the two queues between the user-interface thread and the communication
// thread. Each crosses the queue as raw bytes, so the layouts are fixed.
#pragma once
#include <cstddef>
#include <cstdint>

struct CommandRecord {
    int32_t code;
    int32_t read_back;
    int32_t value_changed;
    float value;
    float value2;
    int32_t param;
    int32_t param2;
    int32_t enable_changed;
    int32_t enabled;
    char file_name[260];
};
static_assert(sizeof(CommandRecord) == 296);

struct UIRecord {
    int32_t kind;
    char text[260];
    uint32_t payload[30];
};
static_assert(sizeof(UIRecord) == 384);
static_assert(offsetof(UIRecord, payload) == 264);

// Payload of the link-state record (UI kind 150); the record's text holds the device the
// port resolves to. Sent once per change of state, so a console that stays away costs
// one record, not one per attempt.
enum LinkState : int32_t {
    LINK_CONNECTED = 1,    // the console answers
    LINK_SILENT = 2,       // the port is open, the console has not answered since `since`
    LINK_CANNOT_OPEN = 3,  // the port cannot be opened, for `reason`
};
enum LinkReason : int32_t {
    LINK_REASON_NONE = 0,
    LINK_REASON_MISSING = 1,  // no device there: it is picked up when it appears
    LINK_REASON_ACCESS = 2,   // this user may not open it (not in the dialout group)
    LINK_REASON_OTHER = 3,    // busy or refused
};
struct LinkStatePayload {
    int32_t state;   // LinkState
    int32_t port;    // port number n (COMn)
    int32_t reason;  // LinkReason, LINK_REASON_NONE unless LINK_CANNOT_OPEN
    uint32_t since;  // UTC seconds: last answer (LINK_SILENT), else the time of the change
};
static_assert(sizeof(LinkStatePayload) <= sizeof(UIRecord::payload));

constexpr int TSQ_CAPACITY = 1000;
