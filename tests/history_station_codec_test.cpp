// The console's history data sets and history header: field decoding, the comparison of
// two reads, and the header's plausibility rules.
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <vector>

#include "history/station_history.h"

namespace {

// Bytes as the console sends them, from nibbles listed lowest address first.
std::vector<uint8_t> Pack(const std::vector<int> &nibbles) {
    std::vector<uint8_t> bytes((nibbles.size() + 1) / 2, 0);
    for (size_t i = 0; i < nibbles.size(); i++)
        bytes[i / 2] |= static_cast<uint8_t>((nibbles[i] & 0xF) << (4 * (i % 2)));
    return bytes;
}

// Nibbles of a binary number, lowest first.
void PutBinary(std::vector<int> *n, size_t first, uint32_t value, int count) {
    for (int i = 0; i < count; i++)
        (*n)[first + i] = (value >> (4 * i)) & 0xF;
}

HistoryRecord Decode(const std::vector<int> &nibbles) {
    HistoryRecord r;
    memset(&r, 0, sizeof r);
    r.time = 123456;
    r.reserved = 9;
    const std::vector<uint8_t> bytes = Pack(nibbles);
    EXPECT_EQ(DecodeHistoryDataSet(bytes.data(), &r), 0);
    EXPECT_EQ(r.time, 123456u);  // the caller's
    EXPECT_EQ(r.reserved, 9u);
    return r;
}

TEST(StationHistory, DataSetFields) {
    std::vector<int> n(20, 0);
    PutBinary(&n, 0, 0x3E8F6, 5);        // indoor code 246, outdoor code 256
    PutBinary(&n, 5, 45 * 10000 + 123, 5);  // humidity 45 %, pressure code 0123
    n[10] = 7;
    n[11] = 8;                           // outdoor humidity 87 %
    PutBinary(&n, 12, 0xFFF, 3);         // rain counter at its top
    PutBinary(&n, 15, 123, 3);           // 12.3 m/s
    n[18] = 13;
    n[19] = 0xF;                         // next data set's first nibble
    const HistoryRecord r = Decode(n);
    EXPECT_NEAR(r.indoor_temperature, -5.4f, 1e-5);
    EXPECT_NEAR(r.outdoor_temperature, -4.4f, 1e-5);
    EXPECT_FLOAT_EQ(r.pressure, 1012.3f);
    EXPECT_EQ(r.indoor_humidity, 45);
    EXPECT_EQ(r.outdoor_humidity, 87);
    EXPECT_NEAR(r.rain, 2121.21f, 1e-3);
    EXPECT_FLOAT_EQ(r.wind_speed, 12.3f);
    EXPECT_EQ(r.wind_direction, 13);
}

TEST(StationHistory, DataSetMarkersAndPressureRange) {
    std::vector<int> n(20, 0);
    PutBinary(&n, 0, 999 * 1000 + 998, 5);
    PutBinary(&n, 5, 9876, 5);
    HistoryRecord r = Decode(n);
    EXPECT_FLOAT_EQ(r.indoor_temperature, 81.11f);
    EXPECT_FLOAT_EQ(r.outdoor_temperature, 136.65f);
    EXPECT_FLOAT_EQ(r.pressure, 987.6f);
    EXPECT_EQ(r.indoor_humidity, 0);
    PutBinary(&n, 5, 4999, 5);
    EXPECT_FLOAT_EQ(Decode(n).pressure, 1499.9f);
    PutBinary(&n, 5, 5000, 5);
    EXPECT_FLOAT_EQ(Decode(n).pressure, 500.0f);
    PutBinary(&n, 0, 0, 5);
    EXPECT_FLOAT_EQ(Decode(n).indoor_temperature, -30.0f);
}

TEST(StationHistory, TwoReadsAgreeInNineteenNibbles) {
    std::vector<int> n(20);
    for (int i = 0; i < 20; i++)
        n[i] = i % 16;
    const std::vector<uint8_t> first = Pack(n);
    std::vector<int> m = n;
    m[19] = 0x3;  // the next data set's nibble
    EXPECT_TRUE(HistoryDataSetsAgree(first.data(), Pack(m).data()));
    m = n;
    m[18] = 0x0;
    EXPECT_FALSE(HistoryDataSetsAgree(first.data(), Pack(m).data()));
    m = n;
    m[0] = 0x1;
    EXPECT_FALSE(HistoryDataSetsAgree(first.data(), Pack(m).data()));
}

// Header nibbles: interval code, countdown, BCD minute..year, index, count.
std::vector<uint8_t> Header(int interval_code, int countdown, uint8_t minute, uint8_t hour,
                            uint8_t day, uint8_t month, uint8_t year, int index, int count) {
    std::vector<int> n(20, 0);
    PutBinary(&n, 0, interval_code, 3);
    PutBinary(&n, 3, countdown, 3);
    std::vector<uint8_t> bytes = Pack(n);
    bytes[3] = minute;
    bytes[4] = hour;
    bytes[5] = day;
    bytes[6] = month;
    bytes[7] = year;
    bytes[8] = static_cast<uint8_t>(index);
    bytes[9] = static_cast<uint8_t>(count);
    return bytes;
}

KORHistoryHeader Untouched() {
    KORHistoryHeader h;
    memset(&h, 0x77, sizeof h);
    return h;
}

TEST(StationHistory, HeaderFields) {
    const std::vector<uint8_t> b = Header(0x1DF, 0x12, 0x30, 0x14, 0x28, 0x02, 0x24, 17, 40);
    KORHistoryHeader h = Untouched();
    h.header_timer = 5;
    h.read_index = 3;
    h.to_read = 2;
    ASSERT_EQ(DecodeKORHistoryHeader(b.data(), b.size(), 1000000, &h), 0);
    EXPECT_EQ(h.interval_code, 0x1DF);
    EXPECT_EQ(h.countdown, 0x12);
    EXPECT_EQ(h.index, 17);
    EXPECT_EQ(h.data_number, 40);
    struct tm t{};
    t.tm_min = 30;
    t.tm_hour = 14;
    t.tm_mday = 28;
    t.tm_mon = 1;
    t.tm_year = 124;
    t.tm_isdst = 0;
    const uint32_t expected = static_cast<uint32_t>(mktime(&t));
    EXPECT_EQ(h.last_data_set_time, expected);
    EXPECT_EQ(h.next_data_set_time, expected + 60u * (0x1DF + 1));
    // The download bookkeeping is not the header's.
    EXPECT_EQ(h.header_timer, 5);
    EXPECT_EQ(h.read_index, 3);
    EXPECT_EQ(h.to_read, 2);
}

TEST(StationHistory, EmptyRingIsDueAfterTheCountdown) {
    const std::vector<uint8_t> b = Header(29, 5, 0x00, 0x12, 0x01, 0x06, 0x07, 0, 0);
    KORHistoryHeader h = Untouched();
    ASSERT_EQ(DecodeKORHistoryHeader(b.data(), b.size(), 1000000, &h), 0);
    EXPECT_EQ(h.next_data_set_time, 1000000u + 6 * 60);
    // A console that never stored a data set leaves the stamp as it came from the
    // factory; nothing depends on it then.
    const std::vector<uint8_t> blank = Header(29, 5, 0x00, 0x00, 0x00, 0x00, 0x00, 0, 0);
    h = Untouched();
    ASSERT_EQ(DecodeKORHistoryHeader(blank.data(), blank.size(), 1000000, &h), 0);
    EXPECT_EQ(h.data_number, 0);
    EXPECT_EQ(h.next_data_set_time, 1000000u + 6 * 60);
}

TEST(StationHistory, ImplausibleHeadersAreRejectedWhole) {
    const KORHistoryHeader before = Untouched();
    const std::vector<uint8_t> bad[] = {
        Header(29, 5, 0x00, 0x12, 0x01, 0x06, 0x07, 3, 255),   // more than the ring holds
        Header(29, 5, 0x00, 0x12, 0x01, 0x06, 0x07, 175, 10),  // index beyond the ring
        Header(29, 5, 0x00, 0x12, 0x31, 0x02, 0x07, 3, 10),   // 31 February
        Header(29, 5, 0x00, 0x12, 0x29, 0x02, 0x07, 3, 10),   // 29 February 2007
        Header(29, 5, 0x1A, 0x12, 0x01, 0x06, 0x07, 3, 10),   // minute digit above 9
        Header(29, 5, 0x00, 0x24, 0x01, 0x06, 0x07, 3, 10),   // hour 24
        Header(29, 5, 0x00, 0x12, 0x01, 0x13, 0x07, 3, 10),   // month 13
        Header(29, 5, 0x00, 0x12, 0x00, 0x06, 0x07, 3, 10),   // day 0
        Header(29, 5, 0x00, 0x12, 0x01, 0x06, 0xA7, 3, 10),   // year digit above 9
    };
    for (size_t i = 0; i < std::size(bad); i++) {
        KORHistoryHeader h = before;
        EXPECT_EQ(DecodeKORHistoryHeader(bad[i].data(), bad[i].size(), 1000000, &h), -1)
            << "case " << i;
        EXPECT_EQ(memcmp(&h, &before, sizeof h), 0) << "case " << i;
    }
    const std::vector<uint8_t> full = Header(29, 5, 0x00, 0x12, 0x29, 0x02, 0x08, 174, 175);
    KORHistoryHeader h = before;
    EXPECT_EQ(DecodeKORHistoryHeader(full.data(), full.size(), 1000000, &h), 0);
    EXPECT_EQ(DecodeKORHistoryHeader(full.data(), 9, 1000000, &h), -1);
}

TEST(StationHistory, HeaderDefaultsKeepTheLastTime) {
    KORHistoryHeader h = Untouched();
    h.last_data_set_time = 4242;
    SetKORHistoryHeaderToDefault(&h);
    EXPECT_EQ(h.last_data_set_time, 4242u);
    EXPECT_EQ(h.header_timer, 0);
    EXPECT_EQ(h.interval_code, -1);
    EXPECT_EQ(h.countdown, 2);
    EXPECT_EQ(h.index, 0);
    EXPECT_EQ(h.data_number, 0);
    EXPECT_EQ(h.read_index, 0);
    EXPECT_EQ(h.to_read, 0);
}

}  // namespace
