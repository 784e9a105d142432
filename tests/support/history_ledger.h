// What the console stored, against what the program's history file holds. The ledger
// keeps every data set the simulator ever stored (gathered from snapshots of its ring,
// which must come more often than the ring turns over), so that a long run can be judged
// data set by data set: present exactly once, in order, with the console's time and
// values, and missing only where the console's ring had lost the set before the program
// could have fetched it.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "records/history_records.h"
#include "sim/stationsim.h"

struct HistoryLedger {
    std::map<int64_t, SimHistorySet> sets;  // by UTC time of storing
    int64_t ring_oldest = 0;                // oldest set the ring holds at the last look
    int64_t ring_newest = 0;
    int ring_index = 0;                     // the console's ring index at the last look
    uint64_t index_wraps = 0;               // times the ring index went past its end
    uint64_t conflicts = 0;                 // a time seen twice with different values
    bool seen = false;
};

// Takes in the console's ring as it stands now.
void UpdateLedger(StationSim *sim, HistoryLedger *ledger);

// The data set as the program must store it: measurements decoded from what the console
// encoded, the console's time (UTC, the program running with TZ=UTC against a console on
// UTC), and rain as the raw counter in mm plus rain_offset.
HistoryRecord ExpectedHistoryRecord(const SimHistorySet &set, float rain_offset);
float RawRainOf(const SimHistorySet &set);

struct HistoryFileImage {
    bool readable = false;
    bool valid = false;        // size 36 * count + 28 with the magic at the header
    int64_t size = 0;
    HistoryFileHeader header{};
    std::vector<HistoryRecord> records;  // every whole record before the header
};
HistoryFileImage ReadHistoryImage(const std::string &path);

// A history file holding these data sets (oldest first) with the given rain offset, as
// the program would have written it. False when it cannot be written.
bool WriteHistoryFileOf(const std::string &path, const std::vector<SimHistorySet> &sets,
                        float rain_offset);

struct HistoryVerdict {
    int checked = 0;            // records compared with the console's data sets
    int allowed_gaps = 0;       // data sets the console had lost before they could be fetched
    std::vector<std::string> faults;  // empty when the file is right
};

// Judges records (oldest first) against the ledger. ring_oldest_seen[i], when given,
// is the oldest time the console's ring held when record i was first seen in the file: a
// data set missing before record i is forgiven only when it was older than that (the
// console had overwritten it). interval_s is the console's history interval.
HistoryVerdict JudgeHistory(const std::vector<HistoryRecord> &records,
                            const HistoryLedger &ledger,
                            const std::vector<int64_t> &ring_oldest_seen, int64_t interval_s);

// The first lines of a sanitizer report in a program's error output, "" when none.
std::string SanitizerReportIn(const std::string &error_output);
