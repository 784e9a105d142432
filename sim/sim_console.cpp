// What the simulated console does with time (see sim_console.h). Settings the program
// may change (thresholds, enable bits, history interval and count, rain buckets, wind
// unit) live only in memory, so a write by the program takes effect the way it would on
// the console; values the console computes (extremes, rain total) live in SimState and
// are taken back from memory when the program has written over them.
#include "sim/sim_console.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr double kStep = SIM_WEATHER_STEP_S;

double Round1(double v) { return std::round(v * 10.0) / 10.0; }
double Round2(double v) { return std::round(v * 100.0) / 100.0; }

int HostOffsetAt(int64_t utc) {
    const time_t t = static_cast<time_t>(utc);
    struct tm local{};
    localtime_r(&t, &local);
    return static_cast<int>(local.tm_gmtoff);
}

// Windchill as the console reports it: the temperature itself in light wind or heat.
double Windchill(double t, double v) {
    if (v < 1.8 || t > 33.0) return t;
    return 33.0 - (0.417 * std::sqrt(v) + 0.55 - 0.0454 * v) * (33.0 - t);
}

double Dewpoint(double t, double rh) {
    const double a = 17.625, b = 243.04;
    const double g = std::log(std::max(rh, 1.0) / 100.0) + a * t / (b + t);
    return b * g / (a - g);
}

// Speed in the console's display unit (the unit nibble at the wind-unit address).
double DisplaySpeed(double mps, int unit) {
    switch (unit) {
    case 1: return mps * 1.943844;                 // knots
    case 2: return std::min(12.0, std::round(std::pow(mps / 0.836, 2.0 / 3.0)));  // Beaufort
    case 3: return mps * 3.6;                      // km/h
    case 4: return mps * 2.236936;                 // mph
    default: return mps;
    }
}

// ---- present values -------------------------------------------------------------------

int SensorMarker(const SimConsole *c, uint32_t bit, bool lost) {
    if (c->opts.overflow & bit) return SIM_VALUE_OVERFLOW;
    if (c->opts.missing & bit) return SIM_VALUE_MISSING;
    return lost ? SIM_VALUE_MISSING : SIM_VALUE_OK;
}

void TakeReadings(SimConsole *c) {
    const SimWeather *w = &c->weather;
    SimState *s = &c->state;
    const bool lost = SimChance(&c->marker_rng, c->opts.marker_prob);
    s->itemp.current = Round1(w->itemp);
    s->itemp.marker = SensorMarker(c, SIM_SENSOR_ITEMP, false);
    s->otemp.current = Round1(w->otemp);
    s->otemp.marker = SensorMarker(c, SIM_SENSOR_OTEMP, lost);
    s->ihum.current = std::round(w->ihum);
    s->ihum.marker = SensorMarker(c, SIM_SENSOR_IHUM, false);
    s->ohum.current = std::round(w->ohum);
    s->ohum.marker = SensorMarker(c, SIM_SENSOR_OHUM, lost);
    s->wind.current = Round1(w->wind);
    s->wind.marker = SensorMarker(c, SIM_SENSOR_WIND, lost);
    s->wind_dir = w->wind_dir;
    s->press.current = Round1(w->press_abs);
    s->press.marker = SensorMarker(c, SIM_SENSOR_PRESS, false);
    s->rel_offset = Round1(w->rel_offset);
    s->chill.current = Round1(Windchill(s->otemp.current, s->wind.current));
    s->chill.marker = s->otemp.marker != SIM_VALUE_OK ? s->otemp.marker : s->wind.marker;
    s->dew.current = Round1(std::min(s->otemp.current, Dewpoint(s->otemp.current, s->ohum.current)));
    s->dew.marker = s->otemp.marker != SIM_VALUE_OK ? s->otemp.marker : s->ohum.marker;
}

void WriteWind(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    const SimState *s = &c->state;
    const int marker = s->wind.marker;
    uint64_t imp = static_cast<uint64_t>(std::llround(s->wind.current * 10.0));
    if (marker == SIM_VALUE_MISSING) imp = 0;
    if (marker == SIM_VALUE_OVERFLOW) imp = 0xFFF;
    PutSimBinary(m, l->wind_imp, std::min<uint64_t>(imp, 0xFFF), 3);
    PutSimNibble(m, l->wind_flags,
                 marker == SIM_VALUE_MISSING ? 0x5 : marker == SIM_VALUE_OVERFLOW ? 0x2 : 0x0);
    PutSimWindKmh(m, l->wind_value, marker == SIM_VALUE_OK ? s->wind.current : 0.0);
    for (int i = 5; i > 0; --i) PutSimNibble(m, l->winddir + i, GetSimNibble(m, l->winddir + i - 1));
    PutSimNibble(m, l->winddir, static_cast<uint8_t>(s->wind_dir));
    const int unit = GetSimNibble(m, l->wind_unit);
    PutSimBCD(m, l->wind_disp, std::llround(DisplaySpeed(s->wind.current, unit) * 100.0), 5);
}

void WritePressure(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    const SimState *s = &c->state;
    const double abs = s->press.current, rel = abs + s->rel_offset;
    const int mk = s->press.marker;
    PutSimHpa(m, l->press_abs_hpa, abs, mk);
    PutSimInhg(m, l->press_abs_hpa + 5, abs, mk);
    PutSimHpa(m, l->press_abs_hpa + 10, rel, mk);
    PutSimInhg(m, l->press_abs_hpa + 15, rel, mk);
    // The difference carries a bias of 1000 hPa so that it is never negative.
    PutSimHpa(m, l->press_abs_hpa + 20, s->rel_offset + 1000.0, SIM_VALUE_OK);
    PutSimInhg(m, l->press_abs_hpa + 25, s->rel_offset + 1000.0, SIM_VALUE_OK);
}

