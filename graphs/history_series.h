// The history file as the graphs and the statistics see it: one array of time stamps and
// one per measured quantity, in base units, read through SeriesValue, which also derives
// dewpoint and windchill. Every marker ("---", "OFL") and every value that cannot be
// known reads as NaN, so that nothing downstream can mistake a missing reading for a
// real one. The file is read once; a refresh reads only the data sets
// appended since. Min/max summaries over blocks of data sets let a graph of millions of
// data sets be drawn from a few thousand points per series at any zoom.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "records/history_records.h"

enum GraphSeries {
    SERIES_INDOOR_TEMPERATURE,
    SERIES_OUTDOOR_TEMPERATURE,
    SERIES_DEWPOINT,
    SERIES_WINDCHILL,
    SERIES_INDOOR_HUMIDITY,
    SERIES_OUTDOOR_HUMIDITY,
    SERIES_PRESSURE,      // absolute hPa; the relative kind is applied when drawn
    SERIES_WIND_SPEED,    // m/s
    SERIES_RAIN,          // mm fallen since the data set before
    SERIES_COUNT
};

constexpr uint8_t DIRECTION_NONE = 16;
// Data sets per block of each summary level, finest first.
constexpr int SUMMARY_LEVELS = 3;
constexpr size_t SUMMARY_BLOCK[SUMMARY_LEVELS] = {32, 512, 8192};

struct SummaryLevel {
    std::vector<float> min[SERIES_COUNT];
    std::vector<float> max[SERIES_COUNT];
    std::vector<uint16_t> directions;  // bit d set when direction d occurs in the block
};

// Only what cannot be worked out again is kept per data set, in its narrowest exact form:
// dewpoint and windchill are derived when asked for, humidities are whole percent.
constexpr uint8_t HUMIDITY_NONE = 255;

struct HistorySeries {
    std::string path;            // the file these data sets came from
    std::vector<uint32_t> time;  // stamps, never decreasing (see LoadDataSets)
    std::vector<float> indoor_temperature, outdoor_temperature, pressure, wind_speed;
    std::vector<float> rain;     // mm per interval
    std::vector<uint8_t> indoor_humidity, outdoor_humidity;  // HUMIDITY_NONE: missing
    std::vector<uint8_t> direction;  // 0..15, DIRECTION_NONE when the wind is missing
    std::vector<uint8_t> gap_before; // 1: a gap lies between this data set and the one before
    SummaryLevel level[SUMMARY_LEVELS];
    float last_rain = 0.0f;      // stored rain of the newest data set (NaN: none)
    // Dewpoints already worked out, by temperature tenth and humidity: a file of years
    // holds few distinct pairs, and the formula is the dearest part of reading it.
    mutable std::vector<float> dewpoint_cache;
};

inline size_t DataSetCount(const HistorySeries &s) { return s.time.size(); }

// Value of one series for data set i in its base unit; NaN where it is not known. The
// rain of the first data set after a gap fell over the whole gap, not in one interval:
// it reads as NaN here, and as GapRain.
float SeriesValue(const HistorySeries &s, int series, size_t i);

// Whether the console stored nothing for longer than two intervals before data set i:
// its stamp lies more than twice the interval after the one before, the interval being
// the shorter of the steps on either side (a console that changed its interval steps
// once from one to the other). Only known once a data set follows, so the newest data
// set is never taken for the end of a gap.
inline bool GapBefore(const HistorySeries &s, size_t i) {
    return i < s.gap_before.size() && s.gap_before[i] != 0;
}
// Rain that fell during the gap before data set i, in mm; NaN when there is no gap
// there or the amount is not known.
float GapRain(const HistorySeries &s, size_t i);

// Takes the data sets of setup.history_file that the series does not hold yet; a file
// that holds fewer data sets than its header counts is read as far as it goes, once. A series
// of another file, of a file that now holds fewer data sets than were taken (it was
// repaired or replaced), or of one that gained older data sets in front, is read anew
// from the start. Returns the number of data sets
// added (0 when nothing was appended), -1 when the file's header cannot be read, -3
// when the data sets cannot be read (the series keeps what it had).
int RefreshHistorySeries(HistorySeries *series);

// Appends decoded data sets to the series and brings the summaries up to date. Rain per
// interval is the stored rain (raw counter plus the file's offset, wraps included) minus
// that of the data set before; the first data set and any that shows less rain than the
// one before (the offset was determined afresh, the counter was reset) are NaN, never a
// negative or invented amount. Gaps are marked (GapBefore). A stamp earlier than its predecessor's (the console's
// clock was set back) is taken as the predecessor's, so the time axis stays ordered.
void LoadDataSets(HistorySeries *series, const HistoryRecord *data_sets, size_t count);

// First data set whose stamp is at or after t (DataSetCount when none).
size_t FirstDataSetAtOrAfter(const HistorySeries &s, uint32_t t);

struct ValueRange {
    float min;  // NaN when the range holds no valid value
    float max;
};
// Min and max of one series over data sets [first, end), ignoring NaN.
ValueRange SeriesRange(const HistorySeries &s, int series, size_t first, size_t end);
// Directions (bit d for direction d) that occur in [first, end).
uint16_t DirectionsIn(const HistorySeries &s, size_t first, size_t end);
