// Decoding of the history file for the graphs and the statistics. The same tests as the
// history table decide what is a reading: the localisation's marker values for
// temperatures, pressure and wind, 98 and 110 for the humidities, and dewpoint and
// windchill only where their inputs are readings.
#include "graphs/history_series.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "records/kor_data.h"
#include "values/derived.h"
#include "values/localisation.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr uint16_t kIndoorHumidityMissing = 98;
constexpr uint16_t kOutdoorHumidityMissing = 110;
// Data sets per read: large enough that a file of millions is read in few calls.
constexpr int kChunk = 8192;

float Reading(int quantity, float raw) {
    return MeasuredValueStatus(quantity, raw) == LOCALISED_VALID ? raw : kNaN;
}

// Grows a vector by an eighth at least, so that appends one at a time to a series of
// millions never double its memory.
template <typename T>
void MakeRoom(std::vector<T> *v, size_t more) {
    const size_t need = v->size() + more;
    if (need <= v->capacity()) return;
    const size_t grown = v->capacity() + v->capacity() / 8;
    v->reserve(std::max(need, std::max<size_t>(grown, 1024)));
}

uint8_t Humidity(uint16_t raw, uint16_t missing) {
    return raw == missing || raw >= HUMIDITY_NONE ? HUMIDITY_NONE : static_cast<uint8_t>(raw);
}

float HumidityValue(uint8_t h) { return h == HUMIDITY_NONE ? kNaN : static_cast<float>(h); }

void DecodeOne(HistorySeries *s, const HistoryRecord &d) {
    const uint32_t previous = s->time.empty() ? 0 : s->time.back();
    s->time.push_back(std::max(d.time, previous));
    s->indoor_temperature.push_back(Reading(QUANTITY_INDOOR_TEMPERATURE, d.indoor_temperature));
    s->outdoor_temperature.push_back(Reading(QUANTITY_OUTDOOR_TEMPERATURE, d.outdoor_temperature));
    s->pressure.push_back(Reading(QUANTITY_ABSOLUTE_PRESSURE, d.pressure));
    s->wind_speed.push_back(Reading(QUANTITY_WIND_SPEED, d.wind_speed));
    s->indoor_humidity.push_back(Humidity(d.indoor_humidity, kIndoorHumidityMissing));
    s->outdoor_humidity.push_back(Humidity(d.outdoor_humidity, kOutdoorHumidityMissing));
    const float fallen = d.rain - s->last_rain;
    s->rain.push_back(std::isnan(fallen) || fallen < 0.0f ? kNaN : fallen);
    s->last_rain = d.rain;
    // The table shows no direction when the wind speed is not available.
    const bool has_direction = MeasuredValueStatus(QUANTITY_WIND_SPEED, d.wind_speed) !=
                                   LOCALISED_NOT_AVAILABLE &&
                               d.wind_direction >= 0 && d.wind_direction < 16;
    s->direction.push_back(has_direction ? static_cast<uint8_t>(d.wind_direction)
                                         : DIRECTION_NONE);
    s->gap_before.push_back(0);
}

// Data set i ends a gap when its step from the one before is more than twice the
// shorter of the steps either side of it; steps of 0 (a clock set back) say nothing.
bool EndsGap(const HistorySeries &s, size_t i) {
    if (i < 2 || i + 1 >= DataSetCount(s)) return false;
    const uint32_t before = s.time[i - 1] - s.time[i - 2];
    const uint32_t after = s.time[i + 1] - s.time[i];
    if (before == 0 || after == 0) return false;
    const uint64_t step = s.time[i] - s.time[i - 1];
    return step > 2 * static_cast<uint64_t>(std::min(before, after));
}

// Marks anew the data sets whose neighbours changed: from the one before `from` on.
void MarkGaps(HistorySeries *s, size_t from) {
    for (size_t i = from > 0 ? from - 1 : 0; i < DataSetCount(*s); ++i)
        s->gap_before[i] = EndsGap(*s, i) ? 1 : 0;
}

