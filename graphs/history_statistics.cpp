// Statistics run over the decoded series in one pass: a calendar lookup only when the
// local day changes, so a file of a million data sets takes a few milliseconds. Values
// are kept in base units and turned into the user's units only when shown or written,
// through the same localisation as the table and the export.
#include "graphs/history_statistics.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "records/setup_record.h"
#include "values/localisation.h"
#include "values/time_texts.h"

StatisticsTexts statistics_texts = {
    {"", "lowest outdoor temperature", "at", "highest outdoor temperature", "at",
     "mean outdoor temperature", "lowest outdoor humidity", "at", "highest outdoor humidity",
     "at", "lowest air pressure", "at", "highest air pressure", "at", "rain",
     "highest wind speed", "at", "wind direction"},
    {"day", "month", "year"},
    "whole file",
    "during the gap",
    {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S", "SSW", "SW", "WSW", "W", "WNW",
     "NW", "NNW"},
};

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int64_t kDay = 86400;

using Accumulator = StatisticsAccumulator;

void Lower(Extreme *e, float v, uint32_t t) {
    if (std::isnan(v)) return;
    if (std::isnan(e->value) || v < e->value) *e = {v, t};
}

bool Higher(Extreme *e, float v, uint32_t t) {
    if (std::isnan(v)) return false;
    if (!std::isnan(e->value) && v <= e->value) return false;
    *e = {v, t};
    return true;
}

Accumulator Begin(const struct tm &day) {
    Accumulator a{};
    a.p.year = day.tm_year + 1900;
    a.p.month = day.tm_mon + 1;
    a.p.day = day.tm_mday;
    const Extreme none{kNaN, 0};
    a.p.temperature_min = a.p.temperature_max = none;
    a.p.humidity_min = a.p.humidity_max = none;
    a.p.pressure_min = a.p.pressure_max = none;
    a.p.wind_max = none;
    a.p.wind_direction = DIRECTION_NONE;
    a.p.rain = kNaN;
    return a;
}

void AddRain(PeriodStatistics *p, float rain) {
    if (!std::isnan(rain)) p->rain = (std::isnan(p->rain) ? 0.0f : p->rain) + rain;
}

void Take(Accumulator *a, const HistorySeries &s, size_t i) {
    const uint32_t t = s.time[i];
    PeriodStatistics &p = a->p;
    ++p.data_sets;
    const float temperature = SeriesValue(s, SERIES_OUTDOOR_TEMPERATURE, i);
    Lower(&p.temperature_min, temperature, t);
    Higher(&p.temperature_max, temperature, t);
    if (!std::isnan(temperature)) {
        a->temperature_sum += temperature;
        ++a->temperature_n;
    }
    Lower(&p.humidity_min, SeriesValue(s, SERIES_OUTDOOR_HUMIDITY, i), t);
    Higher(&p.humidity_max, SeriesValue(s, SERIES_OUTDOOR_HUMIDITY, i), t);
    Lower(&p.pressure_min, SeriesValue(s, SERIES_PRESSURE, i), t);
    Higher(&p.pressure_max, SeriesValue(s, SERIES_PRESSURE, i), t);
    AddRain(&p, SeriesValue(s, SERIES_RAIN, i));
    if (Higher(&p.wind_max, SeriesValue(s, SERIES_WIND_SPEED, i), t)) p.wind_direction = s.direction[i];
    p.end = i + 1;
}

PeriodStatistics Finish(const Accumulator &a) {
    PeriodStatistics p = a.p;
    p.temperature_mean =
        a.temperature_n > 0 ? static_cast<float>(a.temperature_sum / a.temperature_n) : kNaN;
    return p;
}

struct tm LocalDay(int64_t day_index) {
    const time_t t = static_cast<time_t>(day_index * kDay);
    struct tm fields{};
    gmtime_r(&t, &fields);
    return fields;
}

