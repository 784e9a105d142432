// The writers of the console's memory: alarm thresholds, reset minima and maxima, rain
// values, single alarm bits and the alarm time-out. Each fills the request descriptor and
// calls WriteDataToKOR or WriteBitToKOR; encodings are those of kor_encode.h. They run on
// the communication thread only (the descriptor is shared with the readers).
//
// Results: the last transfer's result, 0 on success, negative on failure; the command
// handling repeats a failed call.
#pragma once
#include <cstdint>

// Keeps the descriptor as the interrupted write left it and calls WriteDataToKOR again,
// which continues at the first nibble the console has not acknowledged.
constexpr int16_t KOR_RESUME_WRITE = -1;

// Refused without a transfer: a bit number above 3, or more nibbles than the descriptor
// holds.
constexpr int KOR_WRITE_REFUSED = -3;

int KOR_WriteTemperatureAlarmValue(const float *celsius, uint16_t address);  // LOAL/HIAL_LL
int KOR_WriteHumidityValue(const float *percent, uint16_t address);
int KOR_WritePressureAlarmValue(const float *value, uint16_t address);  // hPa, or inHg x 10
int KOR_WriteWindAlarm_kmph_Value(const float *kmph, uint16_t address);
int KOR_WriteWindAlarm_local_Value(const float *value, uint16_t address);
int KOR_WriteWindDirectionAlarm(const uint32_t *mask, uint16_t address);
int KOR_WriteRainValue(const float *mm, uint16_t address);
int KOR_WriteRainMax(const float *mm, uint16_t address);
int KOR_WriteTemperatureMinMax(const float *celsius, uint16_t address);
int KOR_WriteHumidityMinMax(const float *percent, uint16_t address);
// Ten nibbles at an hPa minimum or maximum; address KOR_RESUME_WRITE resumes.
int KOR_WritePressureMinMax(const float *hpa, const float *inhg, int16_t address);
// Both wind extremes (12 nibbles at WIND_MIN_00), then the flags nibble at
// WIND_MINMAX_FLAGS. -1 when the first write failed, else the second's result; a failed
// call is repeated whole.
int KOR_WriteWindSpeedMinMax(const float *speed, uint16_t address);
// count zero nibbles; address KOR_RESUME_WRITE resumes.
int KOR_ClearXNibble(int16_t address, int count);
// 2, 0 at ALARM_TIMEOUT.
int KOR_ClearAlarmTimeout();
// Sets (value nonzero) or clears bit 0..3 of the nibble at address.
int KOR_WriteAlarmFlag(const uint32_t *value, uint16_t address, uint8_t bit);
