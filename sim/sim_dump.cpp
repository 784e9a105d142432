// Readable dumps of the simulated console, for tests that fail and for a person
// watching the simulator (the program prints them on SIGUSR1 and SIGUSR2).
#include <cstdarg>
#include <cstdio>
#include <string>

#include "sim/stationsim.h"

namespace {

void Add(std::string *out, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

void Add(std::string *out, const char *fmt, ...) {
    char line[256];
    va_list args;
    va_start(args, fmt);
    vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    *out += line;
}

const char *MarkerText(int marker) {
    return marker == SIM_VALUE_MISSING ? "---" : marker == SIM_VALUE_OVERFLOW ? "OFL" : nullptr;
}

std::string Value(double v, int marker, int decimals) {
    if (const char *m = MarkerText(marker)) return m;
    char text[32];
    snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Stamp(const SimStamp &s) {
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", s.year, s.month, s.day, s.hour, s.minute);
    return text;
}

void AddQuantity(std::string *out, const char *name, const SimQuantity &q, int decimals) {
    Add(out, "%-8s %8s  min %8s (%s)  max %8s (%s)\n", name, Value(q.current, q.marker, decimals).c_str(),
        Value(q.min.value, q.min.marker, decimals).c_str(), Stamp(q.min.time).c_str(),
        Value(q.max.value, q.max.marker, decimals).c_str(), Stamp(q.max.time).c_str());
}

}  // namespace

std::string DumpSimState(const SimConsole *c) {
    const SimState &s = c->state;
    std::string out;
    Add(&out, "console  id %d (mask %d), console clock %s:%02d weekday %d, UTC%+.2f h\n", s.variant,
        s.variant == 1 ? 7 : 8, Stamp(s.station).c_str(), s.station_second, s.station_weekday,
        s.tz_offset_s / 3600.0);
    AddQuantity(&out, "itemp", s.itemp, 1);
    AddQuantity(&out, "otemp", s.otemp, 1);
    AddQuantity(&out, "chill", s.chill, 1);
    AddQuantity(&out, "dew", s.dew, 1);
    AddQuantity(&out, "ihum", s.ihum, 0);
    AddQuantity(&out, "ohum", s.ohum, 0);
    AddQuantity(&out, "wind", s.wind, 1);
    Add(&out, "winddir  %d (%.1f deg), display unit %d\n", s.wind_dir, s.wind_dir * 22.5, s.wind_unit);
    AddQuantity(&out, "pressure", s.press, 1);
    Add(&out, "relative offset %.1f hPa, weather %d, trend %d\n", s.rel_offset, s.weather, s.trend);
    Add(&out, "rain     1h %.2f (max %.2f at %s)  24h %.2f (max %.2f at %s)\n", s.rain_1h, s.rain_1h_max.value,
        Stamp(s.rain_1h_max.time).c_str(), s.rain_24h, s.rain_24h_max.value, Stamp(s.rain_24h_max.time).c_str());
    Add(&out, "rain     total %.3f mm since %s, gauge count %u\n", s.rain_total, Stamp(s.rain_total_reset).c_str(),
        s.rain_impulses);
    Add(&out, "radio    interval %.1f s, countdown %.1f s%s\n", s.tx_interval, s.tx_countdown,
        s.radio_silent ? ", receiving" : "");
    out += "alarms   enable";
    for (uint8_t n : s.alarm_enable) Add(&out, " %X", n);
    out += "  state";
    for (uint8_t n : s.alarm_state) Add(&out, " %X", n);
    out += "\n";
    if (c->layout->hist_max) {
        Add(&out, "history  interval %d min, countdown %d, index %d, count %d, last at UTC %lld\n",
            s.hist_interval_min, s.hist_countdown, s.hist_index, s.hist_count,
            static_cast<long long>(s.hist_last_time));
        for (int back = 0; back < 3 && back < s.hist_count; ++back) {
            const int i = (s.hist_index - back + SIM_HIST_MAX) % SIM_HIST_MAX;
            const SimHistorySet &h = s.hist[i];
            Add(&out, "  set %3d  UTC %lld  in %s out %s  %.1f hPa  %d%%/%d%%  rain %d  wind %.1f dir %d\n", i,
                static_cast<long long>(h.time), Value(h.itemp, h.itemp_marker, 1).c_str(),
                Value(h.otemp, h.otemp_marker, 1).c_str(), h.press, h.ihum, h.ohum, h.rain_raw, h.wind, h.wind_dir);
        }
    } else {
        out += "history  none (mask 7)\n";
    }
    return out;
}

// 64 nibbles a line, lowest address first; runs of all-zero lines are folded.
std::string DumpSimMemory(const SimMemory *m) {
    std::string out;
    const size_t size = m->nibble.size();
    size_t zero_run = 0;
    for (size_t line = 0; line < size; line += 64) {
        bool zero = true;
        for (size_t i = line; i < line + 64 && i < size; ++i) zero = zero && m->nibble[i] == 0;
        if (zero) {
            ++zero_run;
            continue;
        }
        if (zero_run) Add(&out, "        (%zu lines of 0)\n", zero_run);
        zero_run = 0;
        Add(&out, "%04zX:", line);
        for (size_t i = line; i < line + 64 && i < size; ++i) {
            if ((i - line) % 8 == 0) out += ' ';
            Add(&out, "%X", m->nibble[i]);
        }
        out += '\n';
    }
    if (zero_run) Add(&out, "        (%zu lines of 0)\n", zero_run);
    return out;
}
