// Transfers of the measured-value readers: one read per location, then the pure decoder
// of kor_decode.cpp on the bytes that arrived.
#include "station/data/kor_readers.h"

#include "station/data/kor_decode.h"
#include "station/data/kor_memory_map.h"
#include "station/link/kor_requests.h"

// Reads count bytes (1..15) from the nibble address; the bytes are then in
// KOR_descriptor.data. ReadDataFromKOR's result.
static int ReadKORBytes(uint16_t address, int count) {
    KOR_descriptor.address = address;
    KOR_descriptor.count = static_cast<uint16_t>(count);
    KOR_descriptor.index = 0;
    return ReadDataFromKOR();
}

static const uint8_t *ReadBytes() { return KOR_descriptor.data; }

int KOR_ReadID(uint8_t *id) {
    const int result = GetIDFromKOR();
    if (result != 0) {
        *id = 0;
        return result;
    }
    *id = KOR_descriptor.id_byte & 0x3F;
    return 0;
}

static int ReadTemperatures(uint16_t address, int markers, TempGroup *group) {
    if (ReadKORBytes(address, KOR_TEMPERATURE_BYTES) != 0)
        return -1;
    DecodeTemperatures(ReadBytes(), KOR_TEMPERATURE_BYTES, markers, group);
    return 0;
}

int KOR_ReadIndoorTemperature(TempGroup *group) { return ReadTemperatures(ITEMP_ML, 1, group); }
int KOR_ReadOutdoorTemperature(TempGroup *group) { return ReadTemperatures(OTEMP_ML, 1, group); }
int KOR_ReadWindchill(TempGroup *group) { return ReadTemperatures(CHILL_ML, 0, group); }
int KOR_ReadDewpoint(TempGroup *group) { return ReadTemperatures(DEW_ML, 0, group); }

static int ReadHumidities(uint16_t address, TempGroup *group) {
    if (ReadKORBytes(address, KOR_HUMIDITY_BYTES) != 0)
        return -1;
    DecodeHumidities(ReadBytes(), KOR_HUMIDITY_BYTES, group);
    return 0;
}

int KOR_ReadIndoorHumidity(TempGroup *group) { return ReadHumidities(IHUM_L, group); }
int KOR_ReadOutdoorHumidity(TempGroup *group) { return ReadHumidities(OHUM_L, group); }

// Mask 8 keeps flags, speed and direction side by side and one read brings them all;
// mask 7 scatters them, so the layout in use (not a variant number) decides.
static bool WindBlockIsContiguous() {
    return WIND_MINMAX_FLAGS == WIND_FLAGS + 1 && WINDIMP_L == WIND_FLAGS + 2 &&
           WINDDIR == WIND_FLAGS + 5;
}

static int ReadWindCurrent(WindGroup *group, int *flags) {
    if (WindBlockIsContiguous()) {
        if (ReadKORBytes(WIND_FLAGS, KOR_WIND_MASK8_BYTES) != 0)
            return -1;
        DecodeWindMask8(ReadBytes(), KOR_WIND_MASK8_BYTES, flags, &group->current,
                        &group->direction);
        return 0;
    }
    if (ReadKORBytes(WINDIMP_L, KOR_WIND_SPEED_MASK7_BYTES) != 0)
        return -1;
    DecodeWindSpeedMask7(ReadBytes(), KOR_WIND_SPEED_MASK7_BYTES, &group->current);
    if (ReadKORBytes(WINDDIR, 1) != 0)
        return -2;
    group->direction = ReadBytes()[0] & 0x0F;
    if (ReadKORBytes(WIND_MINMAX_FLAGS, 1) != 0)
        return -3;
    *flags = ReadBytes()[0] & 0x0F;
    return 0;
}

int KOR_ReadWind(WindGroup *group) {
    int flags = 0;
    const int result = ReadWindCurrent(group, &flags);
    if (result != 0)
        return result;
    // The maximum's year lies one byte beyond the longest read; it is not worth a fifth
    // transfer every few seconds, as nothing shows the stamps kept in the record.
    if (ReadKORBytes(WIND_MIN_00, KOR_WIND_MINMAX_BYTES) != 0)
        return -4;
    DecodeWindMinMax(ReadBytes(), KOR_WIND_MINMAX_BYTES, group);
    ApplyWindFlags(flags, group);
    return 0;
}

