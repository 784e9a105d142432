// Decoding of the console's measured values from the bytes of one read. The encodings
// are the console's: BCD digits lowest first with temperatures biased by +30 degC, binary
// nibble runs for wind speed and the reception timer, km/h x 25600 for the wind extremes.
#include "station/data/kor_decode.h"

#include "station/data/kor_clock_codec.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_nibbles.h"

static float Temperature(const uint8_t *bytes, int first) {
    return static_cast<float>(KORBCDValue(bytes, first, 4, 2) - 30.0);
}

int DecodeTemperatures(const uint8_t *bytes, size_t size, int markers, TempGroup *group) {
    if (size < KOR_TEMPERATURE_BYTES)
        return -1;
    const uint8_t units = KORNibble(bytes, 2);
    if (markers && units == 0xF)
        group->current = KOR_TEMP_OVERFLOW;
    else if (markers && units == 0xA)
        group->current = KOR_TEMP_NOT_AVAILABLE;
    else
        group->current = Temperature(bytes, 0);
    group->min = Temperature(bytes, 5);
    group->max = Temperature(bytes, 10);
    return 0;
}

int DecodeHumidities(const uint8_t *bytes, size_t size, TempGroup *group) {
    if (size < KOR_HUMIDITY_BYTES)
        return -1;
    group->current = static_cast<float>(KORBCDValue(bytes, 0, 2, 0));
    group->min = static_cast<float>(KORBCDValue(bytes, 2, 2, 0));
    group->max = static_cast<float>(KORBCDValue(bytes, 4, 2, 0));
    return 0;
}

int DecodeWindMask8(const uint8_t *bytes, size_t size, int *flags, float *speed,
                    int32_t *direction) {
    if (size < KOR_WIND_MASK8_BYTES)
        return -1;
    *flags = KORNibble(bytes, 1);
    *speed = static_cast<float>(KORBinaryValue(bytes, 2, 3) / 10.0);
    *direction = KORNibble(bytes, 5);
    return 0;
}

int DecodeWindSpeedMask7(const uint8_t *bytes, size_t size, float *speed) {
    if (size < KOR_WIND_SPEED_MASK7_BYTES)
        return -1;
    *speed = static_cast<float>(KORBinaryValue(bytes, 0, 3) / 10.0);
    return 0;
}

// Six binary nibbles of km/h x 25600, as m/s.
static float WindExtreme(const uint8_t *bytes) {
    const double raw = bytes[0] + 256.0 * bytes[1] + 65536.0 * bytes[2];
    return static_cast<float>(raw / 25600.0 / 3.6);
}

int DecodeWindMinMax(const uint8_t *bytes, size_t size, WindGroup *group) {
    if (size < KOR_WIND_MINMAX_BYTES)
        return -1;
    group->min = WindExtreme(bytes);
    group->max = WindExtreme(bytes + 3);
    ConvertKORDataToMinMaxDateTime(bytes + 6, 1, &group->min_time);
    DecodeKORStampFields(bytes + 11, 4, &group->max_time);
    return 0;
}

void ApplyWindFlags(int flags, WindGroup *group) {
    if (flags & (1 << WIND_MIN_ERR))
        group->min = KOR_WIND_ERROR;
    if (flags & (1 << WIND_MIN_OFL))
        group->min = KOR_WIND_OVERFLOW;
    if (flags & (1 << WIND_MAX_ERR))
        group->max = KOR_WIND_ERROR;
    if (flags & (1 << WIND_MAX_OFL))
        group->max = KOR_WIND_OVERFLOW;
}

static float Pressure(const uint8_t *bytes, int first) {
    return static_cast<float>(KORBCDValue(bytes, first, 5, 1));
}

int DecodePressure(const uint8_t *bytes, size_t size, PressureGroup *group) {
    if (size < KOR_PRESSURE_BYTES)
        return -1;
    group->current = Pressure(bytes, 0);
    // The difference of relative over absolute pressure is kept with a bias of 1000 hPa.
    group->rel_offset = static_cast<float>(KORBCDValue(bytes, 20, 5, 1) - 1000.0);
    return 0;
}

int DecodePressureMinMax(const uint8_t *bytes, size_t size, PressureGroup *group) {
    if (size < KOR_PRESSURE_BYTES)
        return -1;
    group->min = Pressure(bytes, 0);
    group->max = Pressure(bytes, 20);
    return 0;
}

