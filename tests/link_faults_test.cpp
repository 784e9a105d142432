// A line that misbehaves must give result codes, never a crash or a hang: noise, wrong
// echoes, short and long blocks, a port that cannot be opened and one that vanishes.
#include <gtest/gtest.h>

#include <random>
#include <unistd.h>
#include <vector>

#include "platform/runtime.h"
#include "platform/serial.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/link/kor_state_machine.h"
#include "station/link/kor_requests.h"
#include "station/link/kor_rs232.h"
#include "support/link_thread.h"
#include "support/scripted_peer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 7;
using Bytes = std::vector<uint8_t>;

class LinkFaults : public ::testing::Test {
protected:
    void SetUp() override { ResetLinkFlags(); }
    void TearDown() override { ResetLinkFlags(); }
    TempFolder folder;
};

bool IsResultCode(int r) { return r == 0 || r == -1; }

// One request of each kind in turn, against whatever the line does.
int AnyRequest(int i) {
    KOR_descriptor.address = static_cast<uint16_t>(0x0100 + i);
    KOR_descriptor.index = 0;
    switch (i % 4) {
    case 0:
        return GetIDFromKOR();
    case 1:
        KOR_descriptor.count = static_cast<uint16_t>(1 + i % 15);
        return ReadDataFromKOR();
    case 2:
        KOR_descriptor.nibbles_to_write = 2;
        KOR_descriptor.data[0] = 3;
        KOR_descriptor.data[1] = 4;
        return WriteDataToKOR();
    default:
        KOR_descriptor.data[0] = 1;
        KOR_descriptor.bit_value = i & 1;
        return WriteBitToKOR();
    }
}

TEST_F(LinkFaults, LineNoiseGivesResultCodesAndTheLinkRecovers) {
    ScriptedPeer peer(kPort);
    std::mt19937 random(12345);
    // Every byte the link sends is answered by one to three random bytes.
    for (int i = 0; i < 400; ++i) {
        Bytes noise(1 + random() % 3);
        for (uint8_t &b : noise) b = static_cast<uint8_t>(random());
        peer.Expect(ScriptedPeer::kAnyByte, noise);
    }
    std::vector<int> results;
    int after = 99;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  for (int i = 0; i < 24; ++i) results.push_back(AnyRequest(i));
              }),
              0);
    for (const int r : results) EXPECT_TRUE(IsResultCode(r)) << r;
    EXPECT_EQ(results.size(), 24u);
    EXPECT_EQ(KOR_state.state, IDLE);

    // A clean console afterwards is understood at once.
    ScriptedPeer clean(kPort + 1);
    clean.Expect(0x06, {0x02});
    ASSERT_EQ(RunWithStationLink(kPort + 1, [&] { after = GetIDFromKOR(); }), 0);
    EXPECT_EQ(after, 0);
}

TEST_F(LinkFaults, WrongAddressEchoStopsTheReadAtOnce) {
    ScriptedPeer peer(kPort);
    peer.Expect(0x86, {0x01});
    peer.Expect(0x8A, {0x12});
    peer.Expect(0x8E, {0x24});  // should be 0x23
    int result = 99, posted = 0;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  KOR_descriptor.address = 0x1234;
                  KOR_descriptor.count = 4;
                  result = ReadDataFromKOR();
                  peer.Expect(0x86, {0x01});
                  peer.Expect(0x8A, {0x13});
                  PutMessageIntoInQueue(IN_SEND_ADDRESS);
                  posted = PumpUntilResult(3.0);
                  PumpEvents(0.3);
              }),
              0);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(posted, OUT_BAD_ECHO);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x86, 0x8A, 0x8E, 0x86, 0x8A}));
}