void WritePresent(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    const SimState *s = &c->state;
    PutSimTemperature(m, l->itemp.value_ll, s->itemp.current, s->itemp.marker);
    PutSimTemperature(m, l->otemp.value_ll, s->otemp.current, s->otemp.marker);
    PutSimTemperature(m, l->chill.value_ll, s->chill.current, s->chill.marker);
    PutSimTemperature(m, l->dew.value_ll, s->dew.current, s->dew.marker);
    PutSimHumidity(m, l->ihum.value_l, s->ihum.current, s->ihum.marker);
    PutSimHumidity(m, l->ohum.value_l, s->ohum.current, s->ohum.marker);
    WriteWind(c);
    WritePressure(c);
    PutSimNibble(m, l->weather_type, static_cast<uint8_t>(s->weather));
    PutSimNibble(m, l->weather_type + 1, static_cast<uint8_t>(s->trend));
}

// ---- extremes -------------------------------------------------------------------------

// A marked extreme (none yet, or a marker the program wrote) gives way to any reading.
bool Replace(SimExtreme *e, double v, bool lower, const SimStamp &now) {
    if (e->marker == SIM_VALUE_OK && (lower ? v >= e->value : v <= e->value)) return false;
    e->value = v;
    e->time = now;
    e->marker = SIM_VALUE_OK;
    return true;
}

void UpdateTempExtremes(SimConsole *c, SimQuantity *q, const SimTempBlock &b, const SimStamp &now) {
    if (q->marker != SIM_VALUE_OK) return;
    if (Replace(&q->min, q->current, true, now)) {
        PutSimTemperature(&c->mem, b.min_ll, q->min.value, SIM_VALUE_OK);
        PutSimStamp(&c->mem, b.min_stamp, now);
    }
    if (Replace(&q->max, q->current, false, now)) {
        PutSimTemperature(&c->mem, b.max_ll, q->max.value, SIM_VALUE_OK);
        PutSimStamp(&c->mem, b.max_stamp, now);
    }
}

void UpdateHumExtremes(SimConsole *c, SimQuantity *q, const SimHumBlock &b, const SimStamp &now) {
    if (q->marker != SIM_VALUE_OK) return;
    if (Replace(&q->min, q->current, true, now)) {
        PutSimHumidity(&c->mem, b.min_l, q->min.value, SIM_VALUE_OK);
        PutSimStamp(&c->mem, b.min_stamp, now);
    }
    if (Replace(&q->max, q->current, false, now)) {
        PutSimHumidity(&c->mem, b.max_l, q->max.value, SIM_VALUE_OK);
        PutSimStamp(&c->mem, b.max_stamp, now);
    }
}

uint8_t WindMinMaxFlags(const SimState *s) {
    uint8_t f = 0;
    if (s->wind.min.marker == SIM_VALUE_MISSING) f |= 1;
    if (s->wind.min.marker == SIM_VALUE_OVERFLOW) f |= 2;
    if (s->wind.max.marker == SIM_VALUE_MISSING) f |= 4;
    if (s->wind.max.marker == SIM_VALUE_OVERFLOW) f |= 8;
    return f;
}

// While the wind sensor reports a marker, the console flags both extremes with it; the
// first good reading afterwards starts them afresh.
void UpdateWindExtremes(SimConsole *c, const SimStamp &now) {
    SimState *s = &c->state;
    const SimLayout *l = c->layout;
    if (s->wind.marker != SIM_VALUE_OK) {
        s->wind.min.marker = s->wind.max.marker = s->wind.marker;
    } else {
        if (Replace(&s->wind.min, s->wind.current, true, now)) {
            PutSimWindKmh(&c->mem, l->wind_min, s->wind.min.value);
            PutSimStamp(&c->mem, l->wind_min_stamp, now);
        }
        if (Replace(&s->wind.max, s->wind.current, false, now)) {
            PutSimWindKmh(&c->mem, l->wind_max, s->wind.max.value);
            PutSimStamp(&c->mem, l->wind_max_stamp, now);
        }
    }
    PutSimNibble(&c->mem, l->wind_minmax_flags, WindMinMaxFlags(s));
}

void WritePressureExtreme(SimConsole *c, uint16_t address, double abs) {
    const double rel = abs + c->state.rel_offset;
    PutSimHpa(&c->mem, address, abs, SIM_VALUE_OK);
    PutSimInhg(&c->mem, address + 5, abs, SIM_VALUE_OK);
    PutSimHpa(&c->mem, address + 10, rel, SIM_VALUE_OK);
    PutSimInhg(&c->mem, address + 15, rel, SIM_VALUE_OK);
}

void UpdatePressureExtremes(SimConsole *c, const SimStamp &now) {
    SimQuantity *q = &c->state.press;
    if (q->marker != SIM_VALUE_OK) return;
    if (Replace(&q->min, q->current, true, now)) {
        WritePressureExtreme(c, c->layout->press_min, q->min.value);
        PutSimStamp(&c->mem, c->layout->press_min_stamp, now);
    }
    if (Replace(&q->max, q->current, false, now)) {
        WritePressureExtreme(c, c->layout->press_max, q->max.value);
        PutSimStamp(&c->mem, c->layout->press_max_stamp, now);
    }
}

