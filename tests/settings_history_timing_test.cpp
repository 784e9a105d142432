// Round history intervals and the instants of the station's next data set, at fixed
// times and clock offsets.
#include <gtest/gtest.h>

#include "windows/history_timing.h"

namespace {

// A local-time count on a whole day: 2023-11-14 00:00:00 in the count's own zone.
constexpr uint32_t kMidnight = 1699920000u;

TEST(HistoryTiming, RoundPeriods) {
    struct Case {
        int period;
        int round;  // 0: not round
    };
    const Case cases[] = {{1440, 1440}, {720, 720}, {360, 360}, {240, 240}, {120, 120},
                          {60, 60},     {30, 30},   {20, 20},   {15, 15},   {50, 10},
                          {90, 10},     {1430, 10}, {10, 10},   {5, 5},     {25, 0},
                          {45, 0},      {1, 0},     {0, 0},     {-10, 0},   {7, 0}};
    for (const Case &c : cases) {
        int round = -1;
        EXPECT_EQ(CheckRoundPeriod(c.period, &round), c.round != 0 ? 1 : 0) << c.period;
        EXPECT_EQ(round, c.round != 0 ? c.round : -1) << c.period;
    }
}

TEST(HistoryTiming, NextRoundBoundaryOfTheStationClock) {
    uint32_t next = 0;
    // 10:17:23 -> 11:00:00 for an hourly interval.
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(60, kMidnight + 37043, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 11 * 3600);
    // Exactly on a boundary: the next one, not this one.
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(60, kMidnight + 11 * 3600, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 12 * 3600);
    // Daily, and every 5 minutes.
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(1440, kMidnight + 37043, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 86400);
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(5, kMidnight + 37043, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 37200);
    // The station's clock runs 90.7 s behind (offset cut to 90 s): its hour ends 90 s
    // later on the PC's clock.
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(60, kMidnight + 37043, 90.7f, &next), 0);
    EXPECT_EQ(next, kMidnight + 11 * 3600 + 90);
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(60, kMidnight + 11 * 3600 + 30, 90.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 11 * 3600 + 90);
    // No period, no boundary.
    next = 7;
    EXPECT_EQ(GetRoundetTimeToNextKORDataSetAt(0, kMidnight, 0.0f, &next), -1);
    EXPECT_EQ(next, 7u);
}

TEST(HistoryTiming, CountdownEndsMinutesAfterTheNextWholeStationMinute) {
    uint32_t next = 0;
    const int five = 5;
    // 10:17:23 + rest of the minute (37 s) + 5 minutes = 10:23:00.
    EXPECT_EQ(GetRealTimeToNextKORDataSetAt(&five, kMidnight + 37043, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 37380);
    // The station's minute starts 20 s later on the PC's clock.
    EXPECT_EQ(GetRealTimeToNextKORDataSetAt(&five, kMidnight + 37043, 20.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 37400);
    const int none = 0;
    EXPECT_EQ(GetRealTimeToNextKORDataSetAt(&none, kMidnight + 37080, 0.0f, &next), 0);
    EXPECT_EQ(next, kMidnight + 37140);
    const int negative = -1;
    EXPECT_EQ(GetRealTimeToNextKORDataSetAt(&negative, kMidnight, 0.0f, &next), -1);
}

}  // namespace
