#include "support/history_ledger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "support/temp_folder.h"

namespace {

// The console's encodings, decoded as the program decodes them.
float HistoryTemperature(double t, int marker) {
    if (marker == SIM_VALUE_MISSING) return 81.11f;
    if (marker == SIM_VALUE_OVERFLOW) return 136.65f;
    const long long code = std::clamp<long long>(std::llround((t + 30.0) * 10.0), 0, 997);
    return static_cast<float>(code / 10.0 - 30.0);
}

float HistoryPressure(double hpa) {
    long long code = std::llround(std::clamp(hpa, 500.0, 1499.9) * 10.0) % 10000;
    if (code < 5000) code += 10000;
    return static_cast<float>(code / 10.0);
}

bool SameSet(const SimHistorySet &a, const SimHistorySet &b) {
    return a.time == b.time && a.itemp == b.itemp && a.otemp == b.otemp &&
           a.itemp_marker == b.itemp_marker && a.otemp_marker == b.otemp_marker &&
           a.press == b.press && a.ihum == b.ihum && a.ohum == b.ohum &&
           a.rain_raw == b.rain_raw && a.wind == b.wind && a.wind_dir == b.wind_dir;
}

void Fault(HistoryVerdict *v, const char *format, long long a, long long b = 0,
           double x = 0, double y = 0) {
    if (v->faults.size() >= 40) return;  // enough to see the pattern
    char text[256];
    snprintf(text, sizeof text, format, a, b, x, y);
    v->faults.push_back(text);
}

void CompareValues(const HistoryRecord &got, const HistoryRecord &want, int i,
                   HistoryVerdict *v) {
    const struct {
        const char *name;
        double got, want, tolerance;
    } fields[] = {
        {"pressure", got.pressure, want.pressure, 0.051},
        {"wind speed", got.wind_speed, want.wind_speed, 0.051},
        {"wind direction", static_cast<double>(got.wind_direction),
         static_cast<double>(want.wind_direction), 0.0},
        {"rain", got.rain, want.rain, 0.011},
        {"indoor temperature", got.indoor_temperature, want.indoor_temperature, 0.051},
        {"outdoor temperature", got.outdoor_temperature, want.outdoor_temperature, 0.051},
        {"indoor humidity", static_cast<double>(got.indoor_humidity),
         static_cast<double>(want.indoor_humidity), 0.0},
        {"outdoor humidity", static_cast<double>(got.outdoor_humidity),
         static_cast<double>(want.outdoor_humidity), 0.0},
    };
    for (const auto &f : fields) {
        if (std::fabs(f.got - f.want) <= f.tolerance) continue;
        char format[160];
        snprintf(format, sizeof format,
                 "record %%lld (time %%lld): %s is %%.3f, the console stored %%.3f", f.name);
        Fault(v, format, i, got.time, f.got, f.want);
    }
}

}  // namespace

void UpdateLedger(StationSim *sim, HistoryLedger *ledger) {
    static SimState state;  // large; one look at a time
    StationSimGetState(sim, &state);
    int64_t oldest = 0, newest = 0;
    for (const SimHistorySet &set : state.hist) {
        if (set.time <= 0) continue;
        auto found = ledger->sets.find(set.time);
        if (found == ledger->sets.end())
            ledger->sets.emplace(set.time, set);
        else if (!SameSet(found->second, set))
            ++ledger->conflicts;
        oldest = oldest == 0 ? set.time : std::min(oldest, set.time);
        newest = std::max(newest, set.time);
    }
    if (ledger->seen && state.hist_index < ledger->ring_index) ++ledger->index_wraps;
    ledger->ring_index = state.hist_index;
    ledger->ring_oldest = oldest;
    ledger->ring_newest = newest;
    ledger->seen = true;
}

float RawRainOf(const SimHistorySet &set) {
    return static_cast<float>(0.518 * (set.rain_raw & 0xFFF));
}

HistoryRecord ExpectedHistoryRecord(const SimHistorySet &set, float rain_offset) {
    HistoryRecord r;
    memset(&r, 0, sizeof r);
    r.time = static_cast<uint32_t>(set.time);
    r.pressure = HistoryPressure(set.press);
    r.wind_speed = static_cast<float>(std::llround(set.wind * 10.0) / 10.0);
    r.wind_direction = set.wind_dir;
    r.rain = RawRainOf(set) + rain_offset;
    r.indoor_temperature = HistoryTemperature(set.itemp, set.itemp_marker);
    r.outdoor_temperature = HistoryTemperature(set.otemp, set.otemp_marker);
    r.indoor_humidity = static_cast<uint16_t>(set.ihum);
    r.outdoor_humidity = static_cast<uint16_t>(set.ohum);
    return r;
}