void UpdateExtremes(SimConsole *c, const SimStamp &now) {
    const SimLayout *l = c->layout;
    SimState *s = &c->state;
    UpdateTempExtremes(c, &s->itemp, l->itemp, now);
    UpdateTempExtremes(c, &s->otemp, l->otemp, now);
    UpdateTempExtremes(c, &s->chill, l->chill, now);
    UpdateTempExtremes(c, &s->dew, l->dew, now);
    UpdateHumExtremes(c, &s->ihum, l->ihum, now);
    UpdateHumExtremes(c, &s->ohum, l->ohum, now);
    UpdateWindExtremes(c, now);
    UpdatePressureExtremes(c, now);
}

// ---- rain -----------------------------------------------------------------------------

constexpr int kBuckets1h = 15;   // four minutes each
constexpr int kBuckets24h = 24;  // one hour each

void ShiftBuckets(SimMemory *m, uint16_t address, int buckets, int64_t by) {
    if (by <= 0) return;
    const int shift = static_cast<int>(std::min<int64_t>(by, buckets));
    for (int i = buckets - 1; i >= 0; --i) {
        const uint64_t v = i >= shift ? GetSimBinary(m, address + 2 * (i - shift), 2) : 0;
        PutSimBinary(m, address + 2 * i, v, 2);
    }
}

void AddToBucket(SimMemory *m, uint16_t address, int impulses) {
    const uint64_t v = std::min<uint64_t>(GetSimBinary(m, address, 2) + impulses, 0xFF);
    PutSimBinary(m, address, v, 2);
}

double SumBuckets(const SimMemory *m, uint16_t address, int buckets) {
    uint64_t sum = 0;
    for (int i = 0; i < buckets; ++i) sum += GetSimBinary(m, address + 2 * i, 2);
    return static_cast<double>(sum) * SIM_MM_PER_RAIN_IMPULSE;
}

void ComputeRain(SimConsole *c) {
    SimState *s = &c->state;
    s->rain_1h = Round2(SumBuckets(&c->mem, c->layout->rainhist1h, kBuckets1h));
    s->rain_24h = Round2(SumBuckets(&c->mem, c->layout->rainhist24h, kBuckets24h));
    s->rain_total = c->rain_total_base +
                    static_cast<double>(s->rain_impulses - c->rain_total_base_imp) * SIM_MM_PER_RAIN_IMPULSE;
    s->rain_total = std::round(s->rain_total * 1000.0) / 1000.0;
}

void UpdateRain(SimConsole *c, double t, int impulses, const SimStamp &now) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    SimState *s = &c->state;
    const int64_t slot4 = static_cast<int64_t>(std::floor(t / 240.0));
    const int64_t slot_hour = static_cast<int64_t>(std::floor(t / 3600.0));
    ShiftBuckets(m, l->rainhist1h, kBuckets1h, slot4 - c->rain_slot_4min);
    ShiftBuckets(m, l->rainhist24h, kBuckets24h, slot_hour - c->rain_slot_hour);
    c->rain_slot_4min = slot4;
    c->rain_slot_hour = slot_hour;
    s->rain_impulses += static_cast<uint32_t>(impulses);
    AddToBucket(m, l->rainhist1h, impulses);
    AddToBucket(m, l->rainhist24h, impulses);
    ComputeRain(c);
    PutSimBinary(m, l->rain_imp, s->rain_impulses & 0xFFF, 3);
    PutSimBCD(m, l->rain1h, std::llround(s->rain_1h * 100.0), 6);
    PutSimBCD(m, l->rain24h, std::llround(s->rain_24h * 100.0), 6);
    PutSimBCD(m, l->raintotal, std::llround(s->rain_total * 1000.0), 7);
    if (s->rain_1h > s->rain_1h_max.value) {
        s->rain_1h_max = SimExtreme{s->rain_1h, now, SIM_VALUE_OK};
        PutSimBCD(m, l->rain1h_max, std::llround(s->rain_1h * 100.0), 6);
        PutSimStamp(m, l->rain1h_max_stamp, now);
    }
    if (s->rain_24h > s->rain_24h_max.value) {
        s->rain_24h_max = SimExtreme{s->rain_24h, now, SIM_VALUE_OK};
        PutSimBCD(m, l->rain24h_max, std::llround(s->rain_24h * 100.0), 6);
        PutSimStamp(m, l->rain24h_max_stamp, now);
    }
}

// ---- weather picture, storm -----------------------------------------------------------

void UpdatePressureTrend(SimConsole *c) {
    SimState *s = &c->state;
    const double rel = s->press.current + s->rel_offset;
    const int n = 19;
    for (int i = n - 1; i > 0; --i) c->press_ring[i] = c->press_ring[i - 1];
    c->press_ring[0] = rel;
    c->press_ring_fill = std::min(c->press_ring_fill + 1, n);
    const double change = rel - c->press_ring[c->press_ring_fill - 1];
    const int thresh = std::max<int>(1, GetSimNibble(&c->mem, c->layout->weather_thresh));
    s->trend = change > 0.5 * thresh ? 1 : change < -0.5 * thresh ? 2 : 0;
    const double outlook = rel + 2.0 * change;
    s->weather = outlook < 1005.0 ? 0 : outlook > 1018.0 ? 2 : 1;
}

double PressureDrop3h(const SimConsole *c) {
    if (c->press_ring_fill < 7) return 0.0;  // less than an hour of pressure seen
    return c->press_ring[c->press_ring_fill - 1] - c->press_ring[0];
}

// ---- alarms ---------------------------------------------------------------------------

enum AlarmKind { AK_TEMP, AK_HUM, AK_RAIN24, AK_RAIN1, AK_WIND, AK_WINDDIR, AK_PRESS_REL, AK_STORM };

struct AlarmDef {
    int nibble;  // offset from the first enable nibble
    int bit;
    int kind;
    bool high;
    int which;   // temperature or humidity quantity: 0 indoor/itemp, 1 otemp, 2 chill, 3 dew
};

