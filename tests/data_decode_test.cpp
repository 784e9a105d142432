// Decoding of measured values from the bytes of one read: digit weights, the +30 degC
// bias, the marker values and the plausibility tests.
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "station/data/kor_decode.h"

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

TEST(Decode, TemperatureDigitsBiasAndMarkers) {
    // Read from ML: current ML MM MH HH, MIN_LL skipped, min ML..HH, MAX_LL, max ML..HH.
    std::vector<uint8_t> b = Pack({0, 5, 3, 5, 9, 2, 1, 1, 3, 9, 7, 8, 9, 6});
    TempGroup g{};
    ASSERT_EQ(DecodeTemperatures(b.data(), b.size(), 1, &g), 0);
    EXPECT_FLOAT_EQ(g.current, 23.5f);
    EXPECT_FLOAT_EQ(g.min, 1.12f);
    EXPECT_FLOAT_EQ(g.max, 39.87f);

    b = Pack({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(DecodeTemperatures(b.data(), b.size(), 1, &g), 0);
    EXPECT_FLOAT_EQ(g.current, -30.0f);

    b = Pack({0, 5, 0xF, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    DecodeTemperatures(b.data(), b.size(), 1, &g);
    EXPECT_FLOAT_EQ(g.current, 136.65f);
    b = Pack({0, 5, 0xA, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    DecodeTemperatures(b.data(), b.size(), 1, &g);
    EXPECT_FLOAT_EQ(g.current, 81.11f);
    // Windchill and dewpoint have no marker test: the digit counts as it stands.
    DecodeTemperatures(b.data(), b.size(), 0, &g);
    EXPECT_FLOAT_EQ(g.current, 30.5f);
    // Reset extremes hold all-0xA / all-0xF digits and land on the marker values.
    b = Pack({0, 0, 0, 0, 0, 0xF, 0xF, 0xF, 0xF, 0, 0xA, 0xA, 0xA, 0xA});
    DecodeTemperatures(b.data(), b.size(), 1, &g);
    EXPECT_NEAR(g.min, 136.65f, 1e-4);
    EXPECT_GT(g.max, 80.11f);

    TempGroup untouched{};
    untouched.current = 5.0f;
    EXPECT_EQ(DecodeTemperatures(b.data(), 6, 1, &untouched), -1);
    EXPECT_FLOAT_EQ(untouched.current, 5.0f);
}

TEST(Decode, Humidities) {
    const std::vector<uint8_t> b = Pack({5, 4, 0, 2, 9, 9});
    TempGroup g{};
    ASSERT_EQ(DecodeHumidities(b.data(), b.size(), &g), 0);
    EXPECT_FLOAT_EQ(g.current, 45.0f);
    EXPECT_FLOAT_EQ(g.min, 20.0f);
    EXPECT_FLOAT_EQ(g.max, 99.0f);
    EXPECT_EQ(DecodeHumidities(b.data(), 2, &g), -1);
}

TEST(Decode, WindSpeedDirectionAndFlags) {
    // WIND_FLAGS (unused), WIND_MINMAX_FLAGS, WINDIMP_L/M/H, WINDDIR.
    const std::vector<uint8_t> b = Pack({0xF, 0x3, 0xC, 0x1, 0x0, 0xB});
    int flags = 0;
    float speed = 0;
    int32_t direction = 0;
    ASSERT_EQ(DecodeWindMask8(b.data(), b.size(), &flags, &speed, &direction), 0);
    EXPECT_FLOAT_EQ(speed, 2.8f);
    EXPECT_EQ(direction, 11);
    EXPECT_EQ(flags, 3);

    const std::vector<uint8_t> split = Pack({0x4, 0x2, 0x1, 0x7});  // 0x124 = 292
    ASSERT_EQ(DecodeWindSpeedMask7(split.data(), split.size(), &speed), 0);
    EXPECT_FLOAT_EQ(speed, 29.2f);

    WindGroup g{};
    g.min = 1.0f;
    g.max = 2.0f;
    ApplyWindFlags(0x3, &g);  // error and overflow of the minimum: overflow wins
    EXPECT_FLOAT_EQ(g.min, 51.1f);
    EXPECT_FLOAT_EQ(g.max, 2.0f);
    ApplyWindFlags(0x4, &g);
    EXPECT_FLOAT_EQ(g.max, 51.0f);
    ApplyWindFlags(0xC, &g);
    EXPECT_FLOAT_EQ(g.max, 51.1f);
    g.min = 3.0f;
    ApplyWindFlags(0x1, &g);
    EXPECT_FLOAT_EQ(g.min, 51.0f);
}

TEST(Decode, WindExtremesAndStamps) {
    // 10 m/s = 36 km/h = 0x0E1000 in units of 1/25600 km/h, for both fields; then the
    // minimum's stamp 07:08 05.03.07 and the maximum's 21:45 31.12 (year beyond the read).
    const uint8_t b[15] = {0x00, 0x10, 0x0E, 0x00, 0x20, 0x1C,
                           0x07, 0x08, 0x05, 0x03, 0x07, 0x45, 0x21, 0x31, 0x12};
    WindGroup g{};
    g.max_time.year = 6;
    ASSERT_EQ(DecodeWindMinMax(b, sizeof b, &g), 0);
    EXPECT_NEAR(g.min, 10.0f, 1e-5);
    EXPECT_NEAR(g.max, 20.0f, 1e-5);
    EXPECT_EQ(g.min_time.minute, 7);
    EXPECT_EQ(g.min_time.hour, 8);
    EXPECT_EQ(g.min_time.day, 5);
    EXPECT_EQ(g.min_time.month, 3);
    EXPECT_EQ(g.min_time.year, 7);
    EXPECT_EQ(g.max_time.minute, 45);
    EXPECT_EQ(g.max_time.hour, 21);
    EXPECT_EQ(g.max_time.day, 31);
    EXPECT_EQ(g.max_time.month, 12);
    EXPECT_EQ(g.max_time.year, 6);
    EXPECT_EQ(DecodeWindMinMax(b, 14, &g), -1);
}

TEST(Decode, ReceptionTimerOnlyStoresIntervalsTheSensorsUse) {
    ReceptionGroup g{68.0f, 0.0f, 0, 0};
    // Raw 15 half seconds: 9 s, not an interval the sensors use.
    std::vector<uint8_t> b = Pack({0xF, 0, 0, 4, 0, 0});
    EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &g), 1);
    EXPECT_FLOAT_EQ(g.tx_interval, 68.0f);
    b = Pack({0xD, 0, 0, 0, 0, 0});
    EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &g), 0);
    EXPECT_FLOAT_EQ(g.tx_interval, 8.0f);
    EXPECT_FLOAT_EQ(g.tx_countdown, 1.5f);
    // 125 half seconds + 1.5 = 64 s; countdown raw 0x0A3 = 163 -> 83 s.
    b = Pack({0xD, 0x7, 0, 0x3, 0xA, 0});
    EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &g), 0);
    EXPECT_FLOAT_EQ(g.tx_interval, 64.0f);
    EXPECT_FLOAT_EQ(g.tx_countdown, 83.0f);
    // A countdown above 1200 s is implausible: raw 0x960 = 2400 -> 1201.5 s.
    b = Pack({0xD, 0, 0, 0, 6, 9});
    EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &g), 1);
    EXPECT_FLOAT_EQ(g.tx_countdown, 83.0f);
}

