// Storage of UI_data; its defaults are set at start-up by the display code.
#include "records/ui_data.h"

KORData UI_data;

namespace {

unsigned delivered = 0;  // bit (kind - 7) for kinds 7 to 19

int GroupBit(int kind) {
    if (kind == 17 || kind == 18) kind = 16;  // one pressure group, three records
    return kind >= 7 && kind <= 19 ? kind - 7 : -1;
}

}  // namespace

void MarkUIGroupDelivered(int kind) {
    const int bit = GroupBit(kind);
    if (bit >= 0) delivered |= 1u << bit;
}

bool UIGroupDelivered(int kind) {
    const int bit = GroupBit(kind);
    return bit >= 0 && (delivered & (1u << bit)) != 0;
}

void ForgetUIGroupsDelivered() { delivered = 0; }

void MarkUIGroupsStale() {
    int32_t *const timers[] = {
        &UI_data.wind.live_timer,        &UI_data.indoor_temp.live_timer,
        &UI_data.outdoor_temp.live_timer, &UI_data.windchill.live_timer,
        &UI_data.dewpoint.live_timer,    &UI_data.indoor_hum.live_timer,
        &UI_data.outdoor_hum.live_timer, &UI_data.alarm_enable.live_timer,
        &UI_data.alarm_state.live_timer, &UI_data.pressure.live_timer,
        &UI_data.rain.live_timer,        &UI_data.reception.live_timer,
    };
    for (int32_t *timer : timers) *timer = 0;
}