constexpr AlarmDef kAlarms[] = {
    {0, 1, AK_STORM, false, 0},
    {1, 2, AK_PRESS_REL, false, 0}, {1, 3, AK_PRESS_REL, true, 0},
    {2, 0, AK_TEMP, false, 0}, {2, 1, AK_TEMP, true, 0},
    {2, 2, AK_TEMP, false, 1}, {2, 3, AK_TEMP, true, 1},
    {3, 0, AK_TEMP, false, 2}, {3, 1, AK_TEMP, true, 2},
    {3, 2, AK_TEMP, false, 3}, {3, 3, AK_TEMP, true, 3},
    {4, 0, AK_HUM, false, 0}, {4, 1, AK_HUM, true, 0},
    {4, 2, AK_HUM, false, 1}, {4, 3, AK_HUM, true, 1},
    {5, 0, AK_RAIN24, true, 0}, {5, 1, AK_RAIN1, true, 0},
    {6, 0, AK_WIND, false, 0}, {6, 1, AK_WIND, true, 0}, {6, 2, AK_WINDDIR, true, 0},
};
constexpr int kAlarmCount = sizeof(kAlarms) / sizeof(kAlarms[0]);

bool Beyond(double value, double threshold, bool high) {
    return high ? value > threshold : value < threshold;
}

bool AlarmCondition(const SimConsole *c, const AlarmDef &a) {
    const SimLayout *l = c->layout;
    const SimMemory *m = &c->mem;
    const SimState *s = &c->state;
    switch (a.kind) {
    case AK_TEMP: {
        const SimTempBlock *blocks[] = {&l->itemp, &l->otemp, &l->chill, &l->dew};
        const SimQuantity *qs[] = {&s->itemp, &s->otemp, &s->chill, &s->dew};
        double thr = 0;
        const uint16_t at = a.high ? blocks[a.which]->high_alarm_ll : blocks[a.which]->low_alarm_ll;
        if (qs[a.which]->marker != SIM_VALUE_OK || GetSimTemperature(m, at, &thr) != SIM_VALUE_OK) return false;
        return Beyond(qs[a.which]->current, thr, a.high);
    }
    case AK_HUM: {
        const SimHumBlock *b = a.which == 0 ? &l->ihum : &l->ohum;
        const SimQuantity *q = a.which == 0 ? &s->ihum : &s->ohum;
        double thr = 0;
        if (q->marker != SIM_VALUE_OK || GetSimHumidity(m, a.high ? b->high_alarm_l : b->low_alarm_l, &thr)) return false;
        return Beyond(q->current, thr, a.high);
    }
    case AK_RAIN24:
        return s->rain_24h >= static_cast<double>(GetSimBCD(m, l->rain24h_alarm, 7)) / 1000.0;
    case AK_RAIN1:
        return s->rain_1h >= static_cast<double>(GetSimBCD(m, l->rain1h_alarm, 7)) / 1000.0;
    case AK_WIND: {
        if (s->wind.marker != SIM_VALUE_OK) return false;
        const double thr = GetSimWindKmh(m, a.high ? l->wind_high_alarm : l->wind_low_alarm);
        return Beyond(s->wind.current, thr, a.high);
    }
    case AK_WINDDIR:
        return s->wind.marker == SIM_VALUE_OK && s->wind.current > 0.0 &&
               ((GetSimBinary(m, l->winddir_alarm, 4) >> s->wind_dir) & 1);
    case AK_PRESS_REL: {
        double thr = 0;
        const uint16_t at = (a.high ? l->press_high_alarm : l->press_low_alarm) + 10;
        if (s->press.marker != SIM_VALUE_OK || GetSimHpa(m, at, &thr) != SIM_VALUE_OK) return false;
        return Beyond(s->press.current + s->rel_offset, thr, a.high);
    }
    case AK_STORM:
        return PressureDrop3h(c) >= std::max<int>(1, GetSimNibble(m, l->storm_thresh));
    }
    return false;
}

// An alarm goes off when its condition becomes true while it is enabled (or it is
// enabled while the condition holds); its state bit then stays on until the program
// clears it, as does the general alarm. The third bit records that it went off.
void CheckAlarms(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    for (int i = 0; i < kAlarmCount; ++i) {
        const AlarmDef &a = kAlarms[i];
        const bool on = GetSimBit(m, l->alarm_enable + a.nibble, a.bit) && AlarmCondition(c, a);
        if (on && !c->alarm_was_on[i]) {
            SetSimBit(m, l->alarm_state + a.nibble, a.bit, true);
            SetSimBit(m, l->alarm_state, 2, true);
            if (a.kind != AK_STORM) SetSimBit(m, l->alarm_third + a.nibble - 1, a.bit, true);
        }
        c->alarm_was_on[i] = on;
    }
}

// ---- history --------------------------------------------------------------------------

int HistTempCode(double t, int marker) {
    if (marker == SIM_VALUE_MISSING) return 998;
    if (marker == SIM_VALUE_OVERFLOW) return 999;
    return static_cast<int>(std::clamp<int64_t>(std::llround((t + 30.0) * 10.0), 0, 997));
}

