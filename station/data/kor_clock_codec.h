// The console keeps its clock and the time of every recorded extreme as BCD nibbles:
// minute, hour, day, month and a two-digit year, units digit first. These are the pure
// conversions between such stamps and broken-down times, with the plausibility tests that
// keep an impossible stamp (31 February, a digit above 9) from turning into a wrong time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "records/kor_data.h"

// One two-digit field. aligned nonzero: the units in the low half of p[0]; aligned 0: the
// units in the high half of p[0] and the tens in the low half of p[1].
int GetNextTimeDateTag(const uint8_t *p, int aligned);

// Minute, hour, day, month (1-12) and year (0-99) from five consecutive two-digit fields
// at bytes (6 bytes are read when aligned is 0); second = 0; spare is not touched.
void ConvertKORDataToMinMaxDateTime(const uint8_t *bytes, int aligned, KORStamp *s);

// The first `fields` of minute, hour, day, month, year into the stamp (aligned fields);
// second = 0. For stamps of which a read brings only part.
void DecodeKORStampFields(const uint8_t *bytes, int fields, KORStamp *s);

// Days in a month (0-11) of a year counted from 1900; 0 for a month outside 0-11.
int KORDaysInMonth(int tm_year, int tm_mon);

// Five bytes minute, hour, day, month, year (packed BCD) into *t: seconds 0, month 0-11,
// years since 1900 (2000-2099), weekday and daylight flag 0, day of year untouched.
// 0 when the stamp is a real time; -1 minute, -2 hour, -3 day, -4 month, -5 year when
// that field is impossible (a digit above 9, out of range, or a day beyond the end of its
// month), the first failing field in that order. The fields are filled in every case.
int ConvertKORBufferTo_tm_Time(struct tm *t, const uint8_t *bytes);

// The eleven-nibble clock image at FINAL_CMINL (6 bytes): minute, hour, weekday as the
// console counts it, day, month, year. 0, -1 when size is short, -3 when the clock does
// not read as a real time (the fields are filled all the same).
int DecodeKORFinalTimeDate(const uint8_t *bytes, size_t size, struct tm *t);

// Seconds and minute at CSECL (2 bytes); the other fields 0. 0, -1 when size is short,
// -3 when seconds or minute are impossible (fields filled all the same).
int DecodeKORMinSec(const uint8_t *bytes, size_t size, struct tm *t);

// 1 when minute, hour, day, month and year of *t name a real instant in 2000-2099.
int IsPlausibleKORTime(const struct tm *t);

// Ten nibbles for a console stamp: minute units, minute tens, hour, day, month (1-12) and
// year (2 digits) in that order. Returns 10, or -1 when size is below 10.
int EncodeKORTime(const struct tm *t, uint8_t *nibbles, size_t size);
