// Transfers of the console clock and of the stamps of extremes. Each decodes into a local
// broken-down time and hands it out only when it is plausible.
#include "station/data/kor_clock.h"

#include <cstring>

#include "station/data/kor_clock_codec.h"
#include "station/link/kor_requests.h"

// Hands out the fields the console's stamps define, one by one: callers pass the nine
// int32 words of a queue record's payload as well as whole struct tm, so neither the whole
// structure nor the day of the year is read or written.
static void StoreStamp(struct tm *out, const struct tm *in) {
    out->tm_sec = in->tm_sec;
    out->tm_min = in->tm_min;
    out->tm_hour = in->tm_hour;
    out->tm_mday = in->tm_mday;
    out->tm_mon = in->tm_mon;
    out->tm_year = in->tm_year;
    out->tm_wday = in->tm_wday;
    out->tm_isdst = in->tm_isdst;
}

static int ReadKORBytes(uint16_t address, int count) {
    KOR_descriptor.address = address;
    KOR_descriptor.count = static_cast<uint16_t>(count);
    KOR_descriptor.index = 0;
    return ReadDataFromKOR();
}

int KOR_ReadTimeDate(struct tm *t, uint16_t address) {
    const int result = ReadKORBytes(address, 5);
    if (result != 0)
        return result;
    struct tm decoded{};
    const int converted = ConvertKORBufferTo_tm_Time(&decoded, KOR_descriptor.data);
    if (converted == 0)
        StoreStamp(t, &decoded);
    return converted;
}

int KOR_ReadDoubleTimeDate(struct tm *first, struct tm *second, uint16_t address) {
    const int result = ReadKORBytes(address, 10);
    if (result != 0)
        return result;
    struct tm decoded_first{};
    struct tm decoded_second{};
    const int first_result = ConvertKORBufferTo_tm_Time(&decoded_first, KOR_descriptor.data);
    const int second_result =
        ConvertKORBufferTo_tm_Time(&decoded_second, KOR_descriptor.data + 5);
    if (first_result == 0)
        StoreStamp(first, &decoded_first);
    if (second_result == 0)
        StoreStamp(second, &decoded_second);
    return first_result != 0 ? first_result : second_result;
}

int KOR_ReadFinalTimeDate(struct tm *t, uint16_t address) {
    const int result = ReadKORBytes(address, 6);
    if (result != 0)
        return result;
    struct tm decoded{};
    const int decoded_result = DecodeKORFinalTimeDate(KOR_descriptor.data, 6, &decoded);
    if (decoded_result == 0)
        StoreStamp(t, &decoded);
    return decoded_result;
}

int KOR_ReadMinSec(struct tm *t, uint16_t address) {
    const int result = ReadKORBytes(address, 2);
    if (result != 0)
        return result;
    struct tm decoded{};
    const int decoded_result = DecodeKORMinSec(KOR_descriptor.data, 2, &decoded);
    if (decoded_result == 0)
        StoreStamp(t, &decoded);
    return decoded_result;
}

int KOR_WriteKORTime(const struct tm *t, uint16_t address) {
    uint8_t nibbles[10];
    EncodeKORTime(t, nibbles, sizeof nibbles);
    KOR_descriptor.address = address;
    KOR_descriptor.nibbles_to_write = 10;
    KOR_descriptor.index = 0;
    memcpy(KOR_descriptor.data, nibbles, sizeof nibbles);
    return WriteDataToKOR();
}
