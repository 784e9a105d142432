// Statistics of the history: per day, month or year the extremes of outdoor temperature,
// outdoor humidity and pressure with their times, the mean outdoor temperature, the rain
// that fell and the strongest wind with its direction; the same over the whole file are
// its records. Pure functions over a HistorySeries, and their text in the user's units
// and number style, on screen and as tab-separated text beside the export.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "graphs/history_series.h"

enum StatisticsPeriod { PERIOD_DAY, PERIOD_MONTH, PERIOD_YEAR };

struct Extreme {
    float value;    // base unit; NaN when the period has no reading
    uint32_t time;  // stamp of the first data set that reached it
};

struct PeriodStatistics {
    int year, month, day;  // first day of the period in local time (month 1..12)
    uint32_t data_sets;
    Extreme temperature_min, temperature_max;
    float temperature_mean;  // NaN without readings
    Extreme humidity_min, humidity_max;
    Extreme pressure_min, pressure_max;  // absolute hPa
    float rain;                          // mm; NaN when no interval's rain is known
    Extreme wind_max;
    uint8_t wind_direction;              // of wind_max; DIRECTION_NONE when unknown
    // A gap between two periods: the console stored nothing from gap_from to gap_to (the
    // stamps either side), and `rain` is what fell meanwhile; nothing else is known.
    int32_t gap;
    uint32_t gap_from, gap_to;
    size_t first, end;  // data sets the row was worked out from (a gap's: none, at the one after it)
};

// One entry per period that holds data sets of [first, end), oldest first. Periods are
// local calendar days, months or years; local_shift is local time minus the stamps'
// time in seconds (GetLocalToGMTTimeDifference). The rain of a gap (GapBefore) that
// lies within one period is that period's; a gap between periods has an entry of its
// own between them, so that an outage's rain never passes for the next day's.
std::vector<PeriodStatistics> ComputeStatistics(const HistorySeries &s, size_t first, size_t end,
                                                int period, int32_t local_shift);
// The whole file as one period (dated by its first data set): its records. Its rain is
// all that fell, gaps included.
PeriodStatistics ComputeRecords(const HistorySeries &s, int32_t local_shift);

// Statistics kept for a window that shows them while data sets come in: worked out
// again only where they changed.
struct StatisticsAccumulator {
    PeriodStatistics p;
    double temperature_sum;
    uint32_t temperature_n;
};
struct StatisticsCache {
    int period = -1;
    int32_t local_shift = 0;
    size_t first = 0, end = 0;                // the data sets rows covers
    std::vector<PeriodStatistics> rows;       // as ComputeStatistics(first, end)
    StatisticsAccumulator records{};          // of data sets [0, records_end)
    size_t records_end = 0;
    uint32_t first_stamp = 0, last_stamp = 0; // of those: a series read anew starts afresh
    int runs = 0;                             // times brought up to date
};
// Brings the cache to [first, end) of s. Rows of whole periods inside both the old and
// the new range are kept, the records take only the data sets appended; another period,
// another shift or a series read anew (another file, data sets put in front) start
// afresh. Returns the first row that changed (rows.size() when none did).
size_t UpdateStatistics(StatisticsCache *cache, const HistorySeries &s, size_t first, size_t end,
                        int period, int32_t local_shift);
// The records held by the cache.
PeriodStatistics CachedRecords(const StatisticsCache &cache);

enum StatisticsColumn {
    STAT_PERIOD,
    STAT_TEMPERATURE_MIN, STAT_TEMPERATURE_MIN_TIME,
    STAT_TEMPERATURE_MAX, STAT_TEMPERATURE_MAX_TIME,
    STAT_TEMPERATURE_MEAN,
    STAT_HUMIDITY_MIN, STAT_HUMIDITY_MIN_TIME,
    STAT_HUMIDITY_MAX, STAT_HUMIDITY_MAX_TIME,
    STAT_PRESSURE_MIN, STAT_PRESSURE_MIN_TIME,
    STAT_PRESSURE_MAX, STAT_PRESSURE_MAX_TIME,
    STAT_RAIN,
    STAT_WIND_MAX, STAT_WIND_MAX_TIME, STAT_WIND_DIRECTION,
    STAT_COLUMNS
};
constexpr int STAT_CELL_SIZE = 48;
constexpr int STAT_TITLE_SIZE = 64;

// Column titles (the period column's title for day, month and year), the label of the
// records row and the direction names. They start in English; the graphs window copies the texts panel's in.
struct StatisticsTexts {
    char title[STAT_COLUMNS][STAT_TITLE_SIZE];
    char period[3][STAT_TITLE_SIZE];
    char records[STAT_TITLE_SIZE];
    char gap[STAT_TITLE_SIZE];            // a gap's row, before its dates
    char direction[16][STAT_TITLE_SIZE];  // north first, clockwise
};
extern StatisticsTexts statistics_texts;

// The cells of one row in setup.units and setup.decimal_comma, pressure of the kind
// setup.absolute_pressure names. Times on screen (for_file 0) follow the user's date
// style, the time of day alone in a day's row; in a file they are "dd.mm.yyyy hh:mm" as
// in the text export. records: the row
// is labelled as the records of the file. A gap's row holds its dates and its rain only.
void FormatStatisticsRow(const PeriodStatistics &p, int period, int records, int32_t local_shift,
                         int for_file, char cells[STAT_COLUMNS][STAT_CELL_SIZE]);
// The unit of a column in brackets ("[°C]"), or empty.
void StatisticsUnit(int column, char *out, int size);

// Titles, units, one line per period and the records line, tab-separated, each line
// ending with a newline. 0, or -1 when a write failed.
int WriteStatisticsText(FILE *out, const std::vector<PeriodStatistics> &rows, int period,
                        const PeriodStatistics &records, int32_t local_shift);