int64_t DayIndex(uint32_t stamp, int32_t local_shift) {
    const int64_t local = static_cast<int64_t>(stamp) + local_shift;
    return local >= 0 ? local / kDay : (local - kDay + 1) / kDay;
}

int64_t PeriodKey(const struct tm &day, int64_t day_index, int period) {
    if (period == PERIOD_YEAR) return day.tm_year;
    if (period == PERIOD_MONTH) return static_cast<int64_t>(day.tm_year) * 12 + day.tm_mon;
    return day_index;
}

int64_t PeriodKeyOf(uint32_t stamp, int period, int32_t local_shift) {
    const int64_t d = DayIndex(stamp, local_shift);
    return PeriodKey(LocalDay(d), d, period);
}

// The row of the gap before data set i, between two periods.
PeriodStatistics GapRow(const HistorySeries &s, size_t i) {
    Accumulator a = Begin(LocalDay(0));
    PeriodStatistics p = a.p;
    p.temperature_mean = kNaN;
    p.gap = 1;
    p.gap_from = s.time[i - 1];
    p.gap_to = s.time[i];
    p.rain = GapRain(s, i);
    p.first = p.end = i;
    return p;
}

// Date of a stamp as the period column writes a day.
void DayText(char *out, size_t size, uint32_t stamp, int32_t local_shift) {
    const time_t t = static_cast<time_t>(static_cast<int64_t>(stamp) + local_shift);
    struct tm f{};
    gmtime_r(&t, &f);
    snprintf(out, size, "%02d.%02d.%04d", f.tm_mday, f.tm_mon + 1, f.tm_year + 1900);
}

// Copies what fits and always terminates; a long text is cut, never inside a UTF-8 letter.
void Copy(char *out, int size, const char *text) {
    size_t n = strnlen(text, static_cast<size_t>(size) - 1);
    if (text[n] != '\0')
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    memcpy(out, text, n);
    out[n] = '\0';
}

void ValueCell(char *cell, int quantity, float value) {
    if (std::isnan(value)) {
        Copy(cell, STAT_CELL_SIZE, MARKER_NOT_AVAILABLE);
        return;
    }
    Copy(cell, STAT_CELL_SIZE, LocaliseMeasuredValues(quantity, &setup.units, &value)->value_text);
}

// On screen a day's row needs the time of day only; a longer period's the date too.
void TimeCell(char *cell, const Extreme &e, int32_t local_shift, int for_file, bool time_only) {
    if (std::isnan(e.value)) {
        Copy(cell, STAT_CELL_SIZE, MARKER_NOT_AVAILABLE);
        return;
    }
    const time_t t = static_cast<time_t>(static_cast<int64_t>(e.time) + local_shift);
    struct tm f{};
    gmtime_r(&t, &f);
    if (for_file) {
        snprintf(cell, STAT_CELL_SIZE, "%02d.%02d.%04d %02d:%02d", f.tm_mday, f.tm_mon + 1,
                 f.tm_year + 1900, f.tm_hour, f.tm_min);
        return;
    }
    const int32_t words[6] = {f.tm_sec, f.tm_min, f.tm_hour, f.tm_mday, f.tm_mon, f.tm_year};
    char text[TIME_DATE_TEXT_SIZE];
    if (time_only)
        GetTimeDateString(words, nullptr, nullptr, text);
    else
        GetTimeDateString(words, text, nullptr, nullptr);
    Copy(cell, STAT_CELL_SIZE, text);
}

void PeriodCell(char *cell, const PeriodStatistics &p, int period) {
    if (period == PERIOD_YEAR)
        snprintf(cell, STAT_CELL_SIZE, "%04d", p.year);
    else if (period == PERIOD_MONTH)
        snprintf(cell, STAT_CELL_SIZE, "%02d.%04d", p.month, p.year);
    else
        snprintf(cell, STAT_CELL_SIZE, "%02d.%02d.%04d", p.day, p.month, p.year);
}

int PressureQuantity() {
    return setup.absolute_pressure ? QUANTITY_ABSOLUTE_PRESSURE : QUANTITY_RELATIVE_PRESSURE;
}

