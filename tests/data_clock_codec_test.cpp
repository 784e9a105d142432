// The console's BCD time stamps: decoding with the plausibility checks, the clock images,
// and the ten nibbles written for a reset time.
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <vector>

#include "station/data/kor_clock_codec.h"
#include "station/data/kor_nibbles.h"

namespace {

// Bytes as the console sends them, from nibbles listed lowest address first.
std::vector<uint8_t> Pack(std::initializer_list<int> nibbles) {
    std::vector<uint8_t> bytes((nibbles.size() + 1) / 2, 0);
    int i = 0;
    for (int n : nibbles) {
        bytes[i / 2] |= static_cast<uint8_t>((n & 0xF) << (4 * (i % 2)));
        i++;
    }
    return bytes;
}

int Convert(std::initializer_list<uint8_t> stamp, struct tm *t) {
    const std::vector<uint8_t> bytes(stamp);
    return ConvertKORBufferTo_tm_Time(t, bytes.data());
}

TEST(ClockCodec, PackedBCDAndFields) {
    for (int v : {0, 7, 10, 59, 99}) {
        const uint8_t binary = static_cast<uint8_t>(v);
        EXPECT_EQ(KORBCDByte(HexToDec8(&binary)), v);
    }
    const uint8_t fifty_nine = 59;
    EXPECT_EQ(HexToDec8(&fifty_nine), 0x59);
    const uint8_t unaligned[] = {0x5A, 0x03};
    EXPECT_EQ(GetNextTimeDateTag(unaligned, 0), 35);
    EXPECT_EQ(GetNextTimeDateTag(unaligned, 1), 0x0A + 50);
}

TEST(ClockCodec, LastMinuteOfTheCentury) {
    struct tm t{};
    EXPECT_EQ(Convert({0x59, 0x23, 0x31, 0x12, 0x99}, &t), 0);
    EXPECT_EQ(t.tm_min, 59);
    EXPECT_EQ(t.tm_hour, 23);
    EXPECT_EQ(t.tm_mday, 31);
    EXPECT_EQ(t.tm_mon, 11);
    EXPECT_EQ(t.tm_year, 199);
    EXPECT_EQ(t.tm_sec, 0);
}

TEST(ClockCodec, ImpossibleFieldsReportTheFirstFailure) {
    struct tm t{};
    EXPECT_EQ(Convert({0x00, 0x12, 0x15, 0x13, 0x07}, &t), -4);
    EXPECT_EQ(t.tm_mon, 12);  // filled all the same
    EXPECT_EQ(Convert({0x00, 0x12, 0x15, 0x06, 0xA1}, &t), -5);
    EXPECT_EQ(t.tm_year, 201);
    EXPECT_EQ(Convert({0x60, 0x24, 0x15, 0x06, 0x07}, &t), -1);
    EXPECT_EQ(Convert({0x00, 0x24, 0x15, 0x06, 0x07}, &t), -2);
    EXPECT_EQ(Convert({0x00, 0x12, 0x32, 0x06, 0x07}, &t), -3);
    // A digit above 9 is impossible even where the field's value would still fit.
    EXPECT_EQ(Convert({0x1A, 0x12, 0x15, 0x06, 0x07}, &t), -1);
    EXPECT_EQ(Convert({0x00, 0x0B, 0x15, 0x06, 0x07}, &t), -2);
    EXPECT_EQ(Convert({0x00, 0x12, 0x15, 0x06, 0x0F}, &t), -5);
}

TEST(ClockCodec, DaysBeyondTheirMonthAreRejected) {
    struct tm t{};
    EXPECT_EQ(Convert({0x00, 0x12, 0x31, 0x02, 0x07}, &t), -3);  // 31 February
    EXPECT_EQ(Convert({0x00, 0x12, 0x31, 0x04, 0x07}, &t), -3);  // 31 April
    EXPECT_EQ(Convert({0x00, 0x12, 0x29, 0x02, 0x23}, &t), -3);  // 2023 is no leap year
    EXPECT_EQ(Convert({0x00, 0x12, 0x29, 0x02, 0x24}, &t), 0);
    EXPECT_EQ(Convert({0x00, 0x12, 0x29, 0x02, 0x00}, &t), 0);   // 2000 is one
    EXPECT_EQ(Convert({0x00, 0x12, 0x00, 0x02, 0x07}, &t), -3);  // day 0
    EXPECT_EQ(Convert({0x00, 0x12, 0x01, 0x00, 0x07}, &t), -4);  // month 0
}

TEST(ClockCodec, ExtremeStampsKeepMonthAndTwoDigitYear) {
    KORStamp s{};
    s.spare = 77;
    const uint8_t aligned[] = {0x07, 0x08, 0x05, 0x03, 0x07};
    ConvertKORDataToMinMaxDateTime(aligned, 1, &s);
    EXPECT_EQ(s.second, 0);
    EXPECT_EQ(s.minute, 7);
    EXPECT_EQ(s.hour, 8);
    EXPECT_EQ(s.day, 5);
    EXPECT_EQ(s.month, 3);
    EXPECT_EQ(s.year, 7);
    EXPECT_EQ(s.spare, 77);
    // The same stamp starting one nibble later.
    const std::vector<uint8_t> shifted = Pack({9, 7, 0, 8, 0, 5, 0, 3, 0, 7, 0});
    KORStamp u{};
    ConvertKORDataToMinMaxDateTime(shifted.data(), 0, &u);
    EXPECT_EQ(u.minute, 7);
    EXPECT_EQ(u.year, 7);
    // Part of a stamp leaves the remaining fields alone.
    KORStamp partial{};
    partial.year = 42;
    DecodeKORStampFields(aligned, 4, &partial);
    EXPECT_EQ(partial.month, 3);
    EXPECT_EQ(partial.year, 42);
}

TEST(ClockCodec, FinalClockImage) {
    // 14:37, weekday 3, 28 February 2007.
    const std::vector<uint8_t> bytes = Pack({7, 3, 4, 1, 3, 8, 2, 2, 0, 7, 0, 0});
    struct tm t{};
    ASSERT_EQ(DecodeKORFinalTimeDate(bytes.data(), bytes.size(), &t), 0);
    EXPECT_EQ(t.tm_min, 37);
    EXPECT_EQ(t.tm_hour, 14);
    EXPECT_EQ(t.tm_wday, 3);
    EXPECT_EQ(t.tm_mday, 28);
    EXPECT_EQ(t.tm_mon, 1);
    EXPECT_EQ(t.tm_year, 107);
    EXPECT_EQ(DecodeKORFinalTimeDate(bytes.data(), 5, &t), -1);
    // 31 February would become 3 March under mktime: reported instead.
    const std::vector<uint8_t> bad = Pack({7, 3, 4, 1, 3, 1, 3, 2, 0, 7, 0, 0});
    EXPECT_EQ(DecodeKORFinalTimeDate(bad.data(), bad.size(), &t), -3);
    const std::vector<uint8_t> digit = Pack({0xC, 3, 4, 1, 3, 1, 1, 2, 0, 7, 0, 0});
    EXPECT_EQ(DecodeKORFinalTimeDate(digit.data(), digit.size(), &t), -3);
}

TEST(ClockCodec, SecondsAndMinute) {
    const uint8_t bytes[] = {0x42, 0x17};
    struct tm t;
    memset(&t, 0x55, sizeof t);
    ASSERT_EQ(DecodeKORMinSec(bytes, 2, &t), 0);
    EXPECT_EQ(t.tm_sec, 42);
    EXPECT_EQ(t.tm_min, 17);
    EXPECT_EQ(t.tm_hour, 0);
    EXPECT_EQ(t.tm_year, 0);
    EXPECT_EQ(t.tm_isdst, 0);
    const uint8_t bad[] = {0x60, 0x17};
    EXPECT_EQ(DecodeKORMinSec(bad, 2, &t), -3);
    EXPECT_EQ(DecodeKORMinSec(bytes, 1, &t), -1);
}

TEST(ClockCodec, WrittenStampIsUnitsFirst) {
    struct tm t{};
    t.tm_year = 107;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 8;
    t.tm_min = 7;
    t.tm_sec = 33;
    uint8_t nibbles[10];
    ASSERT_EQ(EncodeKORTime(&t, nibbles, sizeof nibbles), 10);
    const uint8_t expected[10] = {7, 0, 8, 0, 5, 0, 3, 0, 7, 0};
    EXPECT_EQ(memcmp(nibbles, expected, 10), 0);
    EXPECT_EQ(EncodeKORTime(&t, nibbles, 9), -1);

    // What is written reads back as the same time.
    t = {};
    t.tm_year = 124;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    ASSERT_EQ(EncodeKORTime(&t, nibbles, sizeof nibbles), 10);
    uint8_t bytes[5];
    for (int i = 0; i < 5; i++)
        bytes[i] = static_cast<uint8_t>(nibbles[2 * i] | (nibbles[2 * i + 1] << 4));
    struct tm back{};
    ASSERT_EQ(ConvertKORBufferTo_tm_Time(&back, bytes), 0);
    EXPECT_EQ(back.tm_year, 124);
    EXPECT_EQ(back.tm_mon, 11);
    EXPECT_EQ(back.tm_mday, 31);
    EXPECT_EQ(back.tm_hour, 23);
    EXPECT_EQ(back.tm_min, 59);
}

}  // namespace
