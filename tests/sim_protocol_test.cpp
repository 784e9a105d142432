// The simulated console's answer to every command byte, without a line: echoes, data
// blocks and checksums, writes and bit commands, and what it does with nonsense.
#include <gtest/gtest.h>

#include <vector>

#include "sim/sim_layout.h"
#include "sim/sim_memory.h"
#include "sim/sim_protocol.h"
#include "sim/sim_random.h"

namespace {

struct Console {
    SimMemory mem;
    SimLinkState link{};
    int variant = 2;
    Console() { InitSimMemory(&mem, GetSimLayout(2)->size); }

    std::vector<uint8_t> Send(uint8_t byte) {
        uint8_t reply[SIM_MAX_REPLY];
        const int n = AnswerSimCommand(&link, &mem, variant, byte, reply);
        return std::vector<uint8_t>(reply, reply + n);
    }
    std::vector<uint8_t> SendAll(std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> all;
        for (uint8_t b : bytes) {
            const std::vector<uint8_t> r = Send(b);
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    }
    void Address(uint16_t a) {
        for (int i = 0; i < 4; ++i) Send(static_cast<uint8_t>(0x82 | (((a >> (12 - 4 * i)) & 0xF) << 2)));
    }
};

using Bytes = std::vector<uint8_t>;

TEST(SimProtocol, ReadAnswersEchoDataLowNibbleFirstAndChecksum) {
    Console c;
    const uint8_t nibbles[] = {0x1, 0x2, 0x3, 0x4, 0xF, 0xE};
    for (int i = 0; i < 6; ++i) PutSimNibble(&c.mem, 0x269 + i, nibbles[i]);
    EXPECT_EQ(c.SendAll({0x82, 0x8A, 0x9A, 0xA6}), (Bytes{0x00, 0x12, 0x26, 0x39}));
    const Bytes r = c.Send(0xCE);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], 0x33);
    EXPECT_EQ(r[1], 0x21);
    EXPECT_EQ(r[2], 0x43);
    EXPECT_EQ(r[3], 0xEF);
    EXPECT_EQ(r[4], static_cast<uint8_t>(0x21 + 0x43 + 0xEF));
    // The address stays: the same read again gives the same block.
    EXPECT_EQ(c.Send(0xCE), r);
    // Fifteen bytes, the most one read carries.
    EXPECT_EQ(c.Send(0xC2 | (15 << 2)).size(), 17u);
}

TEST(SimProtocol, WritesAdvanceTheAddressAndBitsChangeOneBit) {
    Console c;
    c.Address(0x0400);
    EXPECT_EQ(c.Send(0x6A), Bytes{0x1A});  // nibble 0xA
    EXPECT_EQ(c.Send(0x46), Bytes{0x11});  // nibble 0x1, one further on
    EXPECT_EQ(GetSimNibble(&c.mem, 0x400), 0xA);
    EXPECT_EQ(GetSimNibble(&c.mem, 0x401), 0x1);
    EXPECT_TRUE(SimTouched(&c.mem, 0x400, 2));
    EXPECT_FALSE(SimTouched(&c.mem, 0x402, 1));

    PutSimNibble(&c.mem, 0x019, 0x9);
    c.Address(0x0019);
    c.Address(0x0019);
    EXPECT_EQ(c.Send(0x1A), Bytes{0x06});  // set bit 2
    EXPECT_EQ(GetSimNibble(&c.mem, 0x019), 0xD);
    EXPECT_EQ(c.Send(0x32), Bytes{0x0C});  // clear bit 0
    EXPECT_EQ(GetSimNibble(&c.mem, 0x019), 0xC);
    EXPECT_EQ(c.Send(0x3A), Bytes{0x0E});  // clear bit 2: the address did not move
    EXPECT_EQ(GetSimNibble(&c.mem, 0x019), 0x8);
}

TEST(SimProtocol, IdentificationIsTheVariant) {
    Console c;
    EXPECT_EQ(c.Send(0x06), Bytes{0x02});
    c.variant = 1;
    EXPECT_EQ(c.Send(0x06), Bytes{0x01});
}

TEST(SimProtocol, OutOfTurnAndUnknownBytesGetNoAnswer) {
    Console c;
    PutSimNibble(&c.mem, 0x100, 0x7);
    c.Address(0x0100);
    // Two address nibbles, then a read: not answered, and the half address is dropped.
    EXPECT_EQ(c.SendAll({0x82, 0x86}), (Bytes{0x00, 0x11}));
    EXPECT_TRUE(c.Send(0xC6).empty());
    EXPECT_EQ(c.Send(0x46), Bytes{0x11});  // a write after the reset uses 0x100 again
    EXPECT_EQ(GetSimNibble(&c.mem, 0x100), 0x1);
    // Half an address, then a write: nothing stored.
    c.SendAll({0x82});
    EXPECT_TRUE(c.Send(0x7E).empty());
    EXPECT_EQ(GetSimNibble(&c.mem, 0x101), 0x0);
    // A read of no bytes and bytes that are no command.
    c.Address(0x0100);
    for (uint8_t b : {0xC2, 0x00, 0xFF, 0x01, 0x03, 0x07, 0x40, 0x80, 0xC0, 0x11, 0x33})
        EXPECT_TRUE(c.Send(b).empty()) << std::hex << int(b);
    // Identification also drops a half address; the next four nibbles make a new one.
    c.SendAll({0x82, 0x82});
    EXPECT_EQ(c.Send(0x06), Bytes{0x02});
    EXPECT_EQ(c.SendAll({0x82, 0x82, 0x86, 0x82}), (Bytes{0x00, 0x10, 0x21, 0x30}));
    EXPECT_EQ(c.link.address, 0x0010);
}