TEST_F(LinkFaults, WrongEchoOfBitCommandFailsTheBitWrite) {
    ScriptedPeer peer(kPort);
    peer.ExpectAddress(0x000B);
    peer.ExpectAddress(0x000B);
    peer.Expect(0x12, {0x05});  // set bit 0 is echoed 0x04
    int result = 99;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  KOR_descriptor.address = 0x000B;
                  KOR_descriptor.data[0] = 0;
                  KOR_descriptor.bit_value = 1;
                  result = WriteBitToKOR();
                  PumpEvents(0.3);
              }),
              0);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(peer.ReceivedBytes().size(), 9u);  // no retry after a wrong echo
}

TEST_F(LinkFaults, ShortBlockTimesOutAndLongBlockIsJudgedByItsLength) {
    ScriptedPeer peer(kPort);
    peer.Expect(0xD2, {0x34, 0x01, 0x02});           // 4 announced, 2 come
    peer.Expect(0xCA, {0x32, 0x01, 0x02, 0x07, 0x04, 0x05, 0x06});  // 2 announced, 6 come
    peer.Expect(0x06, {0x02});
    int short_block = 0, long_block = 0, id = 99;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  KOR_descriptor.count = 4;
                  PutMessageIntoInQueue(IN_READ);
                  short_block = PumpUntilResult(10.0);
                  KOR_descriptor.count = 2;
                  PutMessageIntoInQueue(IN_READ);
                  long_block = PumpUntilResult(10.0);
                  PumpEvents(0.3);
                  flag_KOR_state_machine_busy = 0;
                  id = GetIDFromKOR();  // the surplus bytes are flushed first
              }),
              0);
    EXPECT_EQ(short_block, OUT_TIMEOUT);
    EXPECT_EQ(long_block, OUT_BAD_CHECKSUM);  // third byte taken as the checksum
    EXPECT_EQ(id, 0);
    EXPECT_EQ(KOR_descriptor.id_byte, 0x02);
}

TEST_F(LinkFaults, PortThatCannotBeOpenedGivesItsCodeAndRefusesRequests) {
    ASSERT_EQ(symlink("/nonexistent/serial-device", "COM7"), 0);
    int init = 0, request = 99, post = 99;
    int32_t port_after = 0;
    const int opened = RunOnOwnThread([&] {
        init = InitCommunication(kPort);
        port_after = gm_comport;
        request = GetIDFromKOR();  // nothing to talk to: refused, not a wait without end
        post = PutMessageIntoInQueue(IN_GET_ID);
        return OpenStationLink(kPort);
    });
    EXPECT_LT(init, 0);
    EXPECT_EQ(port_after, -1);
    EXPECT_EQ(request, -1);
    EXPECT_EQ(post, -1);
    EXPECT_EQ(opened, -1);
    EXPECT_EQ(flag_KOR_state_machine_busy, 0);
}

TEST_F(LinkFaults, PortThatVanishesWhileOpenGivesFailuresAndClosesCleanly) {
    ScriptedPeer peer(kPort);
    peer.Expect(0x06, {0x02});
    int before = 99, after_id = 99, after_read = 99, after_write = 99;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  before = GetIDFromKOR();
                  peer.Vanish();
                  PumpEvents(0.3);
                  after_id = GetIDFromKOR();
                  KOR_descriptor.address = 0x0100;
                  KOR_descriptor.count = 2;
                  after_read = ReadDataFromKOR();
                  KOR_descriptor.nibbles_to_write = 1;
                  after_write = WriteDataToKOR();
              }),
              0);
    EXPECT_EQ(before, 0);
    EXPECT_EQ(after_id, -1);
    EXPECT_EQ(after_read, -1);
    EXPECT_EQ(after_write, -1);
    EXPECT_EQ(gm_comport, -1);
}

TEST_F(LinkFaults, ReopeningTheOpenPortKeepsItWorking) {
    ScriptedPeer peer(kPort);
    peer.Expect(0x06, {0x01});
    int again = 99, id = 99;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
                  again = InitCommunication(kPort);
                  id = GetIDFromKOR();
              }),
              0);
    EXPECT_EQ(again, 0);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(KOR_descriptor.id_byte, 0x01);
}

}  // namespace
