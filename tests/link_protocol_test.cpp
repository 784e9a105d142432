// Every exchange of the wire protocol, byte for byte over a real pseudo-terminal: the
// link runs on a thread of its own as in the program, the scripted peer answers and
// records what the link sent.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "platform/serial.h"
#include "station/link/comm_flags.h"
#include "station/link/kor_state_machine.h"
#include "station/data/kor_readers.h"
#include "station/link/kor_requests.h"
#include "station/link/kor_rs232.h"
#include "support/link_thread.h"
#include "support/scripted_peer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 5;
using Bytes = std::vector<uint8_t>;

class LinkProtocol : public ::testing::Test {
protected:
    void SetUp() override { ResetLinkFlags(); }
    void TearDown() override { ResetLinkFlags(); }

    void Run(const std::function<void()> &body) {
        ASSERT_EQ(RunWithStationLink(kPort, body), 0);
    }
    void SetRead(uint16_t address, uint16_t count) {
        KOR_descriptor.address = address;
        KOR_descriptor.count = count;
        KOR_descriptor.index = 0;
    }
    void SetWrite(uint16_t address, const Bytes &nibbles) {
        KOR_descriptor.address = address;
        KOR_descriptor.nibbles_to_write = static_cast<uint16_t>(nibbles.size());
        KOR_descriptor.index = 0;
        for (size_t i = 0; i < nibbles.size(); ++i) KOR_descriptor.data[i] = nibbles[i];
    }
    void SetBit(uint16_t address, int bit, int value) {
        KOR_descriptor.address = address;
        KOR_descriptor.index = 0;
        KOR_descriptor.data[0] = static_cast<uint8_t>(bit);
        KOR_descriptor.bit_value = value;
    }
    void ExpectScriptDone() {
        EXPECT_EQ(peer.Unexpected(), 0);
        EXPECT_EQ(peer.StepsLeft(), 0u);
    }

    TempFolder folder;
    ScriptedPeer peer{kPort};
};

TEST_F(LinkProtocol, ReadsThreeBytesAt0269) {
    peer.Expect(0x82, {0x00});
    peer.Expect(0x8A, {0x12});
    peer.Expect(0x9A, {0x26});
    peer.Expect(0xA6, {0x39});
    peer.Expect(0xCE, {0x33, 0x5A, 0x01, 0xF0, 0x4B});  // sum 0x14B
    int result = 99;
    Run([&] {
        SetRead(0x0269, 3);
        result = ReadDataFromKOR();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82, 0x8A, 0x9A, 0xA6, 0xCE}));
    EXPECT_EQ(KOR_descriptor.index, 3);
    EXPECT_EQ(Bytes(KOR_descriptor.data, KOR_descriptor.data + 3), (Bytes{0x5A, 0x01, 0xF0}));
    EXPECT_EQ(flag_KOR_state_machine_busy, 0);
    ExpectScriptDone();
}

TEST_F(LinkProtocol, ReadsFourBytesAt1234) {
    peer.Expect(0x86, {0x01});
    peer.Expect(0x8A, {0x12});
    peer.Expect(0x8E, {0x23});
    peer.Expect(0x92, {0x34});
    peer.Expect(0xD2, {0x34, 0x10, 0x20, 0x30, 0x40, 0xA0});
    int result = 99;
    Run([&] {
        SetRead(0x1234, 4);
        result = ReadDataFromKOR();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x86, 0x8A, 0x8E, 0x92, 0xD2}));
    EXPECT_EQ(Bytes(KOR_descriptor.data, KOR_descriptor.data + 4),
              (Bytes{0x10, 0x20, 0x30, 0x40}));
    ExpectScriptDone();
}

TEST_F(LinkProtocol, WrongChecksumGivesBadChecksum) {
    peer.ExpectAddress(0x0040);
    peer.Expect(0xCA, {0x32, 0x11, 0x22, 0x34});  // sum would be 0x33
    peer.ExpectAddress(0x0040);
    peer.Expect(0xCA, {0x32, 0x11, 0x22, 0x00});
    int posted = 0, address = 99, read = 99;
    Run([&] {
        SetRead(0x0040, 2);
        PutMessageIntoInQueue(IN_SEND_ADDRESS);
        address = UserWaitMessage(OUT_ADDRESS_DONE);
        PutMessageIntoInQueue(IN_READ);
        posted = PumpUntilResult(5.0);
        flag_KOR_state_machine_busy = 0;
        read = ReadDataFromKOR();
    });
    EXPECT_EQ(address, 0);
    EXPECT_EQ(posted, OUT_BAD_CHECKSUM);
    EXPECT_EQ(read, -1);
    ExpectScriptDone();
}

