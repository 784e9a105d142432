// Decoding of the console's history header and data sets. The header decides which data
// sets the program fetches and which time each gets, so a header with impossible contents
// (255 data sets in a ring of 175, a BCD digit above 9, 31 February) is rejected whole
// rather than turned into a wrong download.
#include <cstring>

#include "history/station_history.h"
#include "station/data/kor_clock_codec.h"
#include "station/data/kor_decode.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_nibbles.h"

static float HistoryTemperature(uint32_t code) {
    if (code == 998)
        return KOR_TEMP_NOT_AVAILABLE;
    if (code == 999)
        return KOR_TEMP_OVERFLOW;
    return static_cast<float>(code / 10.0 - 30.0);
}

int DecodeHistoryDataSet(const uint8_t *bytes, HistoryRecord *out) {
    // Both temperatures share five binary nibbles as two three-digit decimal codes.
    const uint32_t temperatures = KORBinaryValue(bytes, 0, 5);
    out->indoor_temperature = HistoryTemperature(temperatures % 1000);
    out->outdoor_temperature = HistoryTemperature((temperatures / 1000) % 1000);

    // Pressure 500.0 .. 1499.9 hPa as four decimal digits, the thousand implied below 5000.
    const uint32_t pressure_humidity = KORBinaryValue(bytes, 5, 5);
    uint32_t pressure = pressure_humidity % 10000;
    if (pressure < 5000)
        pressure += 10000;
    out->pressure = static_cast<float>(pressure / 10.0);
    out->indoor_humidity = static_cast<uint16_t>((pressure_humidity / 10000) % 100);

    out->outdoor_humidity =
        static_cast<uint16_t>(KORNibble(bytes, 10) + 10 * KORNibble(bytes, 11));
    out->rain = static_cast<float>(0.518 * KORBinaryValue(bytes, 12, 3));
    out->wind_speed = static_cast<float>(KORBinaryValue(bytes, 15, 3) / 10.0);
    out->wind_direction = KORNibble(bytes, 18);
    return 0;
}

int HistoryDataSetsAgree(const uint8_t *first, const uint8_t *second) {
    if (memcmp(first, second, KOR_HISTORY_DATA_SET_NIBBLES / 2) != 0)
        return 0;
    return (first[9] & 0x0F) == (second[9] & 0x0F);
}

// Time of the newest data set from its stamp (bytes 3..7); false when the stamp is no
// real time, since a wrong digit would otherwise shift every time stamp.
static bool DecodeLastDataSetTime(const uint8_t *bytes, uint32_t *out) {
    if (!KORDigitsAreBCD(bytes, 6, 10))
        return false;
    struct tm stamp = {};
    stamp.tm_min = KORBCDByte(bytes[3]);
    stamp.tm_hour = KORBCDByte(bytes[4]);
    stamp.tm_mday = KORBCDByte(bytes[5]);
    stamp.tm_mon = KORBCDByte(bytes[6]) - 1;
    stamp.tm_year = KORBCDByte(bytes[7]) + 100;
    stamp.tm_isdst = 0;
    if (!IsPlausibleKORTime(&stamp))
        return false;
    const time_t last = mktime(&stamp);
    if (last == static_cast<time_t>(-1))
        return false;
    *out = static_cast<uint32_t>(last);
    return true;
}

int DecodeKORHistoryHeader(const uint8_t *bytes, size_t size, time_t now,
                           KORHistoryHeader *header) {
    if (size < KOR_HISTORY_HEADER_BYTES)
        return -1;
    const int index = bytes[8];
    const int data_number = bytes[9];
    if (index >= HIST_MAX_DATA || data_number > HIST_MAX_DATA)
        return -1;
    // A console that holds no data set keeps whatever stamp it came with; nothing is
    // timed from it, so it is not judged.
    uint32_t last = header->last_data_set_time;
    if (data_number > 0 && !DecodeLastDataSetTime(bytes, &last))
        return -1;

    header->interval_code = static_cast<int32_t>(KORBinaryValue(bytes, 0, 3));
    header->countdown = static_cast<int32_t>(KORBinaryValue(bytes, 3, 3));
    header->index = index;
    header->data_number = data_number;
    header->last_data_set_time = last;
    if (data_number < 1)
        header->next_data_set_time =
            static_cast<uint32_t>(now) + 60u * static_cast<uint32_t>(header->countdown) + 60u;
    else
        header->next_data_set_time =
            header->last_data_set_time + 60u * static_cast<uint32_t>(header->interval_code + 1);
    return 0;
}
