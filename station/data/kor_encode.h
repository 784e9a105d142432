// Pure encoders of the values the program writes into the console: each produces the
// nibble sequence for the field at the writer's address, lowest address first, one nibble
// per byte. They return the number of nibbles produced, or -1 (nothing written) when the
// buffer is smaller than that. A value outside what the field can hold is written as the
// nearest value the field holds, never as its lowest digits.
#pragma once
#include <cstddef>
#include <cstdint>

// Nibble counts of the fields.
constexpr int KOR_TEMPERATURE_ALARM_NIBBLES = 5;
constexpr int KOR_HUMIDITY_NIBBLES = 2;
constexpr int KOR_PRESSURE_ALARM_NIBBLES = 5;
constexpr int KOR_WIND_ALARM_KMPH_NIBBLES = 6;
constexpr int KOR_WIND_ALARM_LOCAL_NIBBLES = 5;
constexpr int KOR_WIND_DIRECTION_NIBBLES = 4;
constexpr int KOR_RAIN_ALARM_NIBBLES = 7;
constexpr int KOR_RAIN_MAX_NIBBLES = 6;
constexpr int KOR_TEMPERATURE_MINMAX_NIBBLES = 5;
constexpr int KOR_PRESSURE_MINMAX_NIBBLES = 10;
constexpr int KOR_WIND_MINMAX_NIBBLES = 12;

// Threshold range of a temperature alarm: the field holds three digits of
// (value + 30) x 10, so -30.0 .. 69.9 degC.
constexpr float KOR_TEMPERATURE_ALARM_MIN = -30.0f;
constexpr float KOR_TEMPERATURE_ALARM_MAX = 69.9f;

// Written at a LOAL_LL / HIAL_LL location: 0, 0, then (value + 30) in 0.1 steps.
int EncodeTemperatureAlarmValue(float celsius, uint8_t *nibbles, size_t size);
// Two BCD digits, whole percent (0..99).
int EncodeHumidityValue(float percent, uint8_t *nibbles, size_t size);
// Five BCD digits of value x 10 (hPa in 0.1 steps, or inHg x 10 in 0.01 inHg steps).
int EncodePressureAlarmValue(float value, uint8_t *nibbles, size_t size);
// Six binary nibbles of round(25600 x km/h).
int EncodeWindAlarmKmph(float kmph, uint8_t *nibbles, size_t size);
// Five BCD digits of value x 100 in the console's display unit.
int EncodeWindAlarmLocal(float value, uint8_t *nibbles, size_t size);
// The 16 direction bits as four nibbles, bits 0-3 first.
int EncodeWindDirectionAlarm(uint32_t mask, uint8_t *nibbles, size_t size);
// 0, then six BCD digits of mm x 100.
int EncodeRainAlarmValue(float mm, uint8_t *nibbles, size_t size);
// Six BCD digits of mm x 100.
int EncodeRainMax(float mm, uint8_t *nibbles, size_t size);
// Five BCD digits of (value + 30) x 1000; above 80.11 five 0xA (no value), above 135.65
// five 0xF (overflow), so that a reset can store the console's markers.
int EncodeTemperatureMinMax(float celsius, uint8_t *nibbles, size_t size);
// Two BCD digits; above 109 two 0xA, above 120 two 0xF.
int EncodeHumidityMinMax(float percent, uint8_t *nibbles, size_t size);
// Five BCD digits of hPa x 10, then five of inHg x 100; hPa above 11110.1 gives ten 0xA,
// above 16665.5 ten 0xF.
int EncodePressureMinMax(float hpa, float inhg, uint8_t *nibbles, size_t size);
// Both six-nibble wind extremes (km/h x 25600, binary) for a reset to one value in m/s,
// and in *flags the nibble for WIND_MINMAX_FLAGS: 51.0 (error) and 51.1 (overflow) set
// the flags and a fixed field instead.
int EncodeWindSpeedMinMax(float speed, uint8_t *nibbles, size_t size, uint8_t *flags);
