// The bookkeeping rules of the polling cycle that decide what is fetched and stored:
// mistakes here lose or duplicate history data sets, or blind the reception pauses.
#include <gtest/gtest.h>
#include <vector>

#include "windows/KOR.h"
#include "platform/panels.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/polling_cycle.h"
#include "support/link_thread.h"

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

namespace {

// The pause plan of a long download with an 8 s radio interval, tick by tick on the
// communication thread's timer panel: each tick comes when the interval the previous one
// armed has passed. Receptions are at 0, 8, 16, ... s; the first tick comes 1.5 s before
// the one at 0. Returns the times at which pauses began.
std::vector<double> PauseStartsDuringADownload() {
    std::vector<double> starts;
    RunOnOwnThread([&] {
        RegisterCallback("PreventHFReceptionTimer", PreventHFReceptionTimer);
        timer_panel = LoadPanel(0, "KOR.uir", TIMERP);
        if (timer_panel < 0) return -1;
        KORData *rec = CommRecord();
        SetKORDataToDefault(rec);
        rec->reception.tx_interval = 8.0f;
        rec->history_header_valid = 1;
        rec->station_header.to_read = 150;
        reception_skip_count = 1;
        flag_reception_pause = 0;
        flag_commands_waiting = 0;
        for (double t = -1.5; t < 100.0;) {
            const bool paused = flag_reception_pause != 0;
            PreventHFReceptionTimer(timer_panel, TIMERP_RECEPTION, EVENT_TIMER_TICK, nullptr, 0, 0);
            if (!paused && flag_reception_pause != 0) starts.push_back(t);
            double interval = 0;
            GetCtrlAttribute(timer_panel, TIMERP_RECEPTION, ATTR_INTERVAL, &interval);
            if (!(interval > 0)) break;
            t += interval;
        }
        SetCtrlAttribute(timer_panel, TIMERP_RECEPTION, ATTR_ENABLED, 0);
        DiscardPanel(timer_panel);
        timer_panel = 0;
        flag_reception_pause = 0;
        return 0;
    });
    return starts;
}

}  // namespace

TEST(ReceptionPauses, ADownloadWithAnEightSecondRadioPausesEveryFourthWindowOnTime) {
    const std::vector<double> starts = PauseStartsDuringADownload();
    const std::vector<double> every_fourth = {-1.5, 30.5, 62.5, 94.5};
    ASSERT_EQ(starts.size(), every_fourth.size());
    for (size_t i = 0; i < starts.size(); ++i) EXPECT_NEAR(starts[i], every_fourth[i], 1e-6) << i;
}
