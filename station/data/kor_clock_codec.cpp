// Conversions between the console's BCD time stamps and broken-down times. mktime would
// quietly turn 31 February into 3 March, so every stamp is checked field by field against
// the calendar before anyone makes an instant of it.
#include "station/data/kor_clock_codec.h"

#include "station/data/kor_nibbles.h"

int GetNextTimeDateTag(const uint8_t *p, int aligned) {
    if (aligned)
        return (p[0] & 0x0F) + 10 * (p[0] >> 4);
    return (p[0] >> 4) + 10 * (p[1] & 0x0F);
}

void ConvertKORDataToMinMaxDateTime(const uint8_t *bytes, int aligned, KORStamp *s) {
    s->second = 0;
    s->minute = GetNextTimeDateTag(bytes + 0, aligned);
    s->hour = GetNextTimeDateTag(bytes + 1, aligned);
    s->day = GetNextTimeDateTag(bytes + 2, aligned);
    s->month = GetNextTimeDateTag(bytes + 3, aligned);
    s->year = GetNextTimeDateTag(bytes + 4, aligned);
}

void DecodeKORStampFields(const uint8_t *bytes, int fields, KORStamp *s) {
    int32_t *const slots[5] = {&s->minute, &s->hour, &s->day, &s->month, &s->year};
    s->second = 0;
    for (int i = 0; i < fields && i < 5; i++)
        *slots[i] = GetNextTimeDateTag(bytes + i, 1);
}

int KORDaysInMonth(int tm_year, int tm_mon) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (tm_mon < 0 || tm_mon > 11)
        return 0;
    if (tm_mon != 1)
        return days[tm_mon];
    const int year = tm_year + 1900;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
}

// Each field as one packed-BCD byte: a digit above 9 makes the field impossible.
static bool FieldIsBCD(uint8_t b) { return (b & 0x0F) <= 9 && (b >> 4) <= 9; }

int ConvertKORBufferTo_tm_Time(struct tm *t, const uint8_t *bytes) {
    t->tm_sec = 0;
    t->tm_min = KORBCDByte(bytes[0]);
    t->tm_hour = KORBCDByte(bytes[1]);
    t->tm_mday = KORBCDByte(bytes[2]);
    t->tm_mon = KORBCDByte(bytes[3]) - 1;
    t->tm_year = KORBCDByte(bytes[4]) + 100;
    t->tm_wday = 0;
    t->tm_isdst = 0;
    if (!FieldIsBCD(bytes[0]) || t->tm_min > 59)
        return -1;
    if (!FieldIsBCD(bytes[1]) || t->tm_hour > 23)
        return -2;
    if (!FieldIsBCD(bytes[2]) || t->tm_mday < 1 || t->tm_mday > 31)
        return -3;
    if (!FieldIsBCD(bytes[3]) || t->tm_mon < 0 || t->tm_mon > 11)
        return -4;
    if (!FieldIsBCD(bytes[4]) || t->tm_year >= 201)
        return -5;
    if (t->tm_mday > KORDaysInMonth(t->tm_year, t->tm_mon))
        return -3;
    return 0;
}

int IsPlausibleKORTime(const struct tm *t) {
    if (t->tm_min < 0 || t->tm_min > 59 || t->tm_hour < 0 || t->tm_hour > 23)
        return 0;
    if (t->tm_year < 100 || t->tm_year > 199 || t->tm_mon < 0 || t->tm_mon > 11)
        return 0;
    return t->tm_mday >= 1 && t->tm_mday <= KORDaysInMonth(t->tm_year, t->tm_mon);
}

int DecodeKORFinalTimeDate(const uint8_t *bytes, size_t size, struct tm *t) {
    if (size < 6)
        return -1;
    t->tm_sec = 0;
    t->tm_min = KORNibble(bytes, 0) + 10 * KORNibble(bytes, 1);
    t->tm_hour = KORNibble(bytes, 2) + 10 * KORNibble(bytes, 3);
    t->tm_wday = KORNibble(bytes, 4);
    t->tm_mday = KORNibble(bytes, 5) + 10 * KORNibble(bytes, 6);
    t->tm_mon = KORNibble(bytes, 7) + 10 * KORNibble(bytes, 8) - 1;
    t->tm_year = KORNibble(bytes, 9) + 10 * KORNibble(bytes, 10) + 100;
    t->tm_isdst = 0;
    const bool digits = KORDigitsAreBCD(bytes, 0, 4) && KORDigitsAreBCD(bytes, 5, 6);
    return (digits && IsPlausibleKORTime(t)) ? 0 : -3;
}

int DecodeKORMinSec(const uint8_t *bytes, size_t size, struct tm *t) {
    if (size < 2)
        return -1;
    t->tm_sec = KORBCDByte(bytes[0]);
    t->tm_min = KORBCDByte(bytes[1]);
    t->tm_hour = 0;
    t->tm_mday = 0;
    t->tm_mon = 0;
    t->tm_year = 0;
    t->tm_wday = 0;
    t->tm_isdst = 0;
    if (!KORDigitsAreBCD(bytes, 0, 4) || t->tm_sec > 59 || t->tm_min > 59)
        return -3;
    return 0;
}

int EncodeKORTime(const struct tm *t, uint8_t *nibbles, size_t size) {
    if (size < 10)
        return -1;
    const int fields[5] = {t->tm_min, t->tm_hour, t->tm_mday, t->tm_mon + 1, t->tm_year - 100};
    for (int i = 0; i < 5; i++) {
        const uint8_t binary = static_cast<uint8_t>(fields[i]);
        const uint8_t packed = HexToDec8(&binary);
        nibbles[2 * i] = packed & 0x0F;
        nibbles[2 * i + 1] = packed >> 4;
    }
    return 10;
}