void StoreHistorySet(SimConsole *c, int index, double t) {
    const SimState *s = &c->state;
    SimHistorySet h{};
    h.time = static_cast<int64_t>(t);
    h.itemp = s->itemp.current;
    h.itemp_marker = s->itemp.marker;
    h.otemp = s->otemp.current;
    h.otemp_marker = s->otemp.marker;
    h.press = std::clamp(s->press.current, 500.0, 1499.9);
    h.ihum = static_cast<int>(s->ihum.current);
    h.ohum = static_cast<int>(s->ohum.current);
    h.rain_raw = static_cast<int>(s->rain_impulses & 0xFFF);
    h.wind = std::min(s->wind.current, 409.5);
    h.wind_dir = s->wind_dir;
    c->state.hist[index] = h;

    SimMemory *m = &c->mem;
    const uint32_t at = c->layout->hist_start + static_cast<uint32_t>(SIM_HIST_SET_NIBBLES * index);
    const uint64_t x = static_cast<uint64_t>(HistTempCode(h.itemp, h.itemp_marker)) +
                       1000u * static_cast<uint64_t>(HistTempCode(h.otemp, h.otemp_marker));
    PutSimBinary(m, at, x, 5);
    const uint64_t press_code = static_cast<uint64_t>(std::llround(h.press * 10.0)) % 10000u;
    PutSimBinary(m, at + 5, press_code + 10000u * static_cast<uint64_t>(h.ihum), 5);
    PutSimBCD(m, at + 10, h.ohum, 2);
    PutSimBinary(m, at + 12, static_cast<uint64_t>(h.rain_raw), 3);
    PutSimBinary(m, at + 15, static_cast<uint64_t>(std::llround(h.wind * 10.0)), 3);
    PutSimNibble(m, at + 18, static_cast<uint8_t>(h.wind_dir));
}

void ReadHistoryHeader(SimConsole *c) {
    const SimLayout *l = c->layout;
    if (!l->hist_max) return;
    SimState *s = &c->state;
    s->hist_interval_min = static_cast<int>(GetSimBinary(&c->mem, l->hist_interval, 3)) + 1;
    s->hist_countdown = static_cast<int>(GetSimBinary(&c->mem, l->hist_countdown, 3));
    s->hist_index = static_cast<int>(GetSimBinary(&c->mem, l->hist_index, 2));
    s->hist_count = static_cast<int>(GetSimBinary(&c->mem, l->hist_count, 2));
}

// Every minute the countdown runs down; at 0 the console stores a data set and starts
// the countdown again from the interval (held as minutes minus one), so data sets come
// exactly one interval apart.
void HistoryMinute(SimConsole *c, double t, const SimStamp &now) {
    const SimLayout *l = c->layout;
    if (!l->hist_max) return;
    SimMemory *m = &c->mem;
    ReadHistoryHeader(c);
    SimState *s = &c->state;
    if (s->hist_countdown > 0) {
        PutSimBinary(m, l->hist_countdown, static_cast<uint64_t>(s->hist_countdown - 1), 3);
        ReadHistoryHeader(c);
        return;
    }
    const int index = s->hist_index + 1 >= l->hist_max ? 0 : s->hist_index + 1;
    StoreHistorySet(c, index, t);
    PutSimBinary(m, l->hist_index, static_cast<uint64_t>(index), 2);
    PutSimBinary(m, l->hist_count, static_cast<uint64_t>(std::min(s->hist_count + 1, l->hist_max)), 2);
    PutSimBinary(m, l->hist_countdown, static_cast<uint64_t>(s->hist_interval_min - 1), 3);
    PutSimBCD(m, l->hist_stamp + 0, now.minute, 2);
    PutSimBCD(m, l->hist_stamp + 2, now.hour, 2);
    PutSimBCD(m, l->hist_stamp + 4, now.day, 2);
    PutSimBCD(m, l->hist_stamp + 6, now.month, 2);
    PutSimBCD(m, l->hist_stamp + 8, now.year % 100, 2);
    s->hist_last_time = static_cast<int64_t>(t);
    ReadHistoryHeader(c);
}

// ---- one step -------------------------------------------------------------------------

void CopyAlarmNibbles(SimConsole *c) {
    for (int i = 0; i < SIM_ALARM_NIBBLES; ++i) {
        c->state.alarm_enable[i] = GetSimNibble(&c->mem, c->layout->alarm_enable + i);
        c->state.alarm_state[i] = GetSimNibble(&c->mem, c->layout->alarm_state + i);
    }
}

// The readings of one instant, and everything the console derives from them; on a
// step (not at the start) also the minute's history work.
void ApplyReadings(SimConsole *c, double t, int impulses, bool step) {
    SimStamp now{};
    int second = 0, weekday = 0;
    SimStationTime(c, t, &now, &second, &weekday);
    TakeReadings(c);
    const int64_t whole = static_cast<int64_t>(t);
    if (whole % 600 == 0 || c->press_ring_fill == 0) UpdatePressureTrend(c);
    WritePresent(c);
    UpdateExtremes(c, now);
    UpdateRain(c, t, impulses, now);
    CheckAlarms(c);
    // The console has taken any change notice and stored its settings.
    for (int bit = 1; bit <= 3; ++bit) SetSimBit(&c->mem, c->layout->change_notice, bit, false);
    SetSimBit(&c->mem, c->layout->eeprom_trigger, 0, false);
    if (step && whole % 60 == 0) HistoryMinute(c, t, now);
    CopyAlarmNibbles(c);
    c->state.wind_unit = GetSimNibble(&c->mem, c->layout->wind_unit);
}

void StepSimConsole(SimConsole *c, double t) {
    SimStamp now{};
    int second = 0, weekday = 0;
    SimStationTime(c, t - kStep / 2, &now, &second, &weekday);
    const double hour = now.hour + now.minute / 60.0;
    const int impulses = StepSimWeather(&c->weather, hour);
    ApplyReadings(c, t, impulses, true);
}

// ---- the program's writes -------------------------------------------------------------

