// Encodings written into the console: digit order, rounding, markers of a reset, and the
// thresholds that do not fit their field.
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "station/data/kor_decode.h"
#include "station/data/kor_encode.h"
#include "station/data/kor_nibbles.h"

namespace {

using Nibbles = std::vector<uint8_t>;

template <typename Encoder, typename Value>
Nibbles Encode(Encoder encode, Value value) {
    uint8_t buffer[16];
    const int count = encode(value, buffer, sizeof buffer);
    EXPECT_GT(count, 0);
    return Nibbles(buffer, buffer + (count > 0 ? count : 0));
}

// Bytes as a read at the given nibble of the written field would deliver them.
std::vector<uint8_t> AsRead(const Nibbles &n, size_t first) {
    std::vector<uint8_t> bytes((n.size() - first + 1) / 2, 0);
    for (size_t i = first; i < n.size(); i++)
        bytes[(i - first) / 2] |= static_cast<uint8_t>(n[i] << (4 * ((i - first) % 2)));
    return bytes;
}

// A temperature threshold as the console reads it back from its LOAL_ML location.
float TemperatureAlarmRoundTrip(float celsius) {
    const Nibbles n = Encode(EncodeTemperatureAlarmValue, celsius);
    const std::vector<uint8_t> bytes = AsRead(n, 1);
    float back = -999.0f;
    EXPECT_EQ(DecodeTemperatureAlarmValue(bytes.data(), bytes.size(), &back), 0);
    return back;
}

TEST(Encode, DecimalBufferZerosDigitsAndRange) {
    uint8_t n[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    const float v = 12.345f;
    ConvertFloatToDecByteBuffer(&v, n, 2, 5, 2);  // 1234.5 -> 1235 (rounded)
    EXPECT_EQ(Nibbles(n, n + 8), (Nibbles{0, 0, 5, 3, 2, 1, 0, 9}));
    const float negative = -3.0f;
    ConvertFloatToDecByteBuffer(&negative, n, 0, 3, 0);
    EXPECT_EQ(Nibbles(n, n + 3), (Nibbles{0, 0, 0}));
    const float large = 12345.0f;
    ConvertFloatToDecByteBuffer(&large, n, 0, 3, 0);
    EXPECT_EQ(Nibbles(n, n + 3), (Nibbles{9, 9, 9}));
}

TEST(Encode, TemperatureAlarm) {
    EXPECT_EQ(Encode(EncodeTemperatureAlarmValue, -10.0f), (Nibbles{0, 0, 0, 0, 2}));
    EXPECT_EQ(Encode(EncodeTemperatureAlarmValue, 25.04f), (Nibbles{0, 0, 0, 5, 5}));
    EXPECT_EQ(Encode(EncodeTemperatureAlarmValue, 69.9f), (Nibbles{0, 0, 9, 9, 9}));
    EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(-30.0f), -30.0f);
    EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(21.7f), 21.7f);
    EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(69.9f), 69.9f);
}

TEST(Encode, TemperatureAlarmOutsideTheFieldGoesToTheNearestEnd) {
    // The field holds three digits of (value + 30) x 10. From 69.95 degC on the value
    // would need a fourth digit; it used to be cut to 000 and read back as -30.0 degC.
    for (float celsius : {69.95f, 69.96f, 70.0f, 71.1f, 80.0f, 500.0f})
        EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(celsius), 69.9f) << celsius;
    for (float celsius : {-30.04f, -31.0f, -40.0f})
        EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(celsius), -30.0f) << celsius;
    EXPECT_FLOAT_EQ(TemperatureAlarmRoundTrip(std::nanf("")), -30.0f);
}

