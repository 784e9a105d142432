// Pure decoders of the console's measured values: each takes the bytes of one read as the
// console sent them (byte k = nibble 2k low, nibble 2k+1 high) and fills a group of the
// measured-values record or a caller's variable. Every decoder checks the size it was
// given first and returns -1 without touching its output when the read is too short;
// otherwise 0. The readers in kor_readers.cpp are these plus one transfer each.
#pragma once
#include <cstddef>
#include <cstdint>

#include "records/kor_data.h"

// Marker values carried in the record for readings the console cannot give.
constexpr float KOR_TEMP_NOT_AVAILABLE = 81.11f;  // units digit 0xA
constexpr float KOR_TEMP_OVERFLOW = 136.65f;      // units digit 0xF
constexpr float KOR_WIND_ERROR = 51.0f;           // the console's wind error flag
constexpr float KOR_WIND_OVERFLOW = 51.1f;        // its overflow flag

// Byte counts of the reads.
constexpr int KOR_TEMPERATURE_BYTES = 7;
constexpr int KOR_HUMIDITY_BYTES = 3;
constexpr int KOR_WIND_MASK8_BYTES = 3;
constexpr int KOR_WIND_SPEED_MASK7_BYTES = 2;
constexpr int KOR_WIND_MINMAX_BYTES = 15;
constexpr int KOR_PRESSURE_BYTES = 13;
constexpr int KOR_RAIN_BYTES = 11;
constexpr int KOR_RAIN_TOTAL_BYTES = 8;
constexpr int KOR_RECEPTION_BYTES = 3;
constexpr int KOR_ALERT_BYTES = 4;

// Read at the ML digit of a temperature: present value, minimum and maximum (the LL
// digits are skipped). With markers nonzero (indoor and outdoor temperature) a units digit
// of 0xF gives KOR_TEMP_OVERFLOW and 0xA KOR_TEMP_NOT_AVAILABLE for the present value.
int DecodeTemperatures(const uint8_t *bytes, size_t size, int markers, TempGroup *group);
// Present value, minimum and maximum of a humidity, two BCD digits each.
int DecodeHumidities(const uint8_t *bytes, size_t size, TempGroup *group);

// Mask 8 wind block at WIND_FLAGS: min/max flags, speed (m/s), direction.
int DecodeWindMask8(const uint8_t *bytes, size_t size, int *flags, float *speed,
                    int32_t *direction);
// Mask 7 speed at WINDIMP_L (three binary nibbles of 0.1 m/s).
int DecodeWindSpeedMask7(const uint8_t *bytes, size_t size, float *speed);
// 15 bytes at WIND_MIN_00: minimum and maximum (m/s) with their stamps; the year of the
// maximum lies beyond the read and is left as it was.
int DecodeWindMinMax(const uint8_t *bytes, size_t size, WindGroup *group);
// The min/max flags nibble: error and overflow bits turn min or max into the markers.
void ApplyWindFlags(int flags, WindGroup *group);

// 13 bytes at PRESS_ABS_HPA: absolute pressure and the offset of relative pressure.
int DecodePressure(const uint8_t *bytes, size_t size, PressureGroup *group);
// 13 bytes at PRESS_ABS_HPA_MIN: absolute minimum and maximum.
int DecodePressureMinMax(const uint8_t *bytes, size_t size, PressureGroup *group);
// 1 byte at WEATHER_TYPE: weather picture and trend.
int DecodeWeatherPicture(const uint8_t *bytes, size_t size, PressureGroup *group);

// 11 bytes at RAIN24H_00 or RAIN1H_00: the present amount and the largest with its stamp.
int DecodeRain(const uint8_t *bytes, size_t size, float *amount, RainValue *largest);
// 8 bytes at RAINTOTAL_00: the total and the time of its last reset.
int DecodeRainTotal(const uint8_t *bytes, size_t size, RainValue *total);

// 3 bytes at TX_INTERVAL_L. Stores interval and countdown only when the interval is one
// the sensors use (8, 16, 32, 64, 128 s) and the countdown at most 1200 s; returns 1 (and
// leaves the group alone) for an implausible reading, 0 when stored.
int DecodeReceptionTimer(const uint8_t *bytes, size_t size, ReceptionGroup *group);

// 4 bytes of alarm enable or state bits into the 22 flags.
int DecodeAlert(const uint8_t *bytes, size_t size, AlarmFlags *flags);
// Low nibble at 0x00F into the settings' wind unit (0 m/s, 1 km/h, 2 mph, 3 knots,
// 4 Beaufort).
int DecodeWindUnit(uint8_t byte);

// Alarm thresholds as read back.
int DecodeTemperatureAlarmValue(const uint8_t *bytes, size_t size, float *value);  // 2 bytes
int DecodePressureAlarmValue(const uint8_t *bytes, size_t size, float *value);     // 3 bytes
int DecodeAlarmWind(const uint8_t *bytes, size_t size, float *value);              // 3 bytes
int DecodeAlarmWindDirection(const uint8_t *bytes, size_t size, uint32_t *mask);   // 2 bytes
int DecodeHumidityValue(const uint8_t *bytes, size_t size, float *value);          // 1 byte
int DecodeRainAlarmValue(const uint8_t *bytes, size_t size, float *value);         // 3 bytes
