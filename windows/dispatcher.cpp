// Receiving end of the UI queue. Group records are copied word for word into the
// matching group of UI_data (the layouts are the same on both threads); then every view
// registered for the record's kind hears of it (records/ui_listeners.h), in the order the
// views registered at start-up. The history file's records (4, 5, 6, 171) are the history
// view's to take into UI_data: it must see where it stood in the old file first.
#include "windows/dispatcher.h"

#include <cstring>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "records/ui_listeners.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"
#include "windows/history_timing.h"

static_assert(sizeof(WindGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(RainGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(PressureGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(KORHistoryHeader) <= sizeof(UIRecord::payload));
// The clock part runs from clock_offset to clock_poll_timer without a gap: 21 words.
static_assert(offsetof(KORData, clock_poll_timer) + 4 - offsetof(KORData, clock_offset) == 21 * 4);

namespace {

constexpr int kFreshSeconds = 180;

template <typename Group>
void TakeGroup(Group *group, const UIRecord *r) {
    memcpy(group, r->payload, sizeof(Group));
    group->live_timer = kFreshSeconds;
}

void TakeStationHistoryHeader(const UIRecord *r) {
    memcpy(&UI_data.station_header, r->payload, sizeof UI_data.station_header);
    UI_data.history_header_valid = 1;
    UI_data.history_round_period = UI_data.station_header.interval_code;
    // A negative countdown leaves the last time; the countdown display moves it on.
    (void)GetRealTimeToNextKORDataSet(&UI_data.station_header.countdown,
                                      &UI_data.history_next_time);
}

// Marked fresh before any view redraws, so that fresh values are never drawn dimmed.
void TakeIntoUIData(const UIRecord *r) {
    MarkUIGroupDelivered(r->kind);
    switch (r->kind) {
    case 2:
        memcpy(&UI_data.clock_offset, r->payload, 21 * 4);
        UI_data.history_file_ok = 1;
        return;
    case 3: SetStationID(static_cast<uint8_t>(r->payload[0] & 0xFFu)); return;
    case 7: TakeGroup(&UI_data.wind, r); return;
    case 8: TakeGroup(&UI_data.indoor_temp, r); return;
    case 9: TakeGroup(&UI_data.outdoor_temp, r); return;
    case 10: TakeGroup(&UI_data.windchill, r); return;
    case 11: TakeGroup(&UI_data.dewpoint, r); return;
    case 12: TakeGroup(&UI_data.indoor_hum, r); return;
    case 13: TakeGroup(&UI_data.outdoor_hum, r); return;
    case 14: TakeGroup(&UI_data.alarm_enable, r); return;
    case 15: TakeGroup(&UI_data.alarm_state, r); return;
    case 16:
    case 17:
    case 18: TakeGroup(&UI_data.pressure, r); return;
    case 19: TakeGroup(&UI_data.rain, r); return;
    case 33: TakeStationHistoryHeader(r); return;
    default: return;
    }
}

}  // namespace

void DispatchUIRecord(const UIRecord *r) {
    if (r == nullptr) return;
    TakeIntoUIData(r);
    // Kinds no view listens to (31, 32, 35, 36, the failures 96 to 140) end here.
    HandUIRecordToListeners(r);
}

void ReadElementFromTSQ_to_UI(int queue, unsigned, int, void *) {
    int waiting = 0;
    while (CmtGetTSQAttribute(queue, ATTR_TSQ_ITEMS_IN_QUEUE, &waiting) >= 0 && waiting > 0) {
        UIRecord record;
        if (CmtReadTSQData(queue, &record, 1, TSQ_INFINITE_TIMEOUT, 0) != 1) return;
        DispatchUIRecord(&record);
    }
}