// The gap's name and dates, and its rain; the rest is not known and left empty.
void GapCells(const PeriodStatistics &p, int32_t shift, char cells[STAT_COLUMNS][STAT_CELL_SIZE]) {
    for (int c = 0; c < STAT_COLUMNS; ++c) cells[c][0] = '\0';
    char from[16], to[16];
    DayText(from, sizeof from, p.gap_from, shift);
    DayText(to, sizeof to, p.gap_to, shift);
    char text[STAT_TITLE_SIZE + 40];
    snprintf(text, sizeof text, "%s %s\u2013%s", statistics_texts.gap, from, to);
    Copy(cells[STAT_PERIOD], STAT_CELL_SIZE, text);
    ValueCell(cells[STAT_RAIN], QUANTITY_RAIN_TOTAL, p.rain);
}

bool WriteLine(FILE *out, const char *const fields[STAT_COLUMNS]) {
    for (int c = 0; c < STAT_COLUMNS; ++c)
        if (fputs(fields[c], out) < 0 || fputc(c + 1 < STAT_COLUMNS ? '\t' : '\n', out) == EOF)
            return false;
    return true;
}

bool WriteRow(FILE *out, const PeriodStatistics &p, int period, int records, int32_t shift) {
    char cells[STAT_COLUMNS][STAT_CELL_SIZE];
    FormatStatisticsRow(p, period, records, shift, 1, cells);
    const char *fields[STAT_COLUMNS];
    for (int c = 0; c < STAT_COLUMNS; ++c) fields[c] = cells[c];
    return WriteLine(out, fields);
}

}  // namespace

std::vector<PeriodStatistics> ComputeStatistics(const HistorySeries &s, size_t first, size_t end,
                                                int period, int32_t local_shift) {
    std::vector<PeriodStatistics> out;
    end = std::min(end, DataSetCount(s));
    int64_t day_index = INT64_MIN;
    int64_t key = INT64_MIN;
    Accumulator a{};
    for (size_t i = first; i < end; ++i) {
        const int64_t d = DayIndex(s.time[i], local_shift);
        int64_t k = key;
        struct tm day{};
        if (d != day_index) {
            day_index = d;
            day = LocalDay(d);
            k = PeriodKey(day, d, period);
        }
        const bool gap = GapBefore(s, i);
        // A gap within one period is that period's; one between periods is a row.
        const bool gap_inside = gap && PeriodKeyOf(s.time[i - 1], period, local_shift) == k;
        if (k != key) {
            if (key != INT64_MIN) out.push_back(Finish(a));
            if (gap && !gap_inside) out.push_back(GapRow(s, i));
            key = k;
            a = Begin(day);
            a.p.first = i;
        }
        if (gap_inside) AddRain(&a.p, GapRain(s, i));
        Take(&a, s, i);
    }
    if (key != INT64_MIN) out.push_back(Finish(a));
    return out;
}

PeriodStatistics ComputeRecords(const HistorySeries &s, int32_t local_shift) {
    const size_t n = DataSetCount(s);
    Accumulator a = Begin(LocalDay(n > 0 ? DayIndex(s.time[0], local_shift) : 0));
    for (size_t i = 0; i < n; ++i) {
        AddRain(&a.p, GapRain(s, i));
        Take(&a, s, i);
    }
    return Finish(a);
}