HistoryFileImage ReadHistoryImage(const std::string &path) {
    HistoryFileImage image;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return image;
    const std::string bytes = ReadWholeFile(path);
    fclose(f);
    image.readable = true;
    image.size = static_cast<int64_t>(bytes.size());
    const size_t whole = bytes.size() >= sizeof(HistoryFileHeader)
                             ? (bytes.size() - sizeof(HistoryFileHeader)) / sizeof(HistoryRecord)
                             : 0;
    image.records.resize(whole);
    if (whole > 0) memcpy(image.records.data(), bytes.data(), whole * sizeof(HistoryRecord));
    if (bytes.size() >= sizeof(HistoryFileHeader)) {
        memcpy(&image.header, bytes.data() + bytes.size() - sizeof(HistoryFileHeader),
               sizeof image.header);
        image.valid = image.header.magic == HISTORY_FILE_MAGIC && image.header.count >= 0 &&
                      static_cast<size_t>(image.header.count) == whole &&
                      bytes.size() == whole * sizeof(HistoryRecord) + sizeof(HistoryFileHeader);
    }
    return image;
}

bool WriteHistoryFileOf(const std::string &path, const std::vector<SimHistorySet> &sets,
                        float rain_offset) {
    std::string bytes;
    HistoryFileHeader header;
    memset(&header, 0, sizeof header);
    header.magic = HISTORY_FILE_MAGIC;
    header.rain_offset = rain_offset;
    for (const SimHistorySet &set : sets) {
        const HistoryRecord r = ExpectedHistoryRecord(set, rain_offset);
        bytes.append(reinterpret_cast<const char *>(&r), sizeof r);
        if (header.count == 0) header.first_time = r.time;
        header.last_time = r.time;
        header.last_raw_rain = RawRainOf(set);
        ++header.count;
    }
    bytes.append(reinterpret_cast<const char *>(&header), sizeof header);
    WriteWholeFile(path, bytes);
    return ReadWholeFile(path) == bytes;
}

HistoryVerdict JudgeHistory(const std::vector<HistoryRecord> &records,
                            const HistoryLedger &ledger,
                            const std::vector<int64_t> &ring_oldest_seen, int64_t interval_s) {
    HistoryVerdict v;
    float offset = 0.0f;
    int last_raw = -1;
    for (size_t i = 0; i < records.size(); ++i) {
        const HistoryRecord &r = records[i];
        const long long at = static_cast<long long>(i);
        const auto found = ledger.sets.find(static_cast<int64_t>(r.time));
        if (found == ledger.sets.end()) {
            Fault(&v, "record %lld has time %lld, at which the console stored no data set", at,
                  r.time);
            continue;
        }
        const SimHistorySet &set = found->second;
        // The rain offset is the file's own: taken from its first record, raised by the
        // counter's wrap whenever the raw count went down.
        if (last_raw < 0) offset = r.rain - RawRainOf(set);
        else if ((set.rain_raw & 0xFFF) < last_raw) offset += 2121.728f;
        last_raw = set.rain_raw & 0xFFF;
        CompareValues(r, ExpectedHistoryRecord(set, offset), static_cast<int>(i), &v);
        ++v.checked;
        if (i == 0) continue;
        const int64_t previous = records[i - 1].time;
        const int64_t step = static_cast<int64_t>(r.time) - previous;
        if (step <= 0) {
            Fault(&v, "record %lld (time %lld) is not later than the one before it", at, r.time);
            continue;
        }
        if (step % interval_s != 0)
            Fault(&v, "record %lld (time %lld) is off the console's interval", at, r.time);
        const int64_t seen = i < ring_oldest_seen.size() ? ring_oldest_seen[i] : 0;
        for (int64_t t = previous + interval_s; t < r.time; t += interval_s) {
            if (t < seen) {
                ++v.allowed_gaps;
                continue;
            }
            Fault(&v, "data set of time %lld, still held by the console, is missing before "
                      "record %lld", t, at);
        }
    }
    return v;
}

std::string SanitizerReportIn(const std::string &error_output) {
    static const char *const kMarks[] = {"ERROR: AddressSanitizer", "runtime error:",
                                         "ERROR: LeakSanitizer", "SUMMARY: UndefinedBehavior"};
    size_t first = std::string::npos;
    for (const char *mark : kMarks) first = std::min(first, error_output.find(mark));
    if (first == std::string::npos) return "";
    const size_t line = error_output.rfind('\n', first);
    return error_output.substr(line == std::string::npos ? 0 : line + 1, 2000);
}