void TakeExtreme(const SimMemory *m, SimExtreme *e, int marker, double value, uint16_t stamp) {
    e->marker = marker;
    if (marker == SIM_VALUE_OK) e->value = value;
    e->time = GetSimStamp(m, stamp);
}

void TakeTemp(SimConsole *c, SimQuantity *q, const SimTempBlock &b) {
    const SimMemory *m = &c->mem;
    double v = 0;
    if (SimTouched(m, b.min_ll, 5) || SimTouched(m, b.min_stamp, 10)) {
        const int marker = GetSimTemperature(m, b.min_ll, &v);
        TakeExtreme(m, &q->min, marker, v, b.min_stamp);
    }
    if (SimTouched(m, b.max_ll, 5) || SimTouched(m, b.max_stamp, 10)) {
        const int marker = GetSimTemperature(m, b.max_ll, &v);
        TakeExtreme(m, &q->max, marker, v, b.max_stamp);
    }
}

void TakeHum(SimConsole *c, SimQuantity *q, const SimHumBlock &b) {
    const SimMemory *m = &c->mem;
    double v = 0;
    if (SimTouched(m, b.min_l, 2) || SimTouched(m, b.min_stamp, 10)) {
        const int marker = GetSimHumidity(m, b.min_l, &v);
        TakeExtreme(m, &q->min, marker, v, b.min_stamp);
    }
    if (SimTouched(m, b.max_l, 2) || SimTouched(m, b.max_stamp, 10)) {
        const int marker = GetSimHumidity(m, b.max_l, &v);
        TakeExtreme(m, &q->max, marker, v, b.max_stamp);
    }
}

int WindFlagMarker(uint8_t flags, int shift) {
    if ((flags >> shift) & 2) return SIM_VALUE_OVERFLOW;
    if ((flags >> shift) & 1) return SIM_VALUE_MISSING;
    return SIM_VALUE_OK;
}

void TakeWind(SimConsole *c) {
    const SimMemory *m = &c->mem;
    const SimLayout *l = c->layout;
    SimState *s = &c->state;
    if (!SimTouched(m, l->wind_min, 12) && !SimTouched(m, l->wind_min_stamp, 20) &&
        !SimTouched(m, l->wind_minmax_flags, 1))
        return;
    const uint8_t flags = GetSimNibble(m, l->wind_minmax_flags);
    TakeExtreme(m, &s->wind.min, WindFlagMarker(flags, 0), GetSimWindKmh(m, l->wind_min), l->wind_min_stamp);
    TakeExtreme(m, &s->wind.max, WindFlagMarker(flags, 2), GetSimWindKmh(m, l->wind_max), l->wind_max_stamp);
}

void TakePressure(SimConsole *c) {
    const SimMemory *m = &c->mem;
    const SimLayout *l = c->layout;
    SimState *s = &c->state;
    double v = 0;
    if (SimTouched(m, l->press_min, 20) || SimTouched(m, l->press_min_stamp, 10)) {
        const int marker = GetSimHpa(m, l->press_min, &v);
        TakeExtreme(m, &s->press.min, marker, v, l->press_min_stamp);
    }
    if (SimTouched(m, l->press_max, 20) || SimTouched(m, l->press_max_stamp, 10)) {
        const int marker = GetSimHpa(m, l->press_max, &v);
        TakeExtreme(m, &s->press.max, marker, v, l->press_max_stamp);
    }
}

void TakeRain(SimConsole *c) {
    const SimMemory *m = &c->mem;
    const SimLayout *l = c->layout;
    SimState *s = &c->state;
    if (SimTouched(m, l->raintotal, 7)) {
        c->rain_total_base = static_cast<double>(GetSimBCD(m, l->raintotal, 7)) / 1000.0;
        c->rain_total_base_imp = s->rain_impulses;
    }
    if (SimTouched(m, l->raintotal_stamp, 10)) s->rain_total_reset = GetSimStamp(m, l->raintotal_stamp);
    if (SimTouched(m, l->rain1h_max, 6) || SimTouched(m, l->rain1h_max_stamp, 10))
        TakeExtreme(m, &s->rain_1h_max, SIM_VALUE_OK, GetSimBCD(m, l->rain1h_max, 6) / 100.0,
                    l->rain1h_max_stamp);
    if (SimTouched(m, l->rain24h_max, 6) || SimTouched(m, l->rain24h_max_stamp, 10))
        TakeExtreme(m, &s->rain_24h_max, SIM_VALUE_OK, GetSimBCD(m, l->rain24h_max, 6) / 100.0,
                    l->rain24h_max_stamp);
    ComputeRain(c);
}

void TakeProgramWrites(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimState *s = &c->state;
    if (std::find(c->mem.touched.begin(), c->mem.touched.end(), 1) == c->mem.touched.end()) return;
    TakeTemp(c, &s->itemp, l->itemp);
    TakeTemp(c, &s->otemp, l->otemp);
    TakeTemp(c, &s->chill, l->chill);
    TakeTemp(c, &s->dew, l->dew);
    TakeHum(c, &s->ihum, l->ihum);
    TakeHum(c, &s->ohum, l->ohum);
    TakeWind(c);
    TakePressure(c);
    TakeRain(c);
    ReadHistoryHeader(c);
    CopyAlarmNibbles(c);
    s->wind_unit = GetSimNibble(&c->mem, l->wind_unit);
    ClearSimTouched(&c->mem);
}

// ---- start ----------------------------------------------------------------------------

void PutTempAlarm(SimMemory *m, uint16_t at, double celsius) {
    PutSimTemperature(m, at, std::round(celsius * 10.0) / 10.0, SIM_VALUE_OK);
}