namespace {

bool CacheHolds(const StatisticsCache &c, const HistorySeries &s, int period, int32_t shift) {
    if (c.period != period || c.local_shift != shift) return false;
    if (c.records_end == 0) return true;
    return c.records_end <= DataSetCount(s) && s.time[0] == c.first_stamp &&
           s.time[c.records_end - 1] == c.last_stamp;
}

// A row of the old range that the new one would work out alike: a whole period (or a
// gap) inside both ranges, and not the old range's last where the range grew or where
// it ended at the newest data set and more came (the one after it may show a gap).
bool RowHolds(const PeriodStatistics &r, const StatisticsCache &c, size_t first, size_t end,
              bool tail_open) {
    if (r.first < first || r.end > end) return false;
    if (r.first == c.first && first != c.first && !r.gap) return false;
    return r.end < c.end || (end == c.end && !tail_open);
}

// The records take the data sets appended since (all of a series read anew).
void TakeNewRecords(StatisticsCache *c, const HistorySeries &s, int32_t local_shift) {
    const size_t n = DataSetCount(s);
    if (c->records_end == 0) c->records = Begin(LocalDay(n > 0 ? DayIndex(s.time[0], local_shift) : 0));
    for (size_t i = c->records_end; i < n; ++i) {
        AddRain(&c->records.p, GapRain(s, i));
        Take(&c->records, s, i);
    }
    c->records_end = n;
    if (n == 0) return;
    c->first_stamp = s.time[0];
    c->last_stamp = s.time[n - 1];
}

// The rows for [first, end): the run of old rows that hold, and fresh ones before and
// after it. Returns the first row that changed.
size_t SpliceRows(StatisticsCache *c, const HistorySeries &s, size_t first, size_t end,
                  bool tail_open) {
    const std::vector<PeriodStatistics> &old = c->rows;
    size_t keep_from = 0;
    while (keep_from < old.size() && !RowHolds(old[keep_from], *c, first, end, tail_open)) ++keep_from;
    size_t keep_end = keep_from;
    while (keep_end < old.size() && RowHolds(old[keep_end], *c, first, end, tail_open)) ++keep_end;
    // A gap's row goes with the period after it.
    while (keep_end > keep_from && old[keep_end - 1].gap) --keep_end;
    if (keep_from == keep_end) {
        c->rows = ComputeStatistics(s, first, end, c->period, c->local_shift);
        return 0;
    }
    std::vector<PeriodStatistics> rows =
        ComputeStatistics(s, first, old[keep_from].first, c->period, c->local_shift);
    const size_t changed = rows.empty() && keep_from == 0 ? keep_end : 0;
    rows.insert(rows.end(), old.begin() + static_cast<std::ptrdiff_t>(keep_from),
                old.begin() + static_cast<std::ptrdiff_t>(keep_end));
    const std::vector<PeriodStatistics> tail =
        ComputeStatistics(s, old[keep_end - 1].end, end, c->period, c->local_shift);
    rows.insert(rows.end(), tail.begin(), tail.end());
    c->rows = std::move(rows);
    return changed;
}

}  // namespace

size_t UpdateStatistics(StatisticsCache *c, const HistorySeries &s, size_t first, size_t end,
                        int period, int32_t local_shift) {
    const size_t n = DataSetCount(s);
    end = std::min(end, n);
    first = std::min(first, end);
    if (!CacheHolds(*c, s, period, local_shift)) {
        const int runs = c->runs;
        *c = StatisticsCache{};
        c->runs = runs;
        c->period = period;
        c->local_shift = local_shift;
    }
    ++c->runs;
    const bool tail_open = c->end == c->records_end && n > c->records_end;
    TakeNewRecords(c, s, local_shift);
    const size_t changed = SpliceRows(c, s, first, end, tail_open);
    c->first = first;
    c->end = end;
    return changed;
}

PeriodStatistics CachedRecords(const StatisticsCache &c) { return Finish(c.records); }