int KOR_ReadPressure(PressureGroup *group) {
    if (ReadKORBytes(PRESS_ABS_HPA, KOR_PRESSURE_BYTES) != 0)
        return -1;
    DecodePressure(ReadBytes(), KOR_PRESSURE_BYTES, group);
    return 0;
}

int KOR_ReadPressureMinMax(PressureGroup *group) {
    if (ReadKORBytes(PRESS_ABS_HPA_MIN, KOR_PRESSURE_BYTES) != 0)
        return -3;
    DecodePressureMinMax(ReadBytes(), KOR_PRESSURE_BYTES, group);
    return 0;
}

int KOR_ReadWeatherPicture(PressureGroup *group) {
    if (ReadKORBytes(WEATHER_TYPE, 1) != 0)
        return -1;
    DecodeWeatherPicture(ReadBytes(), 1, group);
    return 0;
}

int KOR_ReadRain(RainGroup *group) {
    if (ReadKORBytes(RAIN24H_00, KOR_RAIN_BYTES) != 0)
        return -1;
    DecodeRain(ReadBytes(), KOR_RAIN_BYTES, &group->rain_24h, &group->max_24h);
    if (ReadKORBytes(RAIN1H_00, KOR_RAIN_BYTES) != 0)
        return -2;
    DecodeRain(ReadBytes(), KOR_RAIN_BYTES, &group->rain_1h, &group->max_1h);
    if (ReadKORBytes(RAINTOTAL_00, KOR_RAIN_TOTAL_BYTES) != 0)
        return -3;
    DecodeRainTotal(ReadBytes(), KOR_RAIN_TOTAL_BYTES, &group->total);
    return 0;
}

int KOR_ReadHFReceptionTimer(ReceptionGroup *group) {
    if (ReadKORBytes(TX_INTERVAL_L, KOR_RECEPTION_BYTES) != 0)
        return -1;
    // An implausible reading is dropped on purpose: the polling cycle re-reads the timer
    // after the countdown it already has.
    DecodeReceptionTimer(ReadBytes(), KOR_RECEPTION_BYTES, group);
    return 0;
}

int KOR_ReadAlert(AlarmFlags *flags, uint16_t address) {
    const int result = ReadKORBytes(address, KOR_ALERT_BYTES);
    if (result != 0)
        return result;
    DecodeAlert(ReadBytes(), KOR_ALERT_BYTES, flags);
    return 0;
}

int KOR_ReadWindUnits(int32_t *unit) {
    if (ReadKORBytes(KOR_WIND_UNIT_NIBBLE, 1) != 0)
        return -1;
    *unit = DecodeWindUnit(ReadBytes()[0]);
    return 0;
}

// One read of `count` bytes decoded by `decode` into *value.
template <typename T>
static int ReadValue(uint16_t address, int count,
                     int (*decode)(const uint8_t *, size_t, T *), T *value) {
    if (ReadKORBytes(address, count) != 0)
        return -1;
    decode(ReadBytes(), static_cast<size_t>(count), value);
    return 0;
}

int KOR_ReadTemperatureAlarmValue(float *value, uint16_t address) {
    return ReadValue(address, 2, DecodeTemperatureAlarmValue, value);
}
int KOR_ReadPressureAlarmValue(float *value, uint16_t address) {
    return ReadValue(address, 3, DecodePressureAlarmValue, value);
}
int KOR_ReadAlarmWind(float *value, uint16_t address) {
    return ReadValue(address, 3, DecodeAlarmWind, value);
}
int KOR_ReadAlarmWindDirection(uint32_t *mask, uint16_t address) {
    return ReadValue(address, 2, DecodeAlarmWindDirection, mask);
}
int KOR_ReadHumidityValue(float *value, uint16_t address) {
    return ReadValue(address, 1, DecodeHumidityValue, value);
}
int KOR_ReadRainValue(float *value, uint16_t address) {
    return ReadValue(address, 3, DecodeRainAlarmValue, value);
}