void PutPressureAlarm(SimMemory *m, uint16_t at, double abs_hpa, double rel_hpa) {
    PutSimHpa(m, at, abs_hpa, SIM_VALUE_OK);
    PutSimInhg(m, at + 5, abs_hpa, SIM_VALUE_OK);
    PutSimHpa(m, at + 10, rel_hpa, SIM_VALUE_OK);
    PutSimInhg(m, at + 15, rel_hpa, SIM_VALUE_OK);
}

// Factory thresholds: wide enough that nothing goes off in ordinary weather.
void WriteSettings(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    PutSimNibble(m, l->wind_unit, static_cast<uint8_t>(c->opts.wind_unit));
    PutSimNibble(m, l->weather_thresh, 3);
    PutSimNibble(m, l->storm_thresh, 4);
    PutSimBinary(m, l->time_zone, static_cast<uint64_t>(c->opts.tz_offset_s / 3600) & 0xFF, 2);
    PutSimBCD(m, l->alarm_timeout, 2, 2);
    PutTempAlarm(m, l->itemp.low_alarm_ll, 16.0);
    PutTempAlarm(m, l->itemp.high_alarm_ll, 28.0);
    PutTempAlarm(m, l->otemp.low_alarm_ll, -10.0);
    PutTempAlarm(m, l->otemp.high_alarm_ll, 35.0);
    PutTempAlarm(m, l->chill.low_alarm_ll, -15.0);
    PutTempAlarm(m, l->chill.high_alarm_ll, 30.0);
    PutTempAlarm(m, l->dew.low_alarm_ll, -5.0);
    PutTempAlarm(m, l->dew.high_alarm_ll, 20.0);
    PutSimHumidity(m, l->ihum.low_alarm_l, 30, SIM_VALUE_OK);
    PutSimHumidity(m, l->ihum.high_alarm_l, 70, SIM_VALUE_OK);
    PutSimHumidity(m, l->ohum.low_alarm_l, 20, SIM_VALUE_OK);
    PutSimHumidity(m, l->ohum.high_alarm_l, 98, SIM_VALUE_OK);
    PutSimBCD(m, l->rain24h_alarm, 50000, 7);  // 50 mm
    PutSimBCD(m, l->rain1h_alarm, 10000, 7);   // 10 mm
    PutSimWindKmh(m, l->wind_low_alarm, 0.0);
    PutSimWindKmh(m, l->wind_high_alarm, 60.0 / 3.6);
    PutSimBCD(m, l->wind_disp_low_alarm, 0, 5);
    PutSimBCD(m, l->wind_disp_high_alarm,
              std::llround(DisplaySpeed(60.0 / 3.6, c->opts.wind_unit) * 100.0), 5);
    PutPressureAlarm(m, l->press_low_alarm, 950.0, 980.0);
    PutPressureAlarm(m, l->press_high_alarm, 1030.0, 1040.0);
}

// Before its first reading of a sensor the console holds "no value" in its extremes.
void WriteExtremeMarkers(SimConsole *c) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    for (const SimTempBlock *b : {&l->itemp, &l->otemp, &l->chill, &l->dew}) {
        PutSimTemperature(m, b->min_ll, 0, SIM_VALUE_MISSING);
        PutSimTemperature(m, b->max_ll, 0, SIM_VALUE_MISSING);
    }
    for (const SimHumBlock *b : {&l->ihum, &l->ohum}) {
        PutSimHumidity(m, b->min_l, 0, SIM_VALUE_MISSING);
        PutSimHumidity(m, b->max_l, 0, SIM_VALUE_MISSING);
    }
    FillSimNibbles(m, l->press_min, 0xA, 20);
    FillSimNibbles(m, l->press_max, 0xA, 20);
    PutSimNibble(m, l->wind_minmax_flags, WindMinMaxFlags(&c->state));
}

void InitHistory(SimConsole *c) {
    const SimLayout *l = c->layout;
    if (!l->hist_max) return;
    const int interval = std::clamp(c->opts.hist_interval_min, 1, 4096);
    PutSimBinary(&c->mem, l->hist_interval, static_cast<uint64_t>(interval - 1), 3);
    PutSimBinary(&c->mem, l->hist_countdown, static_cast<uint64_t>(interval - 1), 3);
    PutSimBinary(&c->mem, l->hist_index, static_cast<uint64_t>(l->hist_max - 1), 2);
    PutSimBinary(&c->mem, l->hist_count, 0, 2);
    ReadHistoryHeader(c);
}

void InitRain(SimConsole *c, double t0) {
    SimState *s = &c->state;
    s->rain_impulses = static_cast<uint32_t>(NextSimRandom(&c->marker_rng) % 4096);
    c->rain_total_base = std::round(300.0 * SimUniform(&c->marker_rng) / 0.518) * 0.518;
    c->rain_total_base_imp = s->rain_impulses;
    int second = 0, weekday = 0;
    SimStationTime(c, t0 - 20 * 86400.0, &s->rain_total_reset, &second, &weekday);
    PutSimStamp(&c->mem, c->layout->raintotal_stamp, s->rain_total_reset);
    SimStamp now{};
    SimStationTime(c, t0, &now, &second, &weekday);
    s->rain_1h_max = SimExtreme{0.0, now, SIM_VALUE_OK};
    s->rain_24h_max = SimExtreme{0.0, now, SIM_VALUE_OK};
    PutSimStamp(&c->mem, c->layout->rain1h_max_stamp, now);
    PutSimStamp(&c->mem, c->layout->rain24h_max_stamp, now);
    c->rain_slot_4min = static_cast<int64_t>(std::floor(t0 / 240.0));
    c->rain_slot_hour = static_cast<int64_t>(std::floor(t0 / 3600.0));
}

}  // namespace

