// The judge of the soak and crash tests must see what it is there to see: a data set
// stored twice, one skipped while the console still held it, one out of order or with a
// wrong value; and it must forgive only data sets the console had overwritten.
#include <gtest/gtest.h>

#include <vector>

#include "support/history_ledger.h"

namespace {

constexpr int64_t kStart = 1'780'000'000;

HistoryLedger LedgerOf(int sets) {
    HistoryLedger ledger;
    for (int i = 0; i < sets; ++i) {
        SimHistorySet s{};
        s.time = kStart + 60 * i;
        s.itemp = 20.0 + 0.1 * i;
        s.otemp = -3.0 + 0.2 * i;
        s.press = 1000.0 + i;
        s.ihum = 40 + i % 10;
        s.ohum = 70 + i % 20;
        s.rain_raw = (4090 + i) % 4096;  // the counter wraps on the way
        s.wind = 0.1 * i;
        s.wind_dir = i % 16;
        ledger.sets.emplace(s.time, s);
    }
    return ledger;
}

std::vector<HistoryRecord> FileOf(const HistoryLedger &ledger) {
    std::vector<HistoryRecord> records;
    float offset = 50.0f;
    int last = -1;
    for (const auto &entry : ledger.sets) {
        if (last >= 0 && entry.second.rain_raw < last) offset += 2121.728f;
        last = entry.second.rain_raw;
        records.push_back(ExpectedHistoryRecord(entry.second, offset));
    }
    return records;
}

TEST(HistoryJudge, AcceptsTheRightFileAndSeesEveryKindOfFault) {
    const HistoryLedger ledger = LedgerOf(12);
    const std::vector<HistoryRecord> good = FileOf(ledger);
    HistoryVerdict v = JudgeHistory(good, ledger, {}, 60);
    EXPECT_TRUE(v.faults.empty()) << v.faults.front();
    EXPECT_EQ(v.checked, 12);

    std::vector<HistoryRecord> twice = good;
    twice.insert(twice.begin() + 5, good[4]);
    EXPECT_FALSE(JudgeHistory(twice, ledger, {}, 60).faults.empty());

    std::vector<HistoryRecord> skipped = good;
    skipped.erase(skipped.begin() + 6);
    EXPECT_FALSE(JudgeHistory(skipped, ledger, {}, 60).faults.empty());

    std::vector<HistoryRecord> swapped = good;
    std::swap(swapped[2], swapped[3]);
    EXPECT_FALSE(JudgeHistory(swapped, ledger, {}, 60).faults.empty());

    std::vector<HistoryRecord> wrong = good;
    wrong[7].outdoor_temperature += 0.2f;
    EXPECT_FALSE(JudgeHistory(wrong, ledger, {}, 60).faults.empty());

    std::vector<HistoryRecord> no_wrap = good;  // a counter wrap not added to the rain
    for (size_t i = 6; i < no_wrap.size(); ++i) no_wrap[i].rain -= 2121.728f;
    EXPECT_FALSE(JudgeHistory(no_wrap, ledger, {}, 60).faults.empty());

    std::vector<HistoryRecord> shifted = good;  // right values under the wrong time
    shifted[9].time += 60;
    EXPECT_FALSE(JudgeHistory(shifted, ledger, {}, 60).faults.empty());
}

TEST(HistoryJudge, ForgivesOnlyWhatTheConsoleHadAlreadyOverwritten) {
    const HistoryLedger ledger = LedgerOf(12);
    std::vector<HistoryRecord> records = FileOf(ledger);
    records.erase(records.begin() + 3, records.begin() + 6);  // sets 3, 4, 5 missing
    std::vector<int64_t> oldest(records.size(), 0);
    oldest[3] = kStart + 60 * 6;  // when set 6 was stored, the ring began at set 6
    HistoryVerdict v = JudgeHistory(records, ledger, oldest, 60);
    EXPECT_TRUE(v.faults.empty());
    EXPECT_EQ(v.allowed_gaps, 3);
    oldest[3] = kStart + 60 * 5;  // set 5 was still there
    v = JudgeHistory(records, ledger, oldest, 60);
    EXPECT_EQ(v.faults.size(), 1u);
}

}  // namespace
