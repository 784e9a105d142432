// Conversions between the three clocks the system deals with: GMT (calendar seconds as
// time() gives them), the PC's local standard time, and the console's clock. Instants are
// unsigned 32-bit second counts; a local or console count is a GMT count shifted by the
// zone's offset, so that gmtime() of it gives that zone's wall-clock fields.
#pragma once
#include <cstdint>
#include <ctime>

#include "records/kor_data.h"

// GMT minus local time of the present instant in seconds (mktime of the GMT fields minus
// mktime of the local fields): -3600 one hour east of Greenwich without daylight saving.
double GetGMT_TZDiff();

// Local standard time minus GMT, in seconds, for the present instant: the wall-clock
// difference with the date taken into account, less one hour while daylight saving is
// in force.
int GetLocalToGMTTimeDifference();
// The same for any instant.
int GetLocalToGMTTimeDifferenceAt(time_t instant);

// Each returns 0.
int GetCurrentLocalTime(uint32_t *out);      // time() + the local-to-GMT difference
int GMTToLocalTime(uint32_t *t);             // in place
int LocalToGMTTime(uint32_t *t);             // in place
int MakeLocalTime(uint32_t *out, struct tm *fields);  // mktime(fields) + the difference

// Console time from GMT and back; console time = GMT - offset, the offset cut to whole
// seconds towards zero. Each returns 0.
int GMTToKORTime(uint32_t *t, const float *offset);
int KORToGMTTime(uint32_t *t, const float *offset);

// The console's present wall-clock fields (time() shifted by the record's clock_offset).
// The result is a per-thread record that the next call on the same thread overwrites.
struct tm *CalculateKORTimeDate(const KORData *record);

// Wall-clock fields of a history time stamp in local standard time (a daylight-saving
// hour is taken off). *out points to a per-thread record overwritten by the next call.
void SerToKORTime(struct tm **out, const uint32_t *t);
