// Defaults of the measured-values record and its countdown timers.
#include <cstring>
#include <gtest/gtest.h>

#include "records/setup_record.h"
#include "records/kor_data.h"

namespace {

struct Flags {
    int32_t live = 0;
    int32_t poll = 0;
};

void Tick(int32_t *live, int32_t *poll, Flags *f, int32_t seconds) {
    f->live = 0;
    f->poll = 0;
    DecrementTimer(live, poll, &f->live, &f->poll, &seconds);
}

TEST(KORData, Defaults) {
    snprintf(setup.history_file, sizeof setup.history_file, "%s", "/data/station/history.dat");
    KORData d;
    memset(&d, 0x5A, sizeof d);
    SetKORDataToDefault(&d);
    EXPECT_EQ(d.state_byte, 255);
    EXPECT_STREQ(d.history_file_name, "/data/station/history.dat");
    EXPECT_FLOAT_EQ(d.file_header.rain_offset, 0.418f);
    EXPECT_EQ(d.file_header.count, 0);
    EXPECT_EQ(d.station_header.interval_code, -1);
    EXPECT_EQ(d.station_header.countdown, 2);
    EXPECT_EQ(d.station_header.header_timer, 0);
    EXPECT_EQ(d.wind.direction, 16);
    EXPECT_EQ(d.wind.direction_alarm, 16);
    EXPECT_FLOAT_EQ(d.wind.limit_high, 50.0f);
    EXPECT_FLOAT_EQ(d.reception.tx_interval, 68.0f);
    EXPECT_FLOAT_EQ(d.outdoor_temp.limit_high, 30.0f);
    EXPECT_FLOAT_EQ(d.dewpoint.limit_low, -10.0f);
    EXPECT_FLOAT_EQ(d.indoor_hum.limit_high, 0.0f);
    EXPECT_FLOAT_EQ(d.pressure.limit_high, 1000.0f);
    const RainGroup zero{};
    EXPECT_EQ(memcmp(&d.rain, &zero, sizeof zero), 0);
    EXPECT_EQ(d.alarm_enable.flag[3], 0);
    EXPECT_EQ(d.clock_live_timer, 0);
    for (int i = 0; i < ALARM_ENTRY_COUNT; i++) {
        float expected = 0.0f;
        if (i >= ALARM_PRESS_ABS_LOW && i <= ALARM_PRESS_REL_HIGH)
            expected = 300.0f;
        if (i >= ALARM_IHUM_LOW && i <= ALARM_OHUM_HIGH)
            expected = 20.0f;
        EXPECT_FLOAT_EQ(d.alarm_values[i].value, expected) << "entry " << i;
        EXPECT_EQ(d.alarm_values[i].direction_mask, 0u);
    }
}

TEST(KORData, TimerPairCountsDownAndReportsOnce) {
    int32_t live = 5, poll = 3;
    Flags f;
    Tick(&live, &poll, &f, 4);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(poll, 0);
    EXPECT_EQ(f.live, 0);
    EXPECT_EQ(f.poll, 1);
    Tick(&live, &poll, &f, 4);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(poll, 0);
    EXPECT_EQ(f.live, 1);
    EXPECT_EQ(f.poll, 1);
    // A spent live timer stays quiet; a spent poll timer keeps asking.
    Tick(&live, &poll, &f, 1);
    EXPECT_EQ(f.live, 0);
    EXPECT_EQ(f.poll, 1);
    // A tick of 0 s asks for nothing new.
    live = 3;
    poll = 2;
    Tick(&live, &poll, &f, 0);
    EXPECT_EQ(live, 3);
    EXPECT_EQ(poll, 2);
    EXPECT_EQ(f.live + f.poll, 0);
}

TEST(KORData, LiveTimersOfAllGroups) {
    KORData d;
    SetKORDataToDefault(&d);
    const int32_t second = 1;
    // Every poll timer and the header timer far off; only the groups' live timers run.
    d.station_header.header_timer = 100;
    int32_t *const polls[] = {&d.reception.poll_timer, &d.clock_poll_timer, &d.wind.poll_timer,
                              &d.windchill.poll_timer, &d.dewpoint.poll_timer,
                              &d.indoor_temp.poll_timer, &d.outdoor_temp.poll_timer,
                              &d.indoor_hum.poll_timer, &d.outdoor_hum.poll_timer,
                              &d.pressure.poll_timer, &d.rain.poll_timer,
                              &d.alarm_enable.poll_timer, &d.alarm_state.poll_timer};
    for (int32_t *p : polls)
        *p = 100;
    int32_t expired = 7, due = 7;
    DecrementLiveTimers(&d, &expired, &due, &second);
    EXPECT_EQ(expired, 0);
    EXPECT_EQ(due, 0);
    EXPECT_EQ(d.station_header.header_timer, 99);
    EXPECT_EQ(d.rain.poll_timer, 99);

    // The reception and clock groups going stale is not reported...
    d.reception.live_timer = 1;
    d.clock_live_timer = 1;
    DecrementLiveTimers(&d, &expired, &due, &second);
    EXPECT_EQ(expired, 0);
    EXPECT_EQ(d.clock_live_timer, 0);
    // ...that of any measured group is.
    d.alarm_state.live_timer = 1;
    DecrementLiveTimers(&d, &expired, &due, &second);
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(due, 0);

    // One poll timer running out, or the header timer, makes the cycle due.
    d.windchill.poll_timer = 1;
    DecrementLiveTimers(&d, &expired, &due, &second);
    EXPECT_EQ(due, 1);
    d.windchill.poll_timer = 100;
    d.station_header.header_timer = 1;
    DecrementLiveTimers(&d, &expired, &due, &second);
    EXPECT_EQ(due, 1);
    EXPECT_EQ(d.station_header.header_timer, 0);
}

}  // namespace
