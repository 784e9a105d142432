// The line's quality as the communication thread counts it: against a console that
// injects wrong echoes, wrong checksums and dropped replies at known rates, the counts
// are the faults the console says it injected; and the words of the link line's tooltip.
#include <gtest/gtest.h>

#include <cstring>

#include "records/setup_record.h"
#include "station/link/line_quality.h"
#include "support/comm_sim_fixture.h"
#include "windows/link_display.h"

namespace {

LineQualityPayload LastQuality(const CommSimRun &run) {
    LineQualityPayload q{};
    for (const UIRecord &r : run.Records())
        if (r.kind == UI_LINE_QUALITY) memcpy(&q, r.payload, sizeof q);
    return q;
}

TEST(LineQuality, CountsAreTheFaultsTheConsoleInjected) {
    SimOptions o;
    o.variant = 2;
    o.seed = 11;
    o.radio_interval_s = 0;  // no reception windows: every silence is a dropped reply
    o.pace_real = false;
    o.bad_echo = 0.05;
    o.bad_checksum = 0.05;
    o.drop = 0.02;
    CommSimRun run(o);
    ASSERT_EQ(run.StartThread(), 0);
    // Enough exchanges for every kind of fault to have come several times.
    ASSERT_TRUE(run.WaitFor([&] {
        const LineQualityPayload q = LastQuality(run);
        return q.total.wrong_echoes >= 5 && q.total.wrong_checksums >= 5 && q.total.no_answers >= 3;
    }, 240.0));
    ASSERT_EQ(run.StopThread(), 0);  // the thread's last record holds the final counts
    SimCounters injected;
    StationSimGetCounters(run.sim(), &injected);
    const LineQualityPayload q = LastQuality(run);
    // Every injected fault is one counted fault. A reply the loaded test machine delays
    // past the program's 1 s time-out is a real fault on the program's side as well (no
    // answer, then an echo out of turn), which the console did not inject: a couple of
    // those are allowed for.
    constexpr double kLateReplies = 2.0;
    EXPECT_NEAR(q.total.wrong_echoes, injected.bad_echoes, kLateReplies);
    EXPECT_NEAR(q.total.wrong_checksums, injected.bad_checksums, kLateReplies);
    EXPECT_NEAR(q.total.no_answers, injected.dropped, kLateReplies);
    EXPECT_EQ(q.hour.wrong_echoes, q.total.wrong_echoes);  // all within the hour
    EXPECT_LE(q.total.clean + q.total.wrong_echoes + q.total.wrong_checksums, q.total.exchanges);
    EXPECT_GT(q.total.clean, q.total.exchanges / 2);
    EXPECT_NE(q.last_fault, LINE_FAULT_NONE);
}

TEST(LineQuality, TooltipWords) {
    setup.decimal_comma = 0;
    LineQualityPayload q{};
    EXPECT_EQ(LineQualityText(&q), "Line: no requests in the last hour; no fault yet");
    q.hour = LineCounts{1000, 991, 9, 0, 3};
    q.last_fault_utc = 1'780'000'000;
    q.last_fault = LINE_FAULT_ECHO;
    const std::string text = LineQualityText(&q);
    EXPECT_EQ(text.rfind("Line: 99.1 % clean in the last hour; 12 retries (9 wrong echoes, "
                         "3 no answer); last fault ", 0), 0u) << text;
    q.hour = LineCounts{3, 2, 0, 1, 0};
    q.pulled_cables = 1;
    setup.decimal_comma = 1;
    EXPECT_EQ(LineQualityText(&q).rfind("Line: 66,6 % clean in the last hour; 1 retry "
                                        "(1 wrong checksum); 1 pulled cable; last fault ", 0), 0u)
        << LineQualityText(&q);
    setup.decimal_comma = 0;
}

}  // namespace