TEST(SimProtocol, ReadsBeyondTheMemoryGiveZerosAndWrapAt16Bits) {
    Console c;
    PutSimNibble(&c.mem, 0x0000, 0x5);
    PutSimNibble(&c.mem, 0x13FF, 0x9);
    c.Address(0x13FF);  // last nibble of the mask 8 memory
    Bytes r = c.Send(0xC2 | (2 << 2));
    EXPECT_EQ(r, (Bytes{0x32, 0x09, 0x00, 0x09}));
    c.Address(0xFFFF);
    r = c.Send(0xC2 | (1 << 2));
    EXPECT_EQ(r, (Bytes{0x31, 0x50, 0x50}));  // nibble 0xFFFF is 0, then 0x0000
    // Writes there are acknowledged and lost; the address wraps to 0.
    EXPECT_EQ(c.Send(0x7E), Bytes{0x1F});
    EXPECT_EQ(c.link.address, 0x0000);
}

// Random bytes never upset the console: every answer has the length its command calls
// for, and the console still answers properly afterwards.
TEST(SimProtocol, SurvivesRandomBytes) {
    Console c;
    SimRandom r;
    SeedSimRandom(&r, 42);
    for (int i = 0; i < 200000; ++i) {
        const uint8_t b = static_cast<uint8_t>(NextSimRandom(&r));
        const bool half = c.link.position != 0;
        const Bytes reply = c.Send(b);
        const SimCommandKind kind = ClassifySimCommand(b);
        if (kind == SIM_CMD_NONE) {
            ASSERT_TRUE(reply.empty());
        } else if (kind == SIM_CMD_ADDRESS || kind == SIM_CMD_ID) {
            ASSERT_EQ(reply.size(), 1u);
        } else if (kind == SIM_CMD_READ && !half && ((b >> 2) & 0xF)) {
            ASSERT_EQ(reply.size(), static_cast<size_t>(((b >> 2) & 0xF) + 2));
        }
    }
    EXPECT_EQ(c.Send(0x06), Bytes{0x02});
    c.Address(0x0346);
    EXPECT_EQ(c.Send(0xC2 | (7 << 2)).size(), 9u);
}

// The console's encodings, checked against values worked out by hand from the
// description of its memory.
TEST(SimMemoryCodec, TemperatureHumidityPressureWindStamp) {
    SimMemory m;
    InitSimMemory(&m, 0x100);
    PutSimTemperature(&m, 0x10, 23.5, SIM_VALUE_OK);  // 53.500 in five digits
    EXPECT_EQ(GetSimBCD(&m, 0x10, 5), 53500);
    EXPECT_EQ(GetSimNibble(&m, 0x13), 3);  // units digit
    PutSimTemperature(&m, 0x10, -30.0, SIM_VALUE_OK);
    EXPECT_TRUE(SimNibblesAre(&m, 0x10, 0, 5));
    PutSimTemperature(&m, 0x10, 0, SIM_VALUE_MISSING);
    EXPECT_TRUE(SimNibblesAre(&m, 0x10, 0xA, 5));
    double t = 0;
    EXPECT_EQ(GetSimTemperature(&m, 0x10, &t), SIM_VALUE_MISSING);
    PutSimTemperature(&m, 0x10, 0, SIM_VALUE_OVERFLOW);
    EXPECT_TRUE(SimNibblesAre(&m, 0x10, 0xF, 5));

    PutSimHumidity(&m, 0x20, 57, SIM_VALUE_OK);
    EXPECT_EQ(GetSimNibble(&m, 0x20), 7);
    EXPECT_EQ(GetSimNibble(&m, 0x21), 5);

    PutSimHpa(&m, 0x30, 1012.3, SIM_VALUE_OK);
    EXPECT_EQ(GetSimBCD(&m, 0x30, 5), 10123);
    PutSimInhg(&m, 0x30, 1013.25, SIM_VALUE_OK);  // 29.92 inHg
    EXPECT_EQ(GetSimBCD(&m, 0x30, 5), 2992);

    PutSimWindKmh(&m, 0x40, 50.0 / 3.6);  // 50 km/h = 0x138800
    EXPECT_EQ(GetSimBinary(&m, 0x40, 6), 0x138800u);

    PutSimStamp(&m, 0x50, SimStamp{7, 8, 5, 3, 2007});
    const uint8_t expected[] = {7, 0, 8, 0, 5, 0, 3, 0, 7, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(GetSimNibble(&m, 0x50 + i), expected[i]) << i;
}

}  // namespace
