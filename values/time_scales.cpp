// The console keeps its own clock in its own zone, the PC keeps GMT and a local zone that
// may observe daylight saving. Stamps read from the console, history stamps and the PC's
// time meet here, so that every other module works with plain second counts.
#include "values/time_scales.h"

#include <cmath>

namespace {

thread_local struct tm kor_time_date;
thread_local struct tm ser_time;

// The offset cut towards zero to whole seconds, bounded so that the conversion to an
// integer is always defined.
int64_t WholeSeconds(const float *offset) {
    if (offset == nullptr || !std::isfinite(*offset)) return 0;
    const double cut = std::trunc(static_cast<double>(*offset));
    if (cut > 4294967295.0) return 4294967295LL;
    if (cut < -4294967295.0) return -4294967295LL;
    return static_cast<int64_t>(cut);
}

// Shifts a count by a signed number of seconds, wrapping like the unsigned count it is.
uint32_t Shift(uint32_t t, int64_t seconds) {
    return static_cast<uint32_t>(static_cast<uint64_t>(t) + static_cast<uint64_t>(seconds));
}

}  // namespace

double GetGMT_TZDiff() {
    const time_t now = time(nullptr);
    struct tm gmt{};
    struct tm local{};
    gmtime_r(&now, &gmt);
    localtime_r(&now, &local);
    const time_t gmt_as_local = mktime(&gmt);
    const time_t local_as_local = mktime(&local);
    return difftime(gmt_as_local, local_as_local);
}

int GetLocalToGMTTimeDifferenceAt(time_t instant) {
    struct tm gmt{};
    struct tm local{};
    gmtime_r(&instant, &gmt);
    localtime_r(&instant, &local);
    int days = local.tm_yday - gmt.tm_yday;
    if (local.tm_year != gmt.tm_year) days = local.tm_year > gmt.tm_year ? 1 : -1;
    const int dst = local.tm_isdst > 0 ? 1 : 0;
    return 86400 * days + 3600 * (local.tm_hour - gmt.tm_hour - dst) +
           60 * (local.tm_min - gmt.tm_min);
}

int GetLocalToGMTTimeDifference() { return GetLocalToGMTTimeDifferenceAt(time(nullptr)); }

int GetCurrentLocalTime(uint32_t *out) {
    if (out == nullptr) return 0;
    *out = Shift(static_cast<uint32_t>(time(nullptr)), GetLocalToGMTTimeDifference());
    return 0;
}

int GMTToLocalTime(uint32_t *t) {
    if (t != nullptr) *t = Shift(*t, GetLocalToGMTTimeDifference());
    return 0;
}

int LocalToGMTTime(uint32_t *t) {
    if (t != nullptr) *t = Shift(*t, -static_cast<int64_t>(GetLocalToGMTTimeDifference()));
    return 0;
}

int MakeLocalTime(uint32_t *out, struct tm *fields) {
    if (out == nullptr || fields == nullptr) return 0;
    *out = Shift(static_cast<uint32_t>(mktime(fields)), GetLocalToGMTTimeDifference());
    return 0;
}

int GMTToKORTime(uint32_t *t, const float *offset) {
    if (t != nullptr) *t = Shift(*t, -WholeSeconds(offset));
    return 0;
}

int KORToGMTTime(uint32_t *t, const float *offset) {
    if (t != nullptr) *t = Shift(*t, WholeSeconds(offset));
    return 0;
}

struct tm *CalculateKORTimeDate(const KORData *record) {
    uint32_t t = static_cast<uint32_t>(time(nullptr));
    if (record != nullptr) GMTToKORTime(&t, &record->clock_offset);
    const time_t instant = t;
    gmtime_r(&instant, &kor_time_date);
    return &kor_time_date;
}

void SerToKORTime(struct tm **out, const uint32_t *t) {
    const time_t instant = t != nullptr ? static_cast<time_t>(*t) : 0;
    localtime_r(&instant, &ser_time);
    if (ser_time.tm_isdst > 0) {
        const time_t standard = instant - 3600;
        localtime_r(&standard, &ser_time);
    }
    if (out != nullptr) *out = &ser_time;
}