TEST(Encode, HumidityPressureAndWindAlarms) {
    EXPECT_EQ(Encode(EncodeHumidityValue, 45.4f), (Nibbles{5, 4}));
    EXPECT_EQ(Encode(EncodeHumidityValue, 99.6f), (Nibbles{9, 9}));
    EXPECT_EQ(Encode(EncodePressureAlarmValue, 1013.2f), (Nibbles{2, 3, 1, 0, 1}));
    EXPECT_EQ(Encode(EncodePressureAlarmValue, 299.2f), (Nibbles{2, 9, 9, 2, 0}));  // inHg x 10
    EXPECT_EQ(Encode(EncodeWindAlarmKmph, 50.0f), (Nibbles{0, 0, 8, 8, 3, 1}));
    EXPECT_EQ(Encode(EncodeWindAlarmKmph, 1000.0f),
              (Nibbles{0xF, 0xF, 0xF, 0xF, 0xF, 0xF}));
    EXPECT_EQ(Encode(EncodeWindAlarmKmph, -5.0f), (Nibbles{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Encode(EncodeWindAlarmLocal, 12.34f), (Nibbles{4, 3, 2, 1, 0}));
    EXPECT_EQ(Encode(EncodeWindDirectionAlarm, 0x1A5C3u), (Nibbles{3, 0xC, 5, 0xA}));

    // What is written reads back through the threshold decoder.
    const Nibbles wind = Encode(EncodeWindAlarmKmph, 72.0f);
    const std::vector<uint8_t> bytes = AsRead(wind, 0);
    float back = 0;
    DecodeAlarmWind(bytes.data(), bytes.size(), &back);
    EXPECT_FLOAT_EQ(back, static_cast<float>(72 / 3.6));
}

TEST(Encode, RainAlarmAndMaximum) {
    const Nibbles alarm = Encode(EncodeRainAlarmValue, 12.34f);
    EXPECT_EQ(alarm, (Nibbles{0, 4, 3, 2, 1, 0, 0}));
    const std::vector<uint8_t> bytes = AsRead(alarm, 0);
    float back = 0;
    DecodeRainAlarmValue(bytes.data(), 3, &back);
    EXPECT_FLOAT_EQ(back, 12.34f);
    EXPECT_EQ(Encode(EncodeRainMax, 12.34f), (Nibbles{4, 3, 2, 1, 0, 0}));
    EXPECT_EQ(Encode(EncodeRainMax, 2121.21f), (Nibbles{1, 2, 1, 2, 1, 2}));
}

TEST(Encode, MinMaxResetsAndTheirMarkers) {
    EXPECT_EQ(Encode(EncodeTemperatureMinMax, 23.5f), (Nibbles{0, 0, 5, 3, 5}));
    EXPECT_EQ(Encode(EncodeTemperatureMinMax, -30.0f), (Nibbles{0, 0, 0, 0, 0}));
    EXPECT_EQ(Encode(EncodeTemperatureMinMax, 81.11f), (Nibbles(5, 0xA)));
    EXPECT_EQ(Encode(EncodeTemperatureMinMax, 136.65f), (Nibbles(5, 0xF)));
    EXPECT_EQ(Encode(EncodeHumidityMinMax, 55.0f), (Nibbles{5, 5}));
    EXPECT_EQ(Encode(EncodeHumidityMinMax, 110.0f), (Nibbles{0xA, 0xA}));
    EXPECT_EQ(Encode(EncodeHumidityMinMax, 121.0f), (Nibbles{0xF, 0xF}));

    uint8_t n[10];
    ASSERT_EQ(EncodePressureMinMax(1013.2f, 29.92f, n, sizeof n), 10);
    EXPECT_EQ(Nibbles(n, n + 10), (Nibbles{2, 3, 1, 0, 1, 2, 9, 9, 2, 0}));
    EncodePressureMinMax(11111.1f, 328.1f, n, sizeof n);
    EXPECT_EQ(Nibbles(n, n + 10), Nibbles(10, 0xA));
    EncodePressureMinMax(16666.6f, 492.1f, n, sizeof n);
    EXPECT_EQ(Nibbles(n, n + 10), Nibbles(10, 0xF));
    EXPECT_EQ(EncodePressureMinMax(1013.2f, 29.92f, n, 9), -1);

    // A reset extreme with its LL digit skipped reads back as the value.
    const Nibbles t = Encode(EncodeTemperatureMinMax, 12.34f);
    std::vector<uint8_t> bytes = AsRead(t, 1);
    float back = 0;
    DecodeTemperatureAlarmValue(bytes.data(), bytes.size(), &back);
    EXPECT_FLOAT_EQ(back, 12.34f);
}

TEST(Encode, WindExtremesReset) {
    uint8_t n[12];
    uint8_t flags = 0xFF;
    ASSERT_EQ(EncodeWindSpeedMinMax(10.0f, n, sizeof n, &flags), 12);
    EXPECT_EQ(Nibbles(n, n + 12), (Nibbles{0, 0, 0, 1, 0xE, 0, 0, 0, 0, 1, 0xE, 0}));
    EXPECT_EQ(flags, 0);
    EncodeWindSpeedMinMax(51.0f, n, sizeof n, &flags);
    EXPECT_EQ(Nibbles(n, n + 12), (Nibbles{0, 0, 0, 5, 6, 4, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(flags, 5);
    EncodeWindSpeedMinMax(51.1f, n, sizeof n, &flags);
    EXPECT_EQ(flags, 10);
    EXPECT_EQ(n[5], 4);
    EXPECT_EQ(EncodeWindSpeedMinMax(10.0f, n, 11, &flags), -1);

    // Both fields read back as the speed written.
    EncodeWindSpeedMinMax(7.3f, n, sizeof n, &flags);
    uint8_t read[15] = {};
    for (int i = 0; i < 12; i++)
        read[i / 2] |= static_cast<uint8_t>(n[i] << (4 * (i % 2)));
    WindGroup g{};
    DecodeWindMinMax(read, sizeof read, &g);
    EXPECT_NEAR(g.min, 7.3f, 1e-4);
    EXPECT_NEAR(g.max, 7.3f, 1e-4);
}

TEST(Encode, ShortBuffersAreRefused) {
    uint8_t n[4];
    EXPECT_EQ(EncodeTemperatureAlarmValue(1.0f, n, sizeof n), -1);
    EXPECT_EQ(EncodeRainAlarmValue(1.0f, n, sizeof n), -1);
    EXPECT_EQ(EncodeWindAlarmKmph(1.0f, n, sizeof n), -1);
    EXPECT_EQ(EncodeWindDirectionAlarm(1u, n, 3), -1);
}

}  // namespace