TEST_F(LinkProtocol, WritesNibbleAndSetsAndClearsBit) {
    peer.ExpectAddress(0x0123);
    peer.Expect(0x6A, {0x1A});
    for (int i = 0; i < 2; ++i) peer.ExpectAddress(0x0123);
    peer.Expect(0x1A, {0x06});
    for (int i = 0; i < 2; ++i) peer.ExpectAddress(0x0123);
    peer.Expect(0x3A, {0x0E});
    int write = 99, set = 99, clear = 99;
    Run([&] {
        SetWrite(0x0123, {0xA});
        write = WriteDataToKOR();
        EXPECT_EQ(KOR_descriptor.address, 0x0124);
        EXPECT_EQ(KOR_descriptor.nibbles_to_write, 0);
        SetBit(0x0123, 2, 1);
        set = WriteBitToKOR();
        SetBit(0x0123, 2, 0);
        clear = WriteBitToKOR();
    });
    EXPECT_EQ(write, 0);
    EXPECT_EQ(set, 0);
    EXPECT_EQ(clear, 0);
    const Bytes address{0x82, 0x86, 0x8A, 0x8E};
    Bytes expected = address;
    expected.push_back(0x6A);
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), address.begin(), address.end());
    expected.push_back(0x1A);
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), address.begin(), address.end());
    expected.push_back(0x3A);
    EXPECT_EQ(peer.ReceivedBytes(), expected);
    ExpectScriptDone();
}

TEST_F(LinkProtocol, IdentificationAcceptsTopBitsZeroOnly) {
    peer.Expect(0x06, {0x02});
    peer.Expect(0x06, {0x42});
    peer.Expect(0x06, {0x42});
    int good = 99, bad = 99, posted = 0;
    uint8_t id = 0;
    Run([&] {
        good = KOR_ReadID(&id);
        bad = GetIDFromKOR();
        PutMessageIntoInQueue(IN_GET_ID);
        posted = PumpUntilResult(3.0);
    });
    EXPECT_EQ(good, 0);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(bad, -1);
    EXPECT_EQ(posted, OUT_BAD_ECHO);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x06, 0x06, 0x06}));
    ExpectScriptDone();
}

TEST_F(LinkProtocol, StrayByteIsLeftAloneAndFlushedBeforeNextCommand) {
    peer.Expect(0x06, {0x01});
    int waiting = -1, posted = -1, result = 99;
    Run([&] {
        peer.Send({0x55});  // would fail as an identification reply
        const double deadline = Timer() + 3.0;
        while (GetInQLen(gm_comport) < 1 && Timer() < deadline) ProcessSystemEvents();
        PumpEvents(0.2);
        waiting = GetInQLen(gm_comport);
        posted = KOR_message_out_queue;
        result = GetIDFromKOR();
    });
    EXPECT_EQ(waiting, 1);  // not consumed while idle
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(KOR_descriptor.id_byte, 0x01);
    ExpectScriptDone();
}

TEST_F(LinkProtocol, BusyFlagRefusesEveryRequestAndSendsNothing) {
    Bytes results;
    KORDescriptor before{};
    bool untouched = false;
    Run([&] {
        SetWrite(0x0100, {1, 2});
        KOR_descriptor.count = 2;
        before = KOR_descriptor;
        flag_KOR_state_machine_busy = 1;
        results = {static_cast<uint8_t>(-GetIDFromKOR()), static_cast<uint8_t>(-ReadDataFromKOR()),
                   static_cast<uint8_t>(-WriteDataToKOR()), static_cast<uint8_t>(-WriteBitToKOR())};
        untouched = memcmp(&before, &KOR_descriptor, sizeof before) == 0;
        flag_KOR_state_machine_busy = 0;
        PumpEvents(0.3);
    });
    EXPECT_EQ(results, (Bytes{2, 2, 2, 2}));
    EXPECT_TRUE(untouched);
    EXPECT_TRUE(peer.ReceivedBytes().empty());
}

