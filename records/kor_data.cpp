// Defaults and countdown timers of the measured-values record. Both threads start their
// copy from the same defaults; the timers decide when the polling cycle reads a group
// again and when the display treats a group as stale.
#include "records/kor_data.h"

#include <cstdio>
#include <cstring>

#include "records/setup_record.h"

static void SetTempGroupToDefault(TempGroup *group, float high, float low) {
    memset(group, 0, sizeof *group);
    group->limit_high = high;
    group->limit_low = low;
}

void SetKORDataToDefault(KORData *data) {
    memset(data, 0, sizeof *data);
    data->state_byte = 255;
    snprintf(data->history_file_name, sizeof data->history_file_name, "%s",
             setup.history_file);
    SetFileHistoryHeaderToDefault(&data->file_header);
    SetKORHistoryHeaderToDefault(&data->station_header);

    data->reception.tx_interval = 68.0f;
    data->wind.limit_high = 50.0f;
    data->wind.direction = 16;
    data->wind.direction_alarm = 16;
    TempGroup *const temperatures[] = {&data->indoor_temp, &data->outdoor_temp,
                                       &data->windchill, &data->dewpoint};
    for (TempGroup *group : temperatures)
        SetTempGroupToDefault(group, 30.0f, -10.0f);
    SetTempGroupToDefault(&data->indoor_hum, 0.0f, 0.0f);
    SetTempGroupToDefault(&data->outdoor_hum, 0.0f, 0.0f);
    data->pressure.limit_high = 1000.0f;

    for (int i = ALARM_PRESS_ABS_LOW; i <= ALARM_PRESS_REL_HIGH; i++)
        data->alarm_values[i].value = 300.0f;
    for (int i = ALARM_IHUM_LOW; i <= ALARM_OHUM_HIGH; i++)
        data->alarm_values[i].value = 20.0f;
}

void DecrementTimer(int32_t *live, int32_t *poll, int32_t *live_flag, int32_t *poll_flag,
                    const int32_t *elapsed) {
    if (*live > 0) {
        *live -= *elapsed;
        if (*live < 1) {
            *live = 0;
            *live_flag = 1;
        }
    }
    *poll -= *elapsed;
    if (*poll < 1) {
        *poll = 0;
        *poll_flag = 1;
    }
}

void DecrementLiveTimers(KORData *data, int32_t *any_live_expired, int32_t *any_poll_due,
                         const int32_t *elapsed) {
    *any_live_expired = 0;
    *any_poll_due = 0;
    // The reception and clock groups go stale without anything to redraw.
    int32_t unreported = 0;
    DecrementTimer(&data->reception.live_timer, &data->reception.poll_timer, &unreported,
                   any_poll_due, elapsed);
    DecrementTimer(&data->clock_live_timer, &data->clock_poll_timer, &unreported, any_poll_due,
                   elapsed);

    struct TimerPair {
        int32_t *live;
        int32_t *poll;
    };
    const TimerPair pairs[] = {
        {&data->wind.live_timer, &data->wind.poll_timer},
        {&data->windchill.live_timer, &data->windchill.poll_timer},
        {&data->dewpoint.live_timer, &data->dewpoint.poll_timer},
        {&data->indoor_temp.live_timer, &data->indoor_temp.poll_timer},
        {&data->outdoor_temp.live_timer, &data->outdoor_temp.poll_timer},
        {&data->indoor_hum.live_timer, &data->indoor_hum.poll_timer},
        {&data->outdoor_hum.live_timer, &data->outdoor_hum.poll_timer},
        {&data->pressure.live_timer, &data->pressure.poll_timer},
        {&data->rain.live_timer, &data->rain.poll_timer},
        {&data->alarm_enable.live_timer, &data->alarm_enable.poll_timer},
        {&data->alarm_state.live_timer, &data->alarm_state.poll_timer},
    };
    for (const TimerPair &pair : pairs)
        DecrementTimer(pair.live, pair.poll, any_live_expired, any_poll_due, elapsed);

    data->station_header.header_timer -= *elapsed;
    if (data->station_header.header_timer < 1) {
        data->station_header.header_timer = 0;
        *any_poll_due = 1;
    }
}
