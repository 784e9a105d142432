// Command line of the simulator (see sim_options.h). Every option has a default that
// gives a well-behaved console, so `stationsim` alone is enough to try the program.
#include "sim/sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool ParseDouble(const char *text, double lo, double hi, double *out) {
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno || end == text || *end || !(v >= lo && v <= hi)) return false;
    *out = v;
    return true;
}

bool ParseInt(const char *text, long long lo, long long hi, long long *out) {
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno || end == text || *end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// UTC: seconds since 1970, or YYYY-MM-DD[THH:MM[:SS]] (a trailing Z is allowed).
bool ParseStart(const char *text, int64_t *out) {
    long long secs = 0;
    if (ParseInt(text, 1, 4102444799LL, &secs)) {
        *out = secs;
        return true;
    }
    struct tm tm{};
    int n = 0;
    const int got = sscanf(text, "%d-%d-%d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &n);
    if (got != 3) return false;
    const char *rest = text + n;
    if (*rest == 'T' || *rest == ' ') {
        int m = 0;
        if (sscanf(rest + 1, "%d:%d%n", &tm.tm_hour, &tm.tm_min, &m) != 2) return false;
        rest += 1 + m;
        if (*rest == ':') {
            if (sscanf(rest + 1, "%d%n", &tm.tm_sec, &m) != 1) return false;
            rest += 1 + m;
        }
    }
    if (*rest == 'Z') ++rest;
    if (*rest) return false;
    if (tm.tm_year < 2000 || tm.tm_year > 2099 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 ||
        tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
        return false;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    *out = static_cast<int64_t>(timegm(&tm));
    return true;
}

bool ParseSensors(const char *text, uint32_t *out) {
    static const struct { const char *name; uint32_t bit; } kNames[] = {
        {"itemp", SIM_SENSOR_ITEMP}, {"otemp", SIM_SENSOR_OTEMP}, {"ihum", SIM_SENSOR_IHUM},
        {"ohum", SIM_SENSOR_OHUM},   {"wind", SIM_SENSOR_WIND},   {"press", SIM_SENSOR_PRESS},
        {"all", 0x3F},               {"none", 0},
    };
    uint32_t mask = 0;
    std::string list(text);
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t comma = list.find(',', pos);
        const std::string name = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        bool known = false;
        for (const auto &k : kNames) {
            if (name == k.name) {
                mask |= k.bit;
                known = true;
            }
        }
        if (!known) return false;
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    *out = mask;
    return true;
}

bool ParseWindUnit(const char *text, int *out) {
    static const char *kNames[] = {"ms", "knots", "bft", "kmh", "mph"};
    for (int i = 0; i < 5; ++i) {
        if (std::strcmp(text, kNames[i]) == 0) {
            *out = i;
            return true;
        }
    }
    long long v = 0;
    if (!ParseInt(text, 0, 15, &v)) return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseSilence(const char *text, SimOptions *o) {
    const char *comma = std::strchr(text, ',');
    if (!comma) return false;
    const std::string p(text, comma);
    return ParseDouble(p.c_str(), 0.0, 1.0, &o->silence_prob) && ParseDouble(comma + 1, 0.0, 3600.0, &o->silence_s);
}

// One option with its value; false when the value is bad.
bool ApplyOption(const std::string &name, const char *v, SimOptions *o, std::string *link) {
    long long i = 0;
    double d = 0;
    if (name == "--link") { *link = v; return *v != 0; }
    if (name == "--variant") { if (!ParseInt(v, 1, 2, &i)) return false; o->variant = static_cast<int>(i); return true; }
    if (name == "--seed") { if (!ParseInt(v, 0, INT64_MAX, &i)) return false; o->seed = static_cast<uint64_t>(i); return true; }
    if (name == "--start") return std::strcmp(v, "now") == 0 ? (o->start_time = 0, true) : ParseStart(v, &o->start_time);
    if (name == "--tz-offset") {
        if (std::strcmp(v, "local") == 0) { o->tz_given = false; return true; }
        if (!ParseDouble(v, -14.0, 14.0, &d)) return false;
        o->tz_offset_s = static_cast<int>(d * 3600.0);
        o->tz_given = true;
        return true;
    }
    if (name == "--hist-interval") { if (!ParseInt(v, 1, 4096, &i)) return false; o->hist_interval_min = static_cast<int>(i); return true; }
    if (name == "--prefill") { if (!ParseInt(v, 0, 175, &i)) return false; o->prefill = static_cast<int>(i); return true; }
    if (name == "--radio-interval") {
        if (!ParseInt(v, 0, 128, &i) || !(i == 0 || i == 8 || i == 16 || i == 32 || i == 64 || i == 128)) return false;
        o->radio_interval_s = static_cast<int>(i);
        return true;
    }
    if (name == "--speed") return ParseDouble(v, 0.001, 1e6, &o->speed);
    if (name == "--pace") {
        if (std::strcmp(v, "real") == 0 || std::strcmp(v, "2400") == 0) { o->pace_real = true; return true; }
        if (std::strcmp(v, "none") == 0) { o->pace_real = false; return true; }
        return false;
    }
    if (name == "--wind-unit") return ParseWindUnit(v, &o->wind_unit);
    if (name == "--bad-echo") return ParseDouble(v, 0.0, 1.0, &o->bad_echo);
    if (name == "--drop") return ParseDouble(v, 0.0, 1.0, &o->drop);
    if (name == "--bad-checksum") return ParseDouble(v, 0.0, 1.0, &o->bad_checksum);
    if (name == "--silence") return ParseSilence(v, o);
    if (name == "--missing") return ParseSensors(v, &o->missing);
    if (name == "--overflow") return ParseSensors(v, &o->overflow);
    if (name == "--marker-prob") return ParseDouble(v, 0.0, 1.0, &o->marker_prob);
    if (name == "--vanish-every") return ParseDouble(v, 0.0, 1e6, &o->vanish_every_s);
    if (name == "--vanish-for") return ParseDouble(v, 0.1, 1e6, &o->vanish_for_s);
    return false;
}

}  // namespace

std::string SimUsage() {
    return "Usage: stationsim [options]\n"
           "Simulates the weather station console on a pseudo-terminal.\n\n"
           "  --link PATH            symbolic link to the line (default COM1 in the working folder)\n"
           "  --variant 1|2          console identification: 1 mask 7, 2 mask 8 (default 2)\n"
           "  --seed N               weather and fault pattern (default 1)\n"
           "  --start TIME           UTC start: seconds since 1970 or YYYY-MM-DDTHH:MM[:SS] (default now)\n"
           "  --tz-offset H|local    console clock = UTC + H hours (default: this machine's offset)\n"
           "  --hist-interval MIN    history interval in minutes, 1..4096 (default 15)\n"
           "  --prefill N            history data sets stored before the start, 0..175 (default 24)\n"
           "  --radio-interval S     reception interval 0 (none), 8, 16, 32, 64, 128 s (default 32)\n"
           "  --speed F              simulated seconds per real second (default 1)\n"
           "  --pace real|none       answer at 2400 baud or at once (default real)\n"
           "  --wind-unit U          console display unit: ms, knots, bft, kmh, mph (default ms)\n"
           "Faults:\n"
           "  --bad-echo P           probability of a wrong echo\n"
           "  --drop P               probability that a command goes unanswered\n"
           "  --bad-checksum P       probability of a wrong checksum after a read\n"
           "  --silence P,S          probability per command of S seconds of silence\n"
           "  --missing LIST         sensors stored as missing: itemp,otemp,ihum,ohum,wind,press,all\n"
           "  --overflow LIST        sensors stored as overflowing (same names)\n"
           "  --marker-prob P        per 10-s step, probability that the outdoor sensors are lost\n"
           "  --vanish-every S       pull the cable every S real seconds: the link and the line go\n"
           "                         away and come back under the same name (default 0: never)\n"
           "  --vanish-for S         how long the line stays away (default 10)\n"
           "  --help                 this text\n\n"
           "Signals: SIGUSR1 prints the console's state, SIGUSR2 its memory; SIGHUP pulls the\n"
           "cable, or plugs it back in when it is out; SIGINT/SIGTERM end it.\n";
}

int ParseSimOptions(int argc, char **argv, SimOptions *opts, std::string *link_path, std::string *error) {
    *opts = SimOptions{};
    *link_path = "COM1";
    for (int k = 1; k < argc; ++k) {
        std::string name = argv[k];
        if (name == "--help" || name == "-h") return 1;
        const char *value = nullptr;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = argv[k] + eq + 1;
            name = name.substr(0, eq);
        } else if (k + 1 < argc) {
            value = argv[++k];
        }
        if (!value) {
            *error = "option " + name + " needs a value";
            return -1;
        }
        if (!ApplyOption(name, value, opts, link_path)) {
            *error = "bad option or value: " + name + " " + value;
            return -1;
        }
    }
    return 0;
}
