// One formatter for dates and times (display, history view, min/max dialog) so that the
// user's date style reads the same everywhere, and the min/max texts built on it.
#include "values/time_texts.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "records/setup_record.h"
#include "values/localisation.h"
#include "values/time_scales.h"

namespace {

thread_local MinMaxTexts min_max_texts;

// snprintf for texts of fixed fields: what does not fit is cut, on purpose.
[[gnu::format(printf, 3, 4)]] void FormatText(char *out, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(out, size, format, args);
    va_end(args);
}

enum StampWord { SECOND, MINUTE, HOUR, DAY, MONTH, YEAR };

// Years since 1900 as two digits for 2000-2099; months from 1.
int ShownYear(const int32_t *t) { return t[YEAR] - 100; }
int ShownMonth(const int32_t *t) { return t[MONTH] + 1; }

// Quantity of each kind, or -1 when the kind shows nothing. max_only marks the rain
// kinds, which have no minimum.
int QuantityOfKind(int kind, bool *max_only) {
    *max_only = false;
    switch (kind) {
    case 2: case 3: return QUANTITY_HUMIDITY;
    case 4: return QUANTITY_INDOOR_TEMPERATURE;
    case 5: case 6: case 7: return QUANTITY_OUTDOOR_TEMPERATURE;
    case 8: return QUANTITY_WIND_SPEED;
    case 10: return QUANTITY_ABSOLUTE_PRESSURE;
    case 11: return QUANTITY_RELATIVE_PRESSURE;
    case 12: *max_only = true; return QUANTITY_RAIN_TOTAL;
    case 13: case 15: *max_only = true; return QUANTITY_RAIN_1H;
    case 14: case 16: *max_only = true; return QUANTITY_RAIN_24H;
    default: return -1;
    }
}

// Value with unit and label for one extreme; a marker or a missing value keeps the start
// texts.
void LocaliseExtreme(int quantity, const float *value, const char *which, char *value_text,
                     char *label) {
    if (value == nullptr) return;
    const LocalisedValue *v = LocaliseMeasuredValues(quantity, &setup.units, value);
    if (v->status != LOCALISED_VALID) return;
    FormatText(value_text, MIN_MAX_TEXT_SIZE, "%s ", v->value_unit_text);
    FormatText(label, MIN_MAX_TEXT_SIZE, " %s: %s ", which, v->value_unit_text);
}

void StampTexts(const int32_t *stamp, const char *label, char *datetime, char *date,
                char *time_text, char *full) {
    char dt[TIME_DATE_TEXT_SIZE];
    char d[TIME_DATE_TEXT_SIZE];
    char tm[TIME_DATE_TEXT_SIZE];
    GetTimeDateString(stamp, dt, d, tm);
    FormatText(datetime, MIN_MAX_TEXT_SIZE, "%s", dt);
    FormatText(date, MIN_MAX_TEXT_SIZE, "%s", d);
    FormatText(time_text, MIN_MAX_TEXT_SIZE, "%s", tm);
    FormatText(full, MIN_MAX_TEXT_SIZE, "%s %s", label, datetime);
}

// Two single texts on two lines; the field is large enough for any two of them.
void JoinLines(char *out, const char *first, const char *second) {
    FormatText(out, MIN_MAX_BOTH_SIZE, "%s\n%s", first, second);
}

}  // namespace

int GetTimeDateString(const int32_t *time, char *date_and_time, char *date,
                      char *time_of_day) {
    constexpr size_t n = TIME_DATE_TEXT_SIZE;
    if (time == nullptr) {
        for (char *out : {date_and_time, date, time_of_day})
            if (out != nullptr) out[0] = '\0';
        return 0;
    }
    const int day = time[DAY], month = ShownMonth(time), year = ShownYear(time);
    const int hour = time[HOUR], minute = time[MINUTE];
    if (setup.time_24h) {
        if (date_and_time)
            FormatText(date_and_time, n, "%02d.%02d.%02d %02d:%02d", day, month, year, hour,
                     minute);
        if (date) FormatText(date, n, "%02d.%02d.%02d", day, month, year);
        if (time_of_day) FormatText(time_of_day, n, "%02d:%02d", hour, minute);
        return 0;
    }
    const bool pm = hour >= 12 && hour <= 23;
    int shown_hour = pm ? hour - 12 : hour;
    if (hour == 0 || hour == 12) shown_hour = 12;
    const char *suffix = pm ? "PM" : "AM";
    if (date_and_time)
        FormatText(date_and_time, n, "%02d.%02d.%02d %02d:%02d %s", year, month, day,
                 shown_hour, minute, suffix);
    if (date) FormatText(date, n, "%02d.%02d.%02d", year, month, day);
    if (time_of_day) FormatText(time_of_day, n, "%02d:%02d %s", shown_hour, minute, suffix);
    return 0;
}

int GetFileStampString(uint32_t stamp, char *date_and_time) {
    GMTToLocalTime(&stamp);
    const time_t t = static_cast<time_t>(stamp);
    struct tm fields{};
    if (gmtime_r(&t, &fields) == nullptr) {
        FormatText(date_and_time, TIME_DATE_TEXT_SIZE, "---");
        return -1;
    }
    const int32_t words[6] = {fields.tm_sec,  fields.tm_min, fields.tm_hour,
                              fields.tm_mday, fields.tm_mon, fields.tm_year};
    return GetTimeDateString(words, date_and_time, nullptr, nullptr);
}

MinMaxTexts *GetMinMaxText(int kind, const float *min, const int32_t *min_stamp,
                           const float *max, const int32_t *max_stamp) {
    MinMaxTexts *t = &min_max_texts;
    constexpr size_t n = MIN_MAX_TEXT_SIZE;
    FormatText(t->min_label, n, "   min: ---  ");
    FormatText(t->max_label, n, "   max: ---  ");
    FormatText(t->min_value, n, "   ---  ");
    FormatText(t->max_value, n, "   ---  ");

    bool max_only = false;
    const int quantity = QuantityOfKind(kind, &max_only);
    if (quantity < 0) {
        t->min_label[0] = t->max_label[0] = t->min_value[0] = t->max_value[0] = '\0';
    } else {
        if (max_only)
            t->min_label[0] = t->min_value[0] = '\0';
        else
            LocaliseExtreme(quantity, min, "min", t->min_value, t->min_label);
        LocaliseExtreme(quantity, max, "max", t->max_value, t->max_label);
    }

    if (min_stamp != nullptr)
        StampTexts(min_stamp, t->min_label, t->min_datetime, t->min_date, t->min_time_text,
                   t->min_full);
    if (max_stamp != nullptr)
        StampTexts(max_stamp, t->max_label, t->max_datetime, t->max_date, t->max_time_text,
                   t->max_full);
    JoinLines(t->both, t->min_label, t->max_label);
    JoinLines(t->both_full, t->min_full, t->max_full);
    return t;
}