TEST(Decode, PressureAndItsRelativeOffset) {
    // Absolute 1013.2 hPa, then inHg and relative forms (not used), then the difference.
    std::vector<int> n(26, 0);
    const int absolute[5] = {2, 3, 1, 0, 1};
    const int difference[5] = {4, 9, 0, 0, 1};  // 1009.4 hPa = +9.4 over the bias
    for (int i = 0; i < 5; i++) {
        n[i] = absolute[i];
        n[20 + i] = difference[i];
    }
    std::vector<uint8_t> b(13, 0);
    for (size_t i = 0; i < n.size(); i++)
        b[i / 2] |= static_cast<uint8_t>(n[i] << (4 * (i % 2)));
    PressureGroup g{};
    ASSERT_EQ(DecodePressure(b.data(), b.size(), &g), 0);
    EXPECT_FLOAT_EQ(g.current, 1013.2f);
    EXPECT_NEAR(g.rel_offset, 9.4f, 1e-4);
    ASSERT_EQ(DecodePressureMinMax(b.data(), b.size(), &g), 0);
    EXPECT_FLOAT_EQ(g.min, 1013.2f);
    EXPECT_FLOAT_EQ(g.max, 1009.4f);

    b[10] = 0x00;
    b[11] = 0x00;
    b[12] = 0x01;  // 1000.0: no offset
    DecodePressure(b.data(), b.size(), &g);
    EXPECT_FLOAT_EQ(g.rel_offset, 0.0f);
    EXPECT_EQ(DecodePressure(b.data(), 12, &g), -1);
}

TEST(Decode, WeatherPictureAndTrend) {
    PressureGroup g{};
    const uint8_t good_up = 0x12;
    DecodeWeatherPicture(&good_up, 1, &g);
    EXPECT_EQ(g.weather, 2);
    EXPECT_EQ(g.trend, 1);
    const uint8_t odd = 0x75;
    DecodeWeatherPicture(&odd, 1, &g);
    EXPECT_EQ(g.weather, 3);
    EXPECT_EQ(g.trend, 0);
}