void FormatStatisticsRow(const PeriodStatistics &p, int period, int records, int32_t shift,
                         int for_file, char cells[STAT_COLUMNS][STAT_CELL_SIZE]) {
    if (p.gap && !records) {
        GapCells(p, shift, cells);
        return;
    }
    if (records)
        Copy(cells[STAT_PERIOD], STAT_CELL_SIZE, statistics_texts.records);
    else
        PeriodCell(cells[STAT_PERIOD], p, period);
    struct Pair {
        int value_column;
        int quantity;
        const Extreme *e;
    };
    const Pair pairs[] = {
        {STAT_TEMPERATURE_MIN, QUANTITY_OUTDOOR_TEMPERATURE, &p.temperature_min},
        {STAT_TEMPERATURE_MAX, QUANTITY_OUTDOOR_TEMPERATURE, &p.temperature_max},
        {STAT_HUMIDITY_MIN, QUANTITY_HUMIDITY, &p.humidity_min},
        {STAT_HUMIDITY_MAX, QUANTITY_HUMIDITY, &p.humidity_max},
        {STAT_PRESSURE_MIN, PressureQuantity(), &p.pressure_min},
        {STAT_PRESSURE_MAX, PressureQuantity(), &p.pressure_max},
        {STAT_WIND_MAX, QUANTITY_WIND_SPEED, &p.wind_max},
    };
    for (const Pair &pair : pairs) {
        ValueCell(cells[pair.value_column], pair.quantity, pair.e->value);
        TimeCell(cells[pair.value_column + 1], *pair.e, shift, for_file,
                 period == PERIOD_DAY && !records);
    }
    ValueCell(cells[STAT_TEMPERATURE_MEAN], QUANTITY_OUTDOOR_TEMPERATURE, p.temperature_mean);
    ValueCell(cells[STAT_RAIN], QUANTITY_RAIN_TOTAL, p.rain);
    const bool has_direction = !std::isnan(p.wind_max.value) && p.wind_direction < 16;
    Copy(cells[STAT_WIND_DIRECTION], STAT_CELL_SIZE,
         has_direction ? statistics_texts.direction[p.wind_direction] : MARKER_NOT_AVAILABLE);
}

void StatisticsUnit(int column, char *out, int size) {
    int quantity = -1;
    switch (column) {
    case STAT_TEMPERATURE_MIN:
    case STAT_TEMPERATURE_MAX:
    case STAT_TEMPERATURE_MEAN: quantity = QUANTITY_OUTDOOR_TEMPERATURE; break;
    case STAT_PRESSURE_MIN:
    case STAT_PRESSURE_MAX: quantity = PressureQuantity(); break;
    case STAT_RAIN: quantity = QUANTITY_RAIN_TOTAL; break;
    case STAT_WIND_MAX: quantity = QUANTITY_WIND_SPEED; break;
    case STAT_HUMIDITY_MIN:
    case STAT_HUMIDITY_MAX: snprintf(out, static_cast<size_t>(size), "[%%]"); return;
    default: out[0] = '\0'; return;
    }
    // Asked with a value every unit shows as a number, so the unit text is never empty.
    const float zero = quantity == QUANTITY_RELATIVE_PRESSURE || quantity == QUANTITY_ABSOLUTE_PRESSURE
                           ? 1000.0f
                           : 0.0f;
    snprintf(out, static_cast<size_t>(size), "[%s]",
             LocaliseMeasuredValues(quantity, &setup.units, &zero)->unit_text);
}

int WriteStatisticsText(FILE *out, const std::vector<PeriodStatistics> &rows, int period,
                        const PeriodStatistics &records, int32_t local_shift) {
    if (out == nullptr) return -1;
    const char *fields[STAT_COLUMNS];
    for (int c = 0; c < STAT_COLUMNS; ++c)
        fields[c] = c == STAT_PERIOD ? statistics_texts.period[period] : statistics_texts.title[c];
    if (!WriteLine(out, fields)) return -1;
    char units[STAT_COLUMNS][STAT_TITLE_SIZE];
    for (int c = 0; c < STAT_COLUMNS; ++c) {
        StatisticsUnit(c, units[c], sizeof units[c]);
        fields[c] = units[c];
    }
    if (!WriteLine(out, fields)) return -1;
    for (const PeriodStatistics &p : rows)
        if (!WriteRow(out, p, period, 0, local_shift)) return -1;
    if (!WriteRow(out, records, period, 1, local_shift)) return -1;
    return fflush(out) == 0 ? 0 : -1;
}
