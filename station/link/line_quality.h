// How well the serial line works: every exchange with the console is counted, and every
// fault by its cause (a wrong echo, a wrong checksum, no answer), per hour and since the
// thread started, with pulled cables and the last fault and its time. The user sees it
// on the link line's tooltip; MQTT publishes it. Communication thread only; what the
// other threads see is the copy in a UI record.
#pragma once
#include <cstdint>

enum LineFault : int32_t {
    LINE_FAULT_NONE = 0,
    LINE_FAULT_ECHO = 1,      // the console echoed another byte than the command's
    LINE_FAULT_CHECKSUM = 2,  // a data block whose sum did not match
    LINE_FAULT_NO_ANSWER = 3, // the response timer ran out
    LINE_FAULT_CABLE = 4,     // the port failed: the device went or hung up
};

struct LineCounts {
    uint32_t exchanges;  // every request step (identification, address, read, write)
    uint32_t clean;      // of those, answered right the first time
    uint32_t wrong_echoes;
    uint32_t wrong_checksums;
    uint32_t no_answers;
};

// Payload of UI record kind 175 (UI_LINE_QUALITY).
struct LineQualityPayload {
    LineCounts hour;       // the last 60 minutes
    LineCounts total;      // since the thread started
    uint32_t pulled_cables;
    uint32_t last_fault_utc;  // 0: none yet
    int32_t last_fault;       // LineFault
};
static_assert(sizeof(LineQualityPayload) == 13 * 4);

// Thread start: everything to 0.
void ResetLineQuality();
// An exchange begins / ends (answered as expected or not).
void CountLineExchange();
void EndLineExchange(bool answered);
void CountLineFault(LineFault fault);
// The counts now, the hour ending at utc_now.
void GetLineQuality(uint32_t utc_now, LineQualityPayload *out);
// Whether anything was counted since the last call (for reporting changes only).
bool LineQualityChanged();
