// Transfers of the value writers: the nibbles from the encoder into the descriptor, then
// one write request. The descriptor's data holds 81 nibbles, more than any field needs.
#include "station/data/kor_writers.h"

#include <cstring>

#include "station/data/kor_encode.h"
#include "station/data/kor_memory_map.h"
#include "station/link/kor_requests.h"

constexpr int kMaxNibbles = static_cast<int>(sizeof KOR_descriptor.data);

static int WriteNibbles(uint16_t address, const uint8_t *nibbles, int count) {
    if (count < 0 || count > kMaxNibbles)
        return KOR_WRITE_REFUSED;
    KOR_descriptor.address = address;
    KOR_descriptor.nibbles_to_write = static_cast<uint16_t>(count);
    KOR_descriptor.index = 0;
    memcpy(KOR_descriptor.data, nibbles, static_cast<size_t>(count));
    return WriteDataToKOR();
}

// Encodes into a local buffer and writes what the encoder produced.
template <typename Encoder, typename Value>
static int EncodeAndWrite(Encoder encode, Value value, uint16_t address) {
    uint8_t nibbles[16];
    const int count = encode(value, nibbles, sizeof nibbles);
    if (count < 0)
        return KOR_WRITE_REFUSED;
    return WriteNibbles(address, nibbles, count);
}

int KOR_WriteTemperatureAlarmValue(const float *celsius, uint16_t address) {
    return EncodeAndWrite(EncodeTemperatureAlarmValue, *celsius, address);
}
int KOR_WriteHumidityValue(const float *percent, uint16_t address) {
    return EncodeAndWrite(EncodeHumidityValue, *percent, address);
}
int KOR_WritePressureAlarmValue(const float *value, uint16_t address) {
    return EncodeAndWrite(EncodePressureAlarmValue, *value, address);
}
int KOR_WriteWindAlarm_kmph_Value(const float *kmph, uint16_t address) {
    return EncodeAndWrite(EncodeWindAlarmKmph, *kmph, address);
}
int KOR_WriteWindAlarm_local_Value(const float *value, uint16_t address) {
    return EncodeAndWrite(EncodeWindAlarmLocal, *value, address);
}
int KOR_WriteWindDirectionAlarm(const uint32_t *mask, uint16_t address) {
    return EncodeAndWrite(EncodeWindDirectionAlarm, *mask, address);
}
int KOR_WriteRainValue(const float *mm, uint16_t address) {
    return EncodeAndWrite(EncodeRainAlarmValue, *mm, address);
}
int KOR_WriteRainMax(const float *mm, uint16_t address) {
    return EncodeAndWrite(EncodeRainMax, *mm, address);
}
int KOR_WriteTemperatureMinMax(const float *celsius, uint16_t address) {
    return EncodeAndWrite(EncodeTemperatureMinMax, *celsius, address);
}
int KOR_WriteHumidityMinMax(const float *percent, uint16_t address) {
    return EncodeAndWrite(EncodeHumidityMinMax, *percent, address);
}

int KOR_WritePressureMinMax(const float *hpa, const float *inhg, int16_t address) {
    if (address == KOR_RESUME_WRITE)
        return WriteDataToKOR();
    uint8_t nibbles[KOR_PRESSURE_MINMAX_NIBBLES];
    const int count = EncodePressureMinMax(*hpa, *inhg, nibbles, sizeof nibbles);
    return WriteNibbles(static_cast<uint16_t>(address), nibbles, count);
}

int KOR_WriteWindSpeedMinMax(const float *speed, uint16_t address) {
    uint8_t nibbles[KOR_WIND_MINMAX_NIBBLES];
    uint8_t flags = 0;
    const int count = EncodeWindSpeedMinMax(*speed, nibbles, sizeof nibbles, &flags);
    if (WriteNibbles(address, nibbles, count) != 0)
        return -1;
    return WriteNibbles(WIND_MINMAX_FLAGS, &flags, 1);
}

int KOR_ClearXNibble(int16_t address, int count) {
    if (address == KOR_RESUME_WRITE)
        return WriteDataToKOR();
    if (count < 0 || count > kMaxNibbles)
        return KOR_WRITE_REFUSED;
    uint8_t zeros[sizeof KOR_descriptor.data] = {};
    return WriteNibbles(static_cast<uint16_t>(address), zeros, count);
}

int KOR_ClearAlarmTimeout() {
    static const uint8_t nibbles[2] = {2, 0};
    return WriteNibbles(ALARM_TIMEOUT, nibbles, 2);
}

int KOR_WriteAlarmFlag(const uint32_t *value, uint16_t address, uint8_t bit) {
    if (bit > 3)
        return KOR_WRITE_REFUSED;
    KOR_descriptor.address = address;
    KOR_descriptor.bit_value = (*value != 0) ? 1 : 0;
    KOR_descriptor.index = 0;
    KOR_descriptor.data[0] = bit;
    return WriteBitToKOR();
}