TEST(Decode, RainAmountsAndStamps) {
    // 24 h: 12.34 mm; largest 1234.56 mm at 08:07 on 05.03.(20)07.
    const std::vector<uint8_t> b =
        Pack({4, 3, 2, 1, 0, 0, 6, 5, 4, 3, 2, 1, 7, 0, 8, 0, 5, 0, 3, 0, 7, 0});
    float amount = 0;
    RainValue largest{};
    largest.time.second = 13;
    ASSERT_EQ(DecodeRain(b.data(), b.size(), &amount, &largest), 0);
    EXPECT_FLOAT_EQ(amount, 12.34f);
    EXPECT_FLOAT_EQ(largest.value, 1234.56f);
    EXPECT_EQ(largest.time.minute, 7);
    EXPECT_EQ(largest.time.hour, 8);
    EXPECT_EQ(largest.time.day, 5);
    EXPECT_EQ(largest.time.month, 3);
    EXPECT_EQ(largest.time.year, 2007);
    EXPECT_EQ(largest.time.second, 13);

    // Total 9999.00 mm, last reset 23:59 on 31.12.(20)99.
    const std::vector<uint8_t> total = {0x00, 0x99, 0x99, 0x59, 0x23, 0x31, 0x12, 0x99};
    RainValue v{};
    ASSERT_EQ(DecodeRainTotal(total.data(), total.size(), &v), 0);
    EXPECT_FLOAT_EQ(v.value, 9999.0f);
    EXPECT_EQ(v.time.minute, 59);
    EXPECT_EQ(v.time.hour, 23);
    EXPECT_EQ(v.time.day, 31);
    EXPECT_EQ(v.time.month, 12);
    EXPECT_EQ(v.time.year, 2099);
    EXPECT_EQ(DecodeRainTotal(total.data(), 7, &v), -1);
}

TEST(Decode, AlarmFlagsComeFromTheirBits) {
    const int where[22][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 6}, {0, 7}, {1, 0}, {1, 1}, {1, 2},
                              {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {2, 0}, {2, 1}, {2, 2},
                              {2, 3}, {2, 4}, {2, 5}, {3, 2}, {3, 0}, {3, 1}};
    for (int flag = 0; flag < 22; flag++) {
        uint8_t b[4] = {};
        b[where[flag][0]] = static_cast<uint8_t>(1 << where[flag][1]);
        AlarmFlags f{};
        ASSERT_EQ(DecodeAlert(b, 4, &f), 0);
        for (int i = 0; i < 22; i++)
            EXPECT_EQ(f.flag[i], i == flag ? 1 : 0) << "flag " << flag << " index " << i;
    }
    // Bits no flag uses set nothing.
    const uint8_t unused[4] = {0x38, 0x00, 0xC0, 0xF8};
    AlarmFlags f{};
    DecodeAlert(unused, 4, &f);
    for (int i = 0; i < 22; i++)
        EXPECT_EQ(f.flag[i], 0);
}

TEST(Decode, ConsoleWindUnit) {
    const int expected[16] = {0, 3, 4, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int n = 0; n < 16; n++)
        EXPECT_EQ(DecodeWindUnit(static_cast<uint8_t>(0x70 | n)), expected[n]) << n;
}

TEST(Decode, AlarmThresholdsAsReadBack) {
    float v = 0;
    // Read from LOAL_ML: ML, MM, MH, HH of -10.0 degC (n = 200 at 0.1, ML = 0).
    std::vector<uint8_t> b = Pack({0, 0, 0, 2});
    ASSERT_EQ(DecodeTemperatureAlarmValue(b.data(), b.size(), &v), 0);
    EXPECT_FLOAT_EQ(v, -10.0f);
    b = Pack({2, 3, 1, 0, 1, 0});
    ASSERT_EQ(DecodePressureAlarmValue(b.data(), b.size(), &v), 0);
    EXPECT_FLOAT_EQ(v, 1013.2f);
    // 50 km/h = 0x138800; a fraction of a km/h is cut.
    b = Pack({0, 0, 8, 8, 3, 1});
    ASSERT_EQ(DecodeAlarmWind(b.data(), b.size(), &v), 0);
    EXPECT_FLOAT_EQ(v, static_cast<float>(50 / 3.6));
    b = Pack({0xF, 0xF, 8, 8, 3, 1});
    DecodeAlarmWind(b.data(), b.size(), &v);
    EXPECT_FLOAT_EQ(v, static_cast<float>(50 / 3.6));
    uint32_t mask = 0;
    b = Pack({3, 0xC, 5, 0xA});
    ASSERT_EQ(DecodeAlarmWindDirection(b.data(), b.size(), &mask), 0);
    EXPECT_EQ(mask, 0xA5C3u);
    b = Pack({5, 6});
    ASSERT_EQ(DecodeHumidityValue(b.data(), b.size(), &v), 0);
    EXPECT_FLOAT_EQ(v, 65.0f);
    b = Pack({0, 4, 3, 2, 1, 0});
    ASSERT_EQ(DecodeRainAlarmValue(b.data(), b.size(), &v), 0);
    EXPECT_FLOAT_EQ(v, 12.34f);
    EXPECT_EQ(DecodeRainAlarmValue(b.data(), 2, &v), -1);
}

}  // namespace