// Data sets the file holds in full, counted from its size: never more than there are,
// whatever its header says.
size_t DataSetsInFile(const std::string &path, int32_t header_count) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return 0;
    const off_t header = sizeof(HistoryFileHeader);
    const size_t held = st.st_size >= header ? static_cast<size_t>((st.st_size - header) / sizeof(HistoryRecord)) : 0;
    return std::min(held, header_count > 0 ? static_cast<size_t>(header_count) : 0);
}

// Every per-data-set array, for growing and clearing them together.
template <typename F>
void ForEachArray(HistorySeries *s, F f) {
    f(&s->time);
    for (auto *v : {&s->indoor_temperature, &s->outdoor_temperature, &s->pressure,
                    &s->wind_speed, &s->rain})
        f(v);
    for (auto *v : {&s->indoor_humidity, &s->outdoor_humidity, &s->direction, &s->gap_before})
        f(v);
}

uint16_t DirectionBit(uint8_t direction) {
    return direction < 16 ? static_cast<uint16_t>(1u << direction) : 0;
}

// Min/max of one summary block from the data sets (finest level) or from the blocks of
// the level below it.
void SummariseBlock(HistorySeries *s, int level, size_t b) {
    SummaryLevel &l = s->level[level];
    const size_t n = DataSetCount(*s);
    if (level == 0) {
        const size_t first = b * SUMMARY_BLOCK[0];
        const size_t end = std::min(n, first + SUMMARY_BLOCK[0]);
        for (int k = 0; k < SERIES_COUNT; ++k) {
            float lo = kNaN, hi = kNaN;
            for (size_t i = first; i < end; ++i) {
                const float v = SeriesValue(*s, k, i);
                if (std::isnan(v)) continue;
                if (std::isnan(lo) || v < lo) lo = v;
                if (std::isnan(hi) || v > hi) hi = v;
            }
            l.min[k][b] = lo;
            l.max[k][b] = hi;
        }
        uint16_t bits = 0;
        for (size_t i = first; i < end; ++i) bits |= DirectionBit(s->direction[i]);
        l.directions[b] = bits;
        return;
    }
    const SummaryLevel &fine = s->level[level - 1];
    const size_t ratio = SUMMARY_BLOCK[level] / SUMMARY_BLOCK[level - 1];
    const size_t first = b * ratio;
    const size_t end = std::min(fine.directions.size(), first + ratio);
    for (int k = 0; k < SERIES_COUNT; ++k) {
        float lo = kNaN, hi = kNaN;
        for (size_t f = first; f < end; ++f) {
            if (std::isnan(fine.min[k][f])) continue;
            if (std::isnan(lo) || fine.min[k][f] < lo) lo = fine.min[k][f];
            if (std::isnan(hi) || fine.max[k][f] > hi) hi = fine.max[k][f];
        }
        l.min[k][b] = lo;
        l.max[k][b] = hi;
    }
    uint16_t bits = 0;
    for (size_t f = first; f < end; ++f) bits |= fine.directions[f];
    l.directions[b] = bits;
}

// Recomputes the summary blocks of a level from block `from` on.
void SummariseLevel(HistorySeries *s, int level, size_t from) {
    SummaryLevel &l = s->level[level];
    const size_t block = SUMMARY_BLOCK[level];
    const size_t blocks = (DataSetCount(*s) + block - 1) / block;
    const size_t more = blocks > l.directions.size() ? blocks - l.directions.size() : 0;
    for (int k = 0; k < SERIES_COUNT; ++k) {
        MakeRoom(&l.min[k], more);
        MakeRoom(&l.max[k], more);
        l.min[k].resize(blocks);
        l.max[k].resize(blocks);
    }
    MakeRoom(&l.directions, more);
    l.directions.resize(blocks);
    for (size_t b = from; b < blocks; ++b) SummariseBlock(s, level, b);
}

