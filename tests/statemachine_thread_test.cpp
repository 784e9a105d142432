// The communication thread as the program starts and stops it: with no console port,
// with a silent console and with one that answers, and as the console goes and comes
// back. The stop must come promptly even while the thread waits for a reply or for its
// port, and everything the thread opened is released.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/link_watch.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_memory_map.h"
#include "station/link/kor_rs232.h"
#include "support/link_thread.h"
#include "support/scripted_peer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 8;
constexpr double kStopLimit = 1.5;  // s the user waits at most for the thread to end

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Collects the link-state records that the thread has sent (others are dropped) until
// one of `state` arrives or `seconds` pass. True when it arrived.
bool WaitForLinkState(int state, double seconds, std::vector<LinkStatePayload> *seen) {
    const double until = Seconds() + seconds;
    for (;;) {
        UIRecord record{};
        while (h_TSQ_to_UI != 0 && CmtReadTSQData(h_TSQ_to_UI, &record, 1, 0, 0) == 1) {
            if (record.kind != UI_LINK_STATE) continue;
            LinkStatePayload s;
            memcpy(&s, record.payload, sizeof s);
            seen->push_back(s);
            if (s.state == state) return true;
        }
        if (Seconds() >= until) return false;
        Sleep(0.05);
    }
}

class CommThread : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLinkFlags();
        // Whatever the thread prepares on disc stays inside the test's folder.
        snprintf(setup.history_file, sizeof setup.history_file, "%s",
                 folder.file("history.dat").c_str());
    }
    void TearDown() override { ResetLinkFlags(); }

    // Stops the thread; returns the seconds the stop took.
    double Stop(int *result) {
        const double start = Seconds();
        *result = StateMaschineDestructor();
        return Seconds() - start;
    }

    TempFolder folder;
};

TEST_F(CommThread, WithoutAPortTheThreadWaitsSaysWhyOnceAndStopsPromptly) {
    const int port = 42;
    char device[64];
    snprintf(device, sizeof device, "/dev/ttyS%d", port - 1);
    if (std::filesystem::exists(device)) GTEST_SKIP() << device << " exists here";
    ASSERT_EQ(StateMaschineConstructor(port), 0);
    std::vector<LinkStatePayload> seen;
    ASSERT_TRUE(WaitForLinkState(LINK_CANNOT_OPEN, 5.0, &seen));
    // A second attempt finds the same reason and reports nothing new.
    Sleep(kLinkRetrySeconds + 1.0);
    WaitForLinkState(-1, 0.0, &seen);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].port, port);
    EXPECT_EQ(seen[0].reason, LINK_REASON_MISSING);
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(comm_thread_record.thread_status, THREAD_RELEASED);
    EXPECT_EQ(gm_comport, -1);
}

// The adapter is pulled and another console appears under the same link: the port is
// opened again, and the console identified and its memory map chosen anew.
TEST_F(CommThread, VanishedDeviceIsOpenedAgainAndTheConsoleIdentifiedAnew) {
    auto peer = std::make_unique<ScriptedPeer>(kPort);
    peer->AnswerLikeConsole(2);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    std::vector<LinkStatePayload> seen;
    ASSERT_TRUE(WaitForLinkState(LINK_CONNECTED, 5.0, &seen));
    EXPECT_EQ(kor_map_variant, 8);
    peer->Vanish();
    ASSERT_TRUE(WaitForLinkState(LINK_CANNOT_OPEN, 10.0, &seen));
    EXPECT_EQ(seen.back().reason, LINK_REASON_MISSING);
    ScriptedPeer back(kPort);
    back.AnswerLikeConsole(1);
    ASSERT_TRUE(WaitForLinkState(LINK_CONNECTED, kLinkRetrySeconds + 5.0, &seen));
    const std::vector<uint8_t> sent = back.ReceivedBytes();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], 0x06);
    EXPECT_EQ(sent[1], 0x06);
    EXPECT_EQ(kor_map_variant, 7);
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(gm_comport, -1);
}

// A console that falls silent on a port that stays open is reported once, asked for its
// identification only every few seconds, and polled again as soon as it answers.
TEST_F(CommThread, SilentConsoleOnAnOpenPortIsReportedAskedSparinglyAndTakenBack) {
    ScriptedPeer peer(kPort);
    peer.AnswerLikeConsole(2);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    std::vector<LinkStatePayload> seen;
    ASSERT_TRUE(WaitForLinkState(LINK_CONNECTED, 5.0, &seen));
    peer.StaySilent();
    ASSERT_TRUE(WaitForLinkState(LINK_SILENT, kLinkSilentSeconds + 15.0, &seen));
    // The user is told before polling gives up; the sparing questions start after that
    // (a read's retry at most later).
    Sleep(kLinkSilentSeconds - kLinkNoticeSeconds + 6.0);
    peer.ClearReceived();
    ASSERT_TRUE(peer.WaitForReceived(3, 3 * kLinkRetrySeconds + 5.0));
    const std::vector<PeerByte> asked = peer.Received();
    for (const PeerByte &b : asked) EXPECT_EQ(b.byte, 0x06);
    EXPECT_GE(asked[2].time - asked[1].time, kLinkRetrySeconds - 1.0);
    peer.AnswerLikeConsole(2);
    ASSERT_TRUE(WaitForLinkState(LINK_CONNECTED, kLinkRetrySeconds + 5.0, &seen));
    const size_t before = peer.Received().size();
    ASSERT_TRUE(peer.WaitForReceived(before + 6, 5.0));  // polling again
    EXPECT_NE(peer.Received().back().byte, 0x06);
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(stopped, 0);
}

