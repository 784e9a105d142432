// The readers of the console's measured values. Each sets the request descriptor to its
// location from the memory map, reads with ReadDataFromKOR and decodes the bytes into a
// group of the measured-values record (or a caller's variable). They run on the
// communication thread only, never two at once: all share the one descriptor.
//
// Results: 0 on success; on a failed transfer the reader's negative code, and every field
// it had not yet written keeps its value.
#pragma once
#include <cstdint>

#include "records/kor_data.h"

// Identification: the reply's low six bits; 0 stored on failure (GetIDFromKOR's result).
int KOR_ReadID(uint8_t *id);

// Present value, minimum and maximum (not their stamps). -1 on failure.
int KOR_ReadIndoorTemperature(TempGroup *group);
int KOR_ReadOutdoorTemperature(TempGroup *group);
int KOR_ReadWindchill(TempGroup *group);
int KOR_ReadDewpoint(TempGroup *group);
int KOR_ReadIndoorHumidity(TempGroup *group);
int KOR_ReadOutdoorHumidity(TempGroup *group);

// Speed, direction, minimum and maximum with their stamps (the maximum's year stays as it
// was). Contiguous wind block (mask 8): -1 flags/speed/direction, -4 extremes. Split
// block (mask 7): -1 speed, -2 direction, -3 flags, -4 extremes.
int KOR_ReadWind(WindGroup *group);

// Absolute pressure and the offset of relative pressure. -1 on failure.
int KOR_ReadPressure(PressureGroup *group);
// Absolute minimum and maximum. -3 on failure.
int KOR_ReadPressureMinMax(PressureGroup *group);
// Weather picture and trend. -1 on failure.
int KOR_ReadWeatherPicture(PressureGroup *group);

// 24-hour, 1-hour and total rain with the stamps of their maxima and of the last reset.
// -1 (24 h), -2 (1 h), -3 (total).
int KOR_ReadRain(RainGroup *group);

// Radio reception interval and countdown; an implausible reading leaves the group alone
// and still gives 0. -1 on failure.
int KOR_ReadHFReceptionTimer(ReceptionGroup *group);

// 22 alarm flags from 4 bytes at address (0x019 enable bits, 0x020 state bits); the
// transfer's result.
int KOR_ReadAlert(AlarmFlags *flags, uint16_t address);

// The wind unit shown on the console, as a settings wind unit. -1 on failure.
int KOR_ReadWindUnits(int32_t *unit);

// Alarm thresholds as the console holds them. -1 on failure.
int KOR_ReadTemperatureAlarmValue(float *value, uint16_t address);  // at LOAL_ML / HIAL_ML
int KOR_ReadPressureAlarmValue(float *value, uint16_t address);     // at a _HPA_ threshold
int KOR_ReadAlarmWind(float *value, uint16_t address);              // m/s, whole km/h
int KOR_ReadAlarmWindDirection(uint32_t *mask, uint16_t address);   // at ALERT_FLAGS7
int KOR_ReadHumidityValue(float *value, uint16_t address);
int KOR_ReadRainValue(float *value, uint16_t address);              // at RAIN*_AL_01