// Cache entries: the temperature the dewpoint was worked out for, then the dewpoint.
constexpr int kCacheTenths = 1201;  // -30.0 .. 90.0 degC
constexpr int kCacheHumidities = 101;

float Dewpoint(const HistorySeries &s, float t, uint8_t h) {
    if (std::isnan(t) || h == HUMIDITY_NONE) return kNaN;
    const uint16_t humidity = h;
    const long tenth = std::lround((t + 30.0f) * 10.0f);
    const bool cached = tenth >= 0 && tenth < kCacheTenths && h < kCacheHumidities;
    float *entry = nullptr;
    if (cached) {
        if (s.dewpoint_cache.empty()) s.dewpoint_cache.assign(2u * kCacheTenths * kCacheHumidities, kNaN);
        entry = &s.dewpoint_cache[2u * (static_cast<size_t>(tenth) * kCacheHumidities + h)];
        // Only the very same temperature gives the very same dewpoint.
        if (entry[0] == t) return entry[1];
    }
    float dew = CalculateDewpoint(&t, &humidity);
    if (!std::isfinite(dew)) dew = kNaN;  // 0 % has no dewpoint
    if (entry != nullptr) {
        entry[0] = t;
        entry[1] = dew;
    }
    return dew;
}

void ClearSeries(HistorySeries *s) {
    ForEachArray(s, [](auto *v) { v->clear(); });
    for (auto &l : s->level) {
        for (auto &v : l.min) v.clear();
        for (auto &v : l.max) v.clear();
        l.directions.clear();
    }
    s->last_rain = kNaN;
}

std::string HistoryPath() {
    size_t n = 0;
    while (n < sizeof setup.history_file && setup.history_file[n] != '\0') ++n;
    return std::string(setup.history_file, n);
}

}  // namespace

void LoadDataSets(HistorySeries *s, const HistoryRecord *data_sets, size_t count) {
    if (count == 0) return;
    if (s->time.empty()) s->last_rain = kNaN;
    const size_t before = DataSetCount(*s);
    ForEachArray(s, [count](auto *v) { MakeRoom(v, count); });
    for (size_t i = 0; i < count; ++i) DecodeOne(s, data_sets[i]);
    MarkGaps(s, before);
    // Levels build on the data sets directly; the finest level is cheap enough and the
    // coarser ones only touch their last blocks on an append (from the data set before
    // the new ones, whose rain a gap found now takes out).
    const size_t changed = before > 0 ? before - 1 : 0;
    for (int level = 0; level < SUMMARY_LEVELS; ++level)
        SummariseLevel(s, level, changed / SUMMARY_BLOCK[level]);
}

int RefreshHistorySeries(HistorySeries *s) {
    const std::string path = HistoryPath();
    HistoryFileHeader header{};
    if (ReadFileHeader(&header, path.c_str()) != 0) return -1;
    // A file shorter than its header says is read as far as it goes; reading up to the
    // header's count would take its last data sets again on every refresh.
    const size_t present = DataSetsInFile(path, header.count);
    // Data sets put in front (older ones fetched later) move every index: read anew.
    const bool grew_in_front = DataSetCount(*s) > 0 && header.first_time != 0 &&
                               header.first_time < s->time.front();
    if (path != s->path || present < DataSetCount(*s) || grew_in_front) {
        ClearSeries(s);
        s->path = path;
    }
    // Room for the whole file at once: growing step by step would copy it many times.
    if (present > DataSetCount(*s)) {
        const size_t more = present - DataSetCount(*s);
        ForEachArray(s, [more](auto *v) { MakeRoom(v, more); });
    }
    // The reader takes its count from a record's file header.
    static KORData reader;
    reader.history_file_ok = 1;
    reader.file_header = header;
    std::vector<HistoryRecord> chunk(static_cast<size_t>(std::min<size_t>(kChunk, present)));
    int added = 0;
    while (DataSetCount(*s) < present) {
        const size_t end = std::min(present, DataSetCount(*s) + kChunk);
        const int want = static_cast<int>(end - DataSetCount(*s));
        const int got = GetHistoryDataFromFile(&reader, chunk.data(), static_cast<int>(end), want);
        if (got < 0) return -3;
        if (got == 0) break;  // the file is shorter than its header says
        LoadDataSets(s, chunk.data(), static_cast<size_t>(got));
        added += got;
        if (got < want) break;
    }
    return added;
}