TEST_F(LinkProtocol, FailedWriteResumesWithTheUnacknowledgedNibbles) {
    peer.ExpectAddress(0x0200);
    peer.Expect(0x46, {0x11});
    peer.Expect(0x4A, {0x12});
    peer.Expect(0x4E, {0x00});  // wrong echo of the third nibble
    peer.ExpectAddress(0x0202);
    peer.Expect(0x4E, {0x13});
    peer.Expect(0x52, {0x14});
    int first = 99, second = 99;
    uint16_t index = 0, left = 0, address = 0;
    Run([&] {
        SetWrite(0x0200, {1, 2, 3, 4});
        first = WriteDataToKOR();
        index = KOR_descriptor.index;
        left = KOR_descriptor.nibbles_to_write;
        address = KOR_descriptor.address;
        second = WriteDataToKOR();
    });
    EXPECT_EQ(first, -1);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(address, 0x0202);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(KOR_descriptor.nibbles_to_write, 0);
    EXPECT_EQ(KOR_descriptor.address, 0x0204);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82, 0x8A, 0x82, 0x82, 0x46, 0x4A, 0x4E,
                                           0x82, 0x8A, 0x82, 0x8A, 0x4E, 0x52}));
    ExpectScriptDone();
}

TEST_F(LinkProtocol, IdentificationOneGetsTheAddressBeforeEveryNibble) {
    SetStationID(1);
    peer.ExpectAddress(0x001F);
    peer.Expect(0x56, {0x15});
    peer.ExpectAddress(0x0020);
    peer.Expect(0x5A, {0x16});
    int result = 99, nothing = 99;
    Run([&] {
        SetWrite(0x001F, {5, 6});
        result = WriteDataToKOR();
        SetWrite(0x0030, {});
        nothing = WriteDataToKOR();
        PumpEvents(0.2);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(nothing, 0);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82, 0x82, 0x86, 0xBE, 0x56,
                                           0x82, 0x82, 0x8A, 0x82, 0x5A}));
    ExpectScriptDone();
}

TEST_F(LinkProtocol, EmptyWriteOnOtherConsolesStillSendsTheAddress) {
    peer.ExpectAddress(0x0030);
    int result = 99;
    Run([&] {
        SetWrite(0x0030, {});
        result = WriteDataToKOR();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82, 0x82, 0x8E, 0x82}));
    ExpectScriptDone();
}

TEST_F(LinkProtocol, ReceptionPauseRefusesRequestsWithoutSending) {
    int post = 99, id = 99, read = 99, write = 99, bit = 99, busy = 99, slot = 99;
    Run([&] {
        flag_reception_pause = 1;
        post = PutMessageIntoInQueue(IN_GET_ID);
        id = GetIDFromKOR();
        SetRead(0x0100, 2);
        read = ReadDataFromKOR();
        SetWrite(0x0100, {1});
        write = WriteDataToKOR();
        SetBit(0x0100, 1, 1);
        bit = WriteBitToKOR();
        busy = flag_KOR_state_machine_busy;
        slot = KOR_message_in_queue;
        flag_reception_pause = 0;
        PumpEvents(0.3);
    });
    EXPECT_EQ(post, -1);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(read, -1);
    EXPECT_EQ(write, -1);
    EXPECT_EQ(bit, -1);
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(slot, 0);
    EXPECT_TRUE(peer.ReceivedBytes().empty());
}

// The thread is held up while a pause's planned start passes; the echo that came
// meanwhile must not send the next address nibble into the window before the late tick.
TEST_F(LinkProtocol, AnOverduePauseStopsAnAddressBeforeItsNextNibble) {
    peer.Expect(0x82, {0x00}, 0.1);
    int result = 99;
    bool begun_before = true, begun_after = false;
    Run([&] {
        ArmReceptionTimer(0.1);
        begun_before = ReceptionPauseBegun();
        SetRead(0x0100, 2);
        ASSERT_EQ(PutMessageIntoInQueue(IN_SEND_ADDRESS), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        begun_after = ReceptionPauseBegun();
        result = PumpUntilResult(2.0);
        flag_reception_pause = 0;
        DisarmReceptionTimer();
        PumpEvents(0.2);
    });
    EXPECT_FALSE(begun_before);
    EXPECT_TRUE(begun_after);
    EXPECT_EQ(result, OUT_TIMEOUT);
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x82}));
}

TEST_F(LinkProtocol, ReadCountOutsideOneToFifteenIsRefusedBeforeSending) {
    int zero = 99, sixteen = 99;
    Run([&] {
        SetRead(0x0100, 0);
        zero = ReadDataFromKOR();
        SetRead(0x0100, 16);
        sixteen = ReadDataFromKOR();
        PumpEvents(0.2);
    });
    EXPECT_EQ(zero, -1);
    EXPECT_EQ(sixteen, -1);
    EXPECT_TRUE(peer.ReceivedBytes().empty());
}

}  // namespace