TEST_F(CommThread, SilentConsoleIsAskedOncePerSecondAndTheStopIsPrompt) {
    ScriptedPeer peer(kPort);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    ASSERT_TRUE(peer.WaitForReceived(3, 6.0));
    Sleep(0.4);  // inside the 1 s wait of the next identification
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(comm_thread_record.thread_status, THREAD_RELEASED);
    EXPECT_EQ(gm_comport, -1);
    EXPECT_EQ(timer_panel, 0);

    const std::vector<PeerByte> sent = peer.Received();
    for (const PeerByte &b : sent) EXPECT_EQ(b.byte, 0x06);
    EXPECT_GE(sent[2].time - sent[1].time, 0.75);
    EXPECT_LE(sent[2].time - sent[1].time, 1.8);
    Sleep(1.2);
    EXPECT_EQ(peer.Received().size(), sent.size());  // nothing after the stop
}

TEST_F(CommThread, AnsweringConsoleIsIdentifiedReportedAndPolled) {
    ScriptedPeer peer(kPort);
    peer.AnswerLikeConsole(2);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    ASSERT_TRUE(peer.WaitForReceived(3, 5.0));
    const std::vector<uint8_t> sent = peer.ReceivedBytes();
    EXPECT_EQ(sent[0], 0x06);
    EXPECT_EQ(sent[1], 0x06);
    EXPECT_EQ(sent[2] & 0xC3, 0x82);  // then the first polling cycle addresses memory
    EXPECT_EQ(comm_thread_record.thread_status, THREAD_RUNNING);
    // The queues exist while the thread runs; with no display attached the records wait.
    UIRecord record{};
    bool identification_reported = false;
    while (CmtReadTSQData(h_TSQ_to_UI, &record, 1, 0, 0) == 1)
        if (record.kind == UI_STATION_ID) identification_reported = (record.payload[0] & 0xFF) == 2;
    EXPECT_TRUE(identification_reported);
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(comm_thread_record.thread_status, THREAD_RELEASED);
    EXPECT_EQ(gm_comport, -1);
    EXPECT_EQ(kor_map_variant, 8);
}

TEST_F(CommThread, DisagreeingIdentificationsAreReadAgain) {
    ScriptedPeer peer(kPort);
    peer.Expect(0x06, {0x02});
    peer.Expect(0x06, {0x01});
    peer.AnswerLikeConsole(1);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    ASSERT_TRUE(peer.WaitForReceived(5, 5.0));
    const std::vector<uint8_t> sent = peer.ReceivedBytes();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sent[i], 0x06) << i;
    EXPECT_NE(sent[4], 0x06);  // two agreeing reads end the identification
    int stopped = 99;
    EXPECT_LT(Stop(&stopped), kStopLimit);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(kor_map_variant, 7);
}

TEST_F(CommThread, RestartOnTheSamePortOpensItAgain) {
    ScriptedPeer peer(kPort);
    peer.AnswerLikeConsole(2);
    for (int round = 1; round <= 2; ++round) {
        ASSERT_EQ(StateMaschineConstructor(kPort), 0);
        ASSERT_TRUE(peer.WaitForReceived(2u * round, 5.0)) << "round " << round;
        int stopped = 99;
        EXPECT_LT(Stop(&stopped), kStopLimit);
        EXPECT_EQ(stopped, 0);
        EXPECT_EQ(gm_comport, -1);
    }
}

// Takes every waiting UI record and counts it under its kind.
void CountUIRecords(std::map<int, int> *counts) {
    UIRecord record{};
    while (CmtReadTSQData(h_TSQ_to_UI, &record, 1, 0, 0) == 1) ++(*counts)[record.kind];
}

TEST_F(CommThread, AReceptionCountdownLongerThanItsIntervalDoesNotStallPolling) {
    ScriptedPeer peer(kPort);
    peer.AnswerLikeConsole(2);
    // Interval 32 s (61 half seconds past 1.5 s), countdown 100 s (197): a reading the
    // console can give, from which no window can be planned.
    const uint8_t nibbles[] = {0xD, 0x3, 0x0, 0x5, 0xC, 0x0};
    for (int i = 0; i < 6; ++i) peer.PokeNibble(static_cast<uint16_t>(0x54C + i), nibbles[i]);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);
    std::map<int, int> counts;
    const double start = Seconds();
    while (counts[UI_WIND] < 3 && Seconds() - start < 60.0) {
        Sleep(0.2);
        CountUIRecords(&counts);
    }
    int stopped = 99;
    Stop(&stopped);
    EXPECT_GE(counts[UI_WIND], 3);  // wind is read every 8 s, the reception step in between
    EXPECT_EQ(counts[UI_RECEPTION_PAUSE], 0);
}

}  // namespace