int DecodeWeatherPicture(const uint8_t *bytes, size_t size, PressureGroup *group) {
    if (size < 1)
        return -1;
    const int weather = bytes[0] & 0x0F;
    const int trend = bytes[0] >> 4;
    group->weather = weather > 2 ? 3 : weather;
    group->trend = trend > 2 ? 0 : trend;
    return 0;
}

static float RainAmount(const uint8_t *bytes, int first) {
    return static_cast<float>(KORBCDValue(bytes, first, 6, 2));
}

// Minute, hour, day, month, year of a rain stamp; the seconds are left as they were.
static void RainStamp(const uint8_t *bytes, KORStamp *s) {
    s->minute = KORBCDByte(bytes[0]);
    s->hour = KORBCDByte(bytes[1]);
    s->day = KORBCDByte(bytes[2]);
    s->month = KORBCDByte(bytes[3]);
    s->year = KORBCDByte(bytes[4]) + 2000;
}

int DecodeRain(const uint8_t *bytes, size_t size, float *amount, RainValue *largest) {
    if (size < KOR_RAIN_BYTES)
        return -1;
    *amount = RainAmount(bytes, 0);
    largest->value = RainAmount(bytes, 6);
    RainStamp(bytes + 6, &largest->time);
    return 0;
}

int DecodeRainTotal(const uint8_t *bytes, size_t size, RainValue *total) {
    if (size < KOR_RAIN_TOTAL_BYTES)
        return -1;
    total->value = RainAmount(bytes, 0);
    RainStamp(bytes + 3, &total->time);
    return 0;
}

int DecodeReceptionTimer(const uint8_t *bytes, size_t size, ReceptionGroup *group) {
    if (size < KOR_RECEPTION_BYTES)
        return -1;
    // Twelve-bit counts of half seconds; the console counts the last 1.5 s elsewhere.
    const float interval = (bytes[0] + 256 * (bytes[1] & 0x0F)) / 2.0f + 1.5f;
    const float countdown = ((bytes[1] >> 4) + 16 * bytes[2]) / 2.0f + 1.5f;
    const bool known_interval = interval == 8.0f || interval == 16.0f || interval == 32.0f ||
                                interval == 64.0f || interval == 128.0f;
    if (!known_interval || countdown > 1200.0f)
        return 1;
    group->tx_interval = interval;
    group->tx_countdown = countdown;
    return 0;
}

int DecodeAlert(const uint8_t *bytes, size_t size, AlarmFlags *flags) {
    if (size < KOR_ALERT_BYTES)
        return -1;
    // Byte and bit of each of the 22 flags; the gaps are bits the console does not use.
    static const uint8_t where[22][2] = {
        {0, 0}, {0, 1}, {0, 2}, {0, 6}, {0, 7}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5},
        {1, 6}, {1, 7}, {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {3, 2}, {3, 0}, {3, 1}};
    for (int i = 0; i < 22; i++)
        flags->flag[i] = (bytes[where[i][0]] >> where[i][1]) & 1;
    return 0;
}

int DecodeWindUnit(uint8_t byte) {
    switch (byte & 0x0F) {
    case 1: return 3;  // knots
    case 2: return 4;  // Beaufort
    case 3: return 1;  // km/h
    case 4: return 2;  // mph
    default: return 0; // m/s
    }
}

int DecodeTemperatureAlarmValue(const uint8_t *bytes, size_t size, float *value) {
    if (size < 2)
        return -1;
    *value = Temperature(bytes, 0);
    return 0;
}

int DecodePressureAlarmValue(const uint8_t *bytes, size_t size, float *value) {
    if (size < 3)
        return -1;
    *value = Pressure(bytes, 0);
    return 0;
}

int DecodeAlarmWind(const uint8_t *bytes, size_t size, float *value) {
    if (size < 3)
        return -1;
    // Whole km/h: the console keeps km/h x 25600.
    const uint32_t raw = bytes[0] + 256u * bytes[1] + 65536u * bytes[2];
    *value = static_cast<float>((raw / 25600u) / 3.6);
    return 0;
}

int DecodeAlarmWindDirection(const uint8_t *bytes, size_t size, uint32_t *mask) {
    if (size < 2)
        return -1;
    *mask = bytes[0] + 256u * bytes[1];
    return 0;
}

int DecodeHumidityValue(const uint8_t *bytes, size_t size, float *value) {
    if (size < 1)
        return -1;
    *value = static_cast<float>(KORBCDValue(bytes, 0, 2, 0));
    return 0;
}

int DecodeRainAlarmValue(const uint8_t *bytes, size_t size, float *value) {
    if (size < 3)
        return -1;
    *value = static_cast<float>(KORBCDValue(bytes, 0, 6, 3));
    return 0;
}
