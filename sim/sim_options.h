// Everything that can be chosen about one simulated console, and the command line that
// chooses it. The library takes the same record, so a test sets exactly what a user
// would type.
#pragma once
#include <cstdint>
#include <string>

// Sensors that can be made to report markers (bit masks for SimOptions).
enum SimSensorBit {
    SIM_SENSOR_ITEMP = 1 << 0,
    SIM_SENSOR_OTEMP = 1 << 1,
    SIM_SENSOR_IHUM = 1 << 2,
    SIM_SENSOR_OHUM = 1 << 3,
    SIM_SENSOR_WIND = 1 << 4,
    SIM_SENSOR_PRESS = 1 << 5,
};

struct SimOptions {
    int variant = 2;                 // identification: 1 mask 7, 2 mask 8
    uint64_t seed = 1;
    int64_t start_time = 0;          // UTC seconds; 0: the present time
    int tz_offset_s = 0;             // console clock = UTC + this
    bool tz_given = false;           // false: the host's present local offset
    int hist_interval_min = 15;      // 1..4096
    int prefill = 24;                // data sets already in the ring at the start (0..175)
    int radio_interval_s = 32;       // 0 (no radio), 8, 16, 32, 64 or 128
    double speed = 1.0;              // simulated seconds per real second
    bool pace_real = true;           // replies at 2400 baud (4.17 ms per byte) or at once
    bool manual_clock = false;       // time moves only through StationSimAdvance
    int wind_unit = 0;               // console display unit nibble: 0 m/s, 1 knots,
                                     // 2 Beaufort, 3 km/h, 4 mph
    // Faults.
    double bad_echo = 0.0;           // probability that an answer's first byte is wrong
    double drop = 0.0;               // probability that a command byte goes unanswered
    double bad_checksum = 0.0;       // probability that a read's checksum is wrong
    double silence_prob = 0.0;       // probability per command of a silent stretch
    double silence_s = 0.0;          // its length in real seconds
    uint32_t missing = 0;            // SimSensorBit: sensors stored as missing
    uint32_t overflow = 0;           // SimSensorBit: sensors stored as overflowing
    double marker_prob = 0.0;        // per weather step: outdoor sensors lost for that step
    // Pulled cables: every vanish_every_s real seconds the line goes away (link removed,
    // pseudo-terminal closed) for vanish_for_s, then comes back under the same link name.
    // The console itself runs on meanwhile. 0: never.
    double vanish_every_s = 0.0;
    double vanish_for_s = 10.0;
    // Names on stderr the first bytes the program sent into a window after it had read
    // the radio countdown, for a run that has one program on the line from start to end.
    bool report_window_bytes = false;
};

// Parses argv into opts (defaults first) and the link path. Returns 0 to run, 1 when
// --help was given (usage printed to out), -1 on a bad option (message in error).
int ParseSimOptions(int argc, char **argv, SimOptions *opts, std::string *link_path,
                    std::string *error);
std::string SimUsage();
