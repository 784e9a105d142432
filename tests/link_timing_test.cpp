// Time-outs and retries of the state machine over a real pseudo-terminal. The limits
// are the console's (1.0 s per command, 3.0 s for a read request and between data
// bytes); the tolerances are wide enough for a loaded machine but still tell 3 s from
// 1 s or 6 s, and a gap well inside the time-out from one well beyond it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/link/kor_state_machine.h"
#include "station/link/kor_requests.h"
#include "support/link_thread.h"
#include "support/scripted_peer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 6;
constexpr double kEarly = 0.25;  // a timer may fire this much before its time at most
constexpr double kLate = 0.8;    // ... and this much after it on a busy machine
using Bytes = std::vector<uint8_t>;

class LinkTiming : public ::testing::Test {
protected:
    void SetUp() override { ResetLinkFlags(); }
    void TearDown() override { ResetLinkFlags(); }
    void Run(const std::function<void()> &body) {
        ASSERT_EQ(RunWithStationLink(kPort, body), 0);
    }
    TempFolder folder;
    ScriptedPeer peer{kPort};
};

void ExpectAbout(double measured, double nominal) {
    EXPECT_GE(measured, nominal - kEarly);
    EXPECT_LE(measured, nominal + kLate);
}

TEST_F(LinkTiming, SilentReadRequestIsSentTwiceThreeSecondsApartThenTimesOut) {
    int posted = 0;
    double done = 0;
    Run([&] {
        KOR_descriptor.count = 1;
        PutMessageIntoInQueue(IN_READ);
        posted = PumpUntilResult(10.0);
        done = peer.Now();
    });
    EXPECT_EQ(posted, OUT_TIMEOUT);
    const std::vector<PeerByte> sent = peer.Received();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].byte, 0xC6);
    EXPECT_EQ(sent[1].byte, 0xC6);
    ExpectAbout(sent[1].time - sent[0].time, 3.0);
    ExpectAbout(done - sent[0].time, 6.0);
}

TEST_F(LinkTiming, SilentCommandsTimeOutAfterOneSecondWithTheirRetries) {
    // Identification: no retry. Set bit: one retry.
    int id = 0, bit = 0;
    double id_done = 0, bit_done = 0;
    Run([&] {
        PutMessageIntoInQueue(IN_GET_ID);
        id = PumpUntilResult(5.0);
        id_done = peer.Now();
        KOR_descriptor.data[0] = 1;
        PutMessageIntoInQueue(IN_SET_BIT);
        bit = PumpUntilResult(5.0);
        bit_done = peer.Now();
    });
    EXPECT_EQ(id, OUT_TIMEOUT);
    EXPECT_EQ(bit, OUT_TIMEOUT);
    const std::vector<PeerByte> sent = peer.Received();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].byte, 0x06);
    EXPECT_EQ(sent[1].byte, 0x16);
    EXPECT_EQ(sent[2].byte, 0x16);
    ExpectAbout(id_done - sent[0].time, 1.0);
    ExpectAbout(sent[2].time - sent[1].time, 1.0);
    ExpectAbout(bit_done - sent[1].time, 2.0);
}

TEST_F(LinkTiming, SilentReadThroughTheRequestFunctionFails) {
    peer.ExpectAddress(0x0100);
    int result = 99;
    Run([&] {
        KOR_descriptor.address = 0x0100;
        KOR_descriptor.count = 1;
        result = ReadDataFromKOR();
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82, 0x86, 0x82, 0x82, 0xC6, 0xC6}));
    EXPECT_EQ(flag_KOR_state_machine_busy, 0);
}

TEST_F(LinkTiming, DataGapInsideTheTimeOutCompletes) {
    peer.ExpectTimed(0xCA, {{0x32, 0}, {0x11, 0}, {0x22, 2.5}, {0x33, 0}});
    int posted = 0;
    Run([&] {
        KOR_descriptor.count = 2;
        PutMessageIntoInQueue(IN_READ);
        posted = PumpUntilResult(10.0);
    });
    EXPECT_EQ(posted, OUT_DATA_READ);
    EXPECT_EQ(KOR_descriptor.data[0], 0x11);
    EXPECT_EQ(KOR_descriptor.data[1], 0x22);
}

TEST_F(LinkTiming, DataGapBeyondTheTimeOutFailsThreeSecondsAfterTheLastByte) {
    peer.ExpectTimed(0xCA, {{0x32, 0}, {0x11, 0}, {0x22, 3.6}, {0x33, 0}});
    int posted = 0;
    double done = 0;
    Run([&] {
        KOR_descriptor.count = 2;
        PutMessageIntoInQueue(IN_READ);
        posted = PumpUntilResult(10.0);
        done = peer.Now();
        PumpEvents(1.0);  // the late bytes arrive while idle and are left alone
    });
    EXPECT_EQ(posted, OUT_TIMEOUT);
    const std::vector<PeerByte> sent = peer.Received();
    ASSERT_EQ(sent.size(), 1u);  // no retry of a data block
    // The read request was echoed at once, so the last byte came right after it.
    ExpectAbout(done - sent[0].time, 3.0);
    EXPECT_LT(done - sent[0].time, 3.6);
    EXPECT_EQ(KOR_state.state, IDLE);
}

TEST_F(LinkTiming, DuringReceptionPauseARetryTickSendsNothing) {
    int posted = 0;
    double done = 0;
    Run([&] {
        KOR_descriptor.count = 1;
        PutMessageIntoInQueue(IN_READ);
        flag_reception_pause = 1;
        posted = PumpUntilResult(10.0);
        done = peer.Now();
        flag_reception_pause = 0;
    });
    EXPECT_EQ(posted, OUT_TIMEOUT);
    const std::vector<PeerByte> sent = peer.Received();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].byte, 0xC6);
    ExpectAbout(done - sent[0].time, 6.0);
}

TEST_F(LinkTiming, QuitEndsAThreeSecondWaitAtOnce) {
    // The wait inside a request must see flag_quit as soon as it is set from another
    // thread, not at the next time-out.
    int result = 99;
    double asked = 0, returned = 0;
    Run([&] {
        KOR_descriptor.address = 0x0100;
        KOR_descriptor.count = 1;
        peer.ExpectAddress(0x0100);
        const unsigned self = CmtGetCurrentThreadID();
        std::thread quitter([&] {
            peer.WaitForReceived(5, 5.0);  // the read request is out: a 3 s wait runs
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            asked = peer.Now();
            flag_quit = 1;
            WakeThread(self);
        });
        result = ReadDataFromKOR();
        returned = peer.Now();
        quitter.join();
    });
    EXPECT_EQ(result, -1);
    EXPECT_GT(asked, 0);
    EXPECT_LT(returned - asked, 1.0);
}

}  // namespace