void SimStationTime(const SimConsole *c, double utc, SimStamp *stamp, int *second, int *weekday) {
    const time_t t = static_cast<time_t>(std::floor(utc)) + c->opts.tz_offset_s;
    struct tm tm{};
    gmtime_r(&t, &tm);
    *stamp = SimStamp{tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900};
    *second = tm.tm_sec;
    *weekday = tm.tm_wday == 0 ? 7 : tm.tm_wday;
}

void InitSimConsole(SimConsole *c, const SimOptions &opts) {
    c->opts = opts;
    c->layout = GetSimLayout(opts.variant);
    c->state = SimState{};
    c->press_ring_fill = 0;
    for (bool &b : c->alarm_was_on) b = false;
    const int64_t start = opts.start_time > 0 ? opts.start_time : static_cast<int64_t>(time(nullptr));
    if (!opts.tz_given) c->opts.tz_offset_s = HostOffsetAt(start);
    c->opts.hist_interval_min = std::clamp(opts.hist_interval_min, 1, 4096);
    const int prefill = std::clamp(opts.prefill, 0, c->layout->hist_max);
    const double t0 = std::floor(static_cast<double>(start) / 60.0) * 60.0 -
                      60.0 * prefill * c->opts.hist_interval_min;
    SimStamp at_t0{};
    int second = 0, weekday = 0;
    SimStationTime(c, t0, &at_t0, &second, &weekday);
    InitSimMemory(&c->mem, c->layout->size);
    InitSimWeather(&c->weather, opts.seed, at_t0.hour + at_t0.minute / 60.0);
    SeedSimRandom(&c->marker_rng, opts.seed * 0x2545F4914F6CDD1Dull + 7);
    c->state.variant = c->layout->variant;
    c->state.tz_offset_s = c->opts.tz_offset_s;
    for (SimQuantity *q : {&c->state.itemp, &c->state.otemp, &c->state.chill, &c->state.dew,
                           &c->state.ihum, &c->state.ohum, &c->state.wind, &c->state.press})
        q->min.marker = q->max.marker = SIM_VALUE_MISSING;  // no extreme seen yet

    WriteSettings(c);
    WriteExtremeMarkers(c);
    InitHistory(c);
    InitRain(c, t0);
    ApplyReadings(c, t0, 0, false);
    c->next_step = std::floor(t0 / kStep) * kStep + kStep;
    c->radio_phase = 0.5 * opts.radio_interval_s;
    AdvanceSimConsole(c, static_cast<double>(start));
    RefreshSimClock(c, static_cast<double>(start), 0.0);
}

void AdvanceSimConsole(SimConsole *c, double sim_time) {
    TakeProgramWrites(c);
    while (c->next_step <= sim_time) {
        StepSimConsole(c, c->next_step);
        c->next_step += kStep;
    }
}

void RefreshSimClock(SimConsole *c, double sim_time, double link_time) {
    const SimLayout *l = c->layout;
    SimMemory *m = &c->mem;
    SimState *s = &c->state;
    s->now = sim_time;
    SimStationTime(c, sim_time, &s->station, &s->station_second, &s->station_weekday);
    const SimStamp &t = s->station;
    const int fields[] = {s->station_second, t.minute, t.hour};
    for (int i = 0; i < 3; ++i) PutSimBCD(m, l->clock_sec + 2 * i, fields[i], 2);
    PutSimNibble(m, l->clock_sec + 6, static_cast<uint8_t>(s->station_weekday));
    PutSimBCD(m, l->clock_sec + 7, t.day, 2);
    PutSimBCD(m, l->clock_sec + 9, t.month, 2);
    PutSimBCD(m, l->clock_sec + 11, t.year % 100, 2);
    PutSimBCD(m, l->final_clock + 0, t.minute, 2);
    PutSimBCD(m, l->final_clock + 2, t.hour, 2);
    PutSimNibble(m, l->final_clock + 4, static_cast<uint8_t>(s->station_weekday));
    PutSimBCD(m, l->final_clock + 5, t.day, 2);
    PutSimBCD(m, l->final_clock + 7, t.month, 2);
    PutSimBCD(m, l->final_clock + 9, t.year % 100, 2);

    const int interval = c->opts.radio_interval_s;
    if (interval <= 0) {
        PutSimBinary(m, l->tx_interval, 0, 6);
        s->tx_interval = s->tx_countdown = 0.0;
        s->radio_silent = false;
        return;
    }
    // Both counts are half seconds less 1.5 s; the countdown runs to the next reception.
    const double k = std::max(0.0, std::ceil((link_time - c->radio_phase) / interval));
    const double countdown = c->radio_phase + k * interval - link_time;
    const int64_t raw = std::clamp<int64_t>(std::llround((countdown - 1.5) * 2.0), 0, 0xFFF);
    PutSimBinary(m, l->tx_interval, static_cast<uint64_t>(2 * interval - 3), 3);
    PutSimBinary(m, l->tx_countdown, static_cast<uint64_t>(raw), 3);
    s->tx_interval = interval;
    s->tx_countdown = static_cast<double>(raw) / 2.0 + 1.5;
    s->radio_silent = SimRadioSilent(c, link_time);
}

bool SimRadioSilent(const SimConsole *c, double link_time) {
    const int interval = c->opts.radio_interval_s;
    if (interval <= 0) return false;
    const double k = std::floor((link_time - c->radio_phase + 1.0) / interval);
    if (k < 0) return false;
    const double reception = c->radio_phase + k * interval;
    return link_time >= reception - 1.0 && link_time < reception + 2.0;
}
