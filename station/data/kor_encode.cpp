// Encodings of the values the program writes into the console, the inverse of the
// decoders: BCD digits lowest first, temperatures biased by +30 degC, wind in km/h x 25600.
#include "station/data/kor_encode.h"

#include <cmath>

#include "station/data/kor_nibbles.h"

static void Fill(uint8_t *nibbles, int count, uint8_t value) {
    for (int i = 0; i < count; i++)
        nibbles[i] = value;
}

// Binary value as `count` nibbles, lowest first.
static void Binary(uint32_t value, uint8_t *nibbles, int count) {
    for (int i = 0; i < count; i++)
        nibbles[i] = static_cast<uint8_t>((value >> (4 * i)) & 0x0F);
}

static bool Fits(size_t size, int count) { return size >= static_cast<size_t>(count); }

int EncodeTemperatureAlarmValue(float celsius, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_TEMPERATURE_ALARM_NIBBLES))
        return -1;
    // The field would keep only the lowest three digits of 1000 and more, which the
    // console reads as -30.0 degC: out-of-range thresholds go to the nearest end instead.
    float biased = celsius + 30.0f;
    if (!(celsius >= KOR_TEMPERATURE_ALARM_MIN))
        biased = 0.0f;
    else if (celsius > KOR_TEMPERATURE_ALARM_MAX)
        biased = KOR_TEMPERATURE_ALARM_MAX + 30.0f;
    ConvertFloatToDecByteBuffer(&biased, nibbles, 2, 3, 1);
    return KOR_TEMPERATURE_ALARM_NIBBLES;
}

int EncodeHumidityValue(float percent, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_HUMIDITY_NIBBLES))
        return -1;
    ConvertFloatToDecByteBuffer(&percent, nibbles, 0, 2, 0);
    return KOR_HUMIDITY_NIBBLES;
}

int EncodePressureAlarmValue(float value, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_PRESSURE_ALARM_NIBBLES))
        return -1;
    ConvertFloatToDecByteBuffer(&value, nibbles, 0, 5, 1);
    return KOR_PRESSURE_ALARM_NIBBLES;
}

int EncodeWindAlarmKmph(float kmph, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_WIND_ALARM_KMPH_NIBBLES))
        return -1;
    const long raw = KORRoundClamped(25600.0 * kmph, 0, 0xFFFFFF);
    Binary(static_cast<uint32_t>(raw), nibbles, KOR_WIND_ALARM_KMPH_NIBBLES);
    return KOR_WIND_ALARM_KMPH_NIBBLES;
}

int EncodeWindAlarmLocal(float value, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_WIND_ALARM_LOCAL_NIBBLES))
        return -1;
    ConvertFloatToDecByteBuffer(&value, nibbles, 0, 5, 2);
    return KOR_WIND_ALARM_LOCAL_NIBBLES;
}

int EncodeWindDirectionAlarm(uint32_t mask, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_WIND_DIRECTION_NIBBLES))
        return -1;
    Binary(mask & 0xFFFF, nibbles, KOR_WIND_DIRECTION_NIBBLES);
    return KOR_WIND_DIRECTION_NIBBLES;
}

int EncodeRainAlarmValue(float mm, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_RAIN_ALARM_NIBBLES))
        return -1;
    ConvertFloatToDecByteBuffer(&mm, nibbles, 1, 6, 2);
    return KOR_RAIN_ALARM_NIBBLES;
}

int EncodeRainMax(float mm, uint8_t *nibbles, size_t size) {
    if (!Fits(size, KOR_RAIN_MAX_NIBBLES))
        return -1;
    ConvertFloatToDecByteBuffer(&mm, nibbles, 0, 6, 2);
    return KOR_RAIN_MAX_NIBBLES;
}

int EncodeTemperatureMinMax(float celsius, uint8_t *nibbles, size_t size) {
    const int count = KOR_TEMPERATURE_MINMAX_NIBBLES;
    if (!Fits(size, count))
        return -1;
    if (celsius > 135.65f) {
        Fill(nibbles, count, 0xF);
    } else if (celsius > 80.11f) {
        Fill(nibbles, count, 0xA);
    } else {
        const float biased = celsius + 30.0f;
        ConvertFloatToDecByteBuffer(&biased, nibbles, 0, count, 3);
    }
    return count;
}

int EncodeHumidityMinMax(float percent, uint8_t *nibbles, size_t size) {
    const int count = KOR_HUMIDITY_NIBBLES;
    if (!Fits(size, count))
        return -1;
    if (percent > 120.0f)
        Fill(nibbles, count, 0xF);
    else if (percent > 109.0f)
        Fill(nibbles, count, 0xA);
    else
        ConvertFloatToDecByteBuffer(&percent, nibbles, 0, count, 0);
    return count;
}

int EncodePressureMinMax(float hpa, float inhg, uint8_t *nibbles, size_t size) {
    const int count = KOR_PRESSURE_MINMAX_NIBBLES;
    if (!Fits(size, count))
        return -1;
    if (hpa > 16665.5f) {
        Fill(nibbles, count, 0xF);
    } else if (hpa > 11110.1f) {
        Fill(nibbles, count, 0xA);
    } else {
        ConvertFloatToDecByteBuffer(&hpa, nibbles, 0, 5, 1);
        ConvertFloatToDecByteBuffer(&inhg, nibbles + 5, 0, 5, 2);
    }
    return count;
}

int EncodeWindSpeedMinMax(float speed, uint8_t *nibbles, size_t size, uint8_t *flags) {
    const int count = KOR_WIND_MINMAX_NIBBLES;
    if (!Fits(size, count))
        return -1;
    *flags = 0;
    if (speed == 51.0f)
        *flags = 5;   // minimum and maximum error bits
    else if (speed == 51.1f)
        *flags = 10;  // both overflow bits
    if (*flags != 0) {
        // The console's own reset pattern: minimum 180 km/h, maximum 0.
        Binary(0x465000, nibbles, 6);
        Fill(nibbles + 6, 6, 0);
        return count;
    }
    const long raw = KORRoundClamped(3.6 * 25600.0 * speed, 0, 0xFFFFFF);
    Binary(static_cast<uint32_t>(raw), nibbles, 6);
    Binary(static_cast<uint32_t>(raw), nibbles + 6, 6);
    return count;
}
