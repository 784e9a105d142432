// The simulator as a library: a console on its own thread behind a pseudo-terminal, for
// tests that run the program's serial code in-process, and for the stationsim program.
// Every accessor takes the simulator's lock, so tests may read its memory and what it
// meant while the line is busy.
#pragma once
#include <cstdint>
#include <string>

#include "sim/sim_console.h"
#include "sim/sim_options.h"

struct StationSim;

// What happened on the line since the start; faults are counted as they are injected.
struct SimCounters {
    uint64_t received;        // command bytes that reached the console
    uint64_t answered;        // commands answered
    uint64_t unanswered;      // bytes that were no command or came out of turn
    uint64_t radio_ignored;   // bytes that arrived during a reception window
    uint64_t radio_unsure;    // bytes read in a window that may have come before it
    // Bytes in a window before the radio countdown was first read, since the start or
    // the line's return: the program cannot know the windows then.
    uint64_t radio_unplanned;
    uint64_t silenced;        // bytes that arrived during a silent stretch
    uint64_t silences;        // silent stretches begun
    uint64_t dropped;         // commands dropped on purpose
    uint64_t bad_echoes;      // answers sent with a wrong first byte
    uint64_t bad_checksums;   // reads sent with a wrong checksum
    uint64_t writes;          // nibble writes and bit commands carried out
    uint64_t reply_bytes;     // bytes of the answers sent: echoes, data, checksums
    uint64_t history_reads;   // reads answered from the history ring
    uint64_t vanishes;        // times the line went away (pulled cable)
};

// Starts a console as opts describes; its line is linked at link_path (may be null).
// Returns null on failure, with the reason in error when given.
StationSim *StartStationSim(const SimOptions &opts, const char *link_path,
                            std::string *error = nullptr);
// Stops the thread, removes the link and frees everything; null is ignored.
void StopStationSim(StationSim *sim);

// The line's device; it changes when the line comes back after vanishing.
std::string StationSimDevice(StationSim *sim);
// Pulls the cable: the link is removed and the pseudo-terminal closed, so the program's
// port fails; the console runs on. StationSimReturn brings a new line back under the
// same link. Both take effect on the simulator's thread within a few milliseconds;
// each waits for that (at most 2 s) and returns whether the line is now as asked.
bool StationSimVanish(StationSim *sim);
bool StationSimReturn(StationSim *sim);
bool StationSimPresent(StationSim *sim);
// Moves the line's clock (and so simulated time, times the speed factor) on by
// seconds and runs the console up to the new time. With opts.manual_clock this is the
// only way time moves, which makes the weather, history and radio exactly repeatable.
void StationSimAdvance(StationSim *sim, double seconds);
// Stores a data set on demand: the console's clock runs on to the minute of its next
// store, at once (after_history_reads 0) or right after the console has answered that
// many more reads of its history ring, so that one lands in the middle of a download.
void StationSimStoreDataSet(StationSim *sim, int after_history_reads);
// Stores a data set (as above) right before the console takes the next write at
// `address`: a store that falls between the program's last look and its write.
void StationSimStoreBeforeWrite(StationSim *sim, uint16_t address);
// Leaves the next `count` command bytes unanswered, as bytes lost on the line would be.
void StationSimDropNext(StationSim *sim, int count);
uint8_t StationSimPeek(StationSim *sim, uint16_t address);
// Stores a nibble as if the program had written it over the line.
void StationSimPoke(StationSim *sim, uint16_t address, uint8_t nibble);
void StationSimGetState(StationSim *sim, SimState *out);
void StationSimGetCounters(StationSim *sim, SimCounters *out);
// Readable dump of what the console holds now, with a nibble dump when with_memory.
std::string StationSimDump(StationSim *sim, bool with_memory);

// Dumps of a console that the caller owns (used by the above and by tests).
std::string DumpSimState(const SimConsole *c);
std::string DumpSimMemory(const SimMemory *m);