float SeriesValue(const HistorySeries &s, int series, size_t i) {
    switch (series) {
    case SERIES_INDOOR_TEMPERATURE: return s.indoor_temperature[i];
    case SERIES_OUTDOOR_TEMPERATURE: return s.outdoor_temperature[i];
    case SERIES_DEWPOINT: return Dewpoint(s, s.outdoor_temperature[i], s.outdoor_humidity[i]);
    case SERIES_WINDCHILL: {
        const float t = s.outdoor_temperature[i];
        const float w = s.wind_speed[i];
        return std::isnan(t) || std::isnan(w) ? kNaN : CalculateWindchill(&t, &w);
    }
    case SERIES_INDOOR_HUMIDITY: return HumidityValue(s.indoor_humidity[i]);
    case SERIES_OUTDOOR_HUMIDITY: return HumidityValue(s.outdoor_humidity[i]);
    case SERIES_PRESSURE: return s.pressure[i];
    case SERIES_WIND_SPEED: return s.wind_speed[i];
    case SERIES_RAIN: return GapBefore(s, i) ? kNaN : s.rain[i];
    default: return kNaN;
    }
}

float GapRain(const HistorySeries &s, size_t i) { return GapBefore(s, i) ? s.rain[i] : kNaN; }

size_t FirstDataSetAtOrAfter(const HistorySeries &s, uint32_t t) {
    return static_cast<size_t>(std::lower_bound(s.time.begin(), s.time.end(), t) - s.time.begin());
}

ValueRange SeriesRange(const HistorySeries &s, int series, size_t first, size_t end) {
    ValueRange r{kNaN, kNaN};
    auto take = [&r](float lo, float hi) {
        if (std::isnan(lo)) return;
        if (std::isnan(r.min) || lo < r.min) r.min = lo;
        if (std::isnan(r.max) || hi > r.max) r.max = hi;
    };
    end = std::min(end, DataSetCount(s));
    size_t i = first;
    while (i < end) {
        // The coarsest whole block that starts here, if its summary is complete.
        int used = -1;
        for (int level = SUMMARY_LEVELS - 1; level >= 0; --level) {
            const size_t block = SUMMARY_BLOCK[level];
            const size_t b = i / block;
            if (i % block == 0 && i + block <= end && b < s.level[level].min[series].size()) {
                take(s.level[level].min[series][b], s.level[level].max[series][b]);
                i += block;
                used = level;
                break;
            }
        }
        if (used >= 0) continue;
        const float v = SeriesValue(s, series, i);
        take(v, v);
        ++i;
    }
    return r;
}

uint16_t DirectionsIn(const HistorySeries &s, size_t first, size_t end) {
    uint16_t bits = 0;
    end = std::min(end, s.direction.size());
    size_t i = first;
    while (i < end) {
        bool used = false;
        for (int level = SUMMARY_LEVELS - 1; level >= 0 && !used; --level) {
            const size_t block = SUMMARY_BLOCK[level];
            const size_t b = i / block;
            if (i % block == 0 && i + block <= end && b < s.level[level].directions.size()) {
                bits |= s.level[level].directions[b];
                i += block;
                used = true;
            }
        }
        if (used) continue;
        bits |= DirectionBit(s.direction[i]);
        ++i;
    }
    return bits;
}
