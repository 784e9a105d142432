// The bookkeeping rules of the polling cycle that decide what is fetched and stored:
// mistakes here lose or duplicate history data sets, or blind the reception pauses.
#include <gtest/gtest.h>

#include "station/comm/polling_cycle.h"

namespace {

KORHistoryHeader Station(uint32_t last, int32_t interval_code, int32_t data_number,
                         int32_t index = 10) {
    KORHistoryHeader h{};
    h.last_data_set_time = last;
    h.interval_code = interval_code;
    h.data_number = data_number;
    h.index = index;
    return h;
}

HistoryFileHeader File(uint32_t last_time) {
    HistoryFileHeader f{};
    f.magic = HISTORY_FILE_MAGIC;
    f.rain_offset = HISTORY_RAIN_OFFSET_UNKNOWN;
    f.last_time = last_time;
    return f;
}

TEST(HistoryDataSetsToFetch, NewFileTakesOnlyTheNewest) {
    const KORHistoryHeader h = Station(1'000'000, 14, 100);
    HistoryFileHeader f = File(500'000);
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 1, 175), 1);
    f.last_time = 0;  // a file that never received a data set counts as new
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 1);
    const KORHistoryHeader empty = Station(1'000'000, 14, 0);
    EXPECT_EQ(HistoryDataSetsToFetch(&empty, &f, 1, 175), 0);  // nothing stored yet
}

TEST(HistoryDataSetsToFetch, CountsTheIntervalsSinceTheLastStoredSet) {
    const uint32_t last = 1'700'000'000;
    const KORHistoryHeader h = Station(last, 14, 100);  // 15-minute interval
    HistoryFileHeader f = File(last - 3600);
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 4);
    f.last_time = last;
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 0);  // nothing new: nothing twice
    f.last_time = last - 3600 + 1;
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 4);
    f.last_time = last + 900;  // the file is ahead of the console (clock was set back)
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 0);
}

TEST(HistoryDataSetsToFetch, LimitedByWhatTheConsoleHoldsAndByTheRing) {
    const uint32_t last = 1'700'000'000;
    KORHistoryHeader h = Station(last, 0, 3);  // 1-minute interval, 3 held
    HistoryFileHeader f = File(last - 600);
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 3);
    h.data_number = 1;
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 1);
    h.data_number = 255;  // a header that claims more than the ring holds
    f.last_time = last - 60 * 1000;
    EXPECT_EQ(HistoryDataSetsToFetch(&h, &f, 0, 175), 175);
}

TEST(HistoryDataSetsToFetch, RefusesHeadersThatCannotBeRight) {
    const KORHistoryHeader no_interval = Station(1'700'000'000, -1, 10);
    const KORHistoryHeader bad_index = Station(1'700'000'000, 4, 10, 175);
    const HistoryFileHeader f = File(1'600'000'000);
    EXPECT_EQ(HistoryDataSetsToFetch(&no_interval, &f, 0, 175), -1);
    EXPECT_EQ(HistoryDataSetsToFetch(&bad_index, &f, 0, 175), -1);
}

TEST(ReceptionTimer, PollSecondsAndPlausibility) {
    EXPECT_EQ(ReceptionPollSeconds(32.0f, 10.0f), 13);
    EXPECT_EQ(ReceptionPollSeconds(8.0f, 2.6f), 29);
    EXPECT_EQ(ReceptionPollSeconds(68.0f, 0.9f), 3);
    EXPECT_TRUE(ReceptionTimerPlausible(32.0f, 10.0f));
    EXPECT_TRUE(ReceptionTimerPlausible(8.0f, 0.0f));
    EXPECT_FALSE(ReceptionTimerPlausible(0.0f, 0.0f));      // would pause without end
    EXPECT_FALSE(ReceptionTimerPlausible(3.0f, 1.0f));
    EXPECT_FALSE(ReceptionTimerPlausible(32.0f, -4.0f));
    EXPECT_FALSE(ReceptionTimerPlausible(4095.0f, 10.0f));
}

}  // namespace
