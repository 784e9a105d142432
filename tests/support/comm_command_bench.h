// The command handler against the Station simulator without the rest of the
// communication thread: the link runs on a thread of its own as in the program, and
// each command record goes straight to TSQ_to_CSM_Handler there. No polling cycle runs
// beside it, so every byte on the line and every change in the console's memory is the
// command's own, and the console (manual clock) changes nothing by itself.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/sim_layout.h"
#include "sim/sim_memory.h"
#include "sim/stationsim.h"
#include "records/queue_records.h"
#include "support/temp_folder.h"

// What one command did.
struct CommandOutcome {
    int result = 0;                  // TSQ_to_CSM_Handler's result
    std::vector<UIRecord> records;   // every UI record it sent, in order
    int32_t eeprom_request = 0;      // flag_set_eeprom_trigger_request afterwards (0 before)
    SimCounters before{}, after{};   // the line's counters around the command
    double console_before = 0, console_after = 0;  // console time around it (s, as UTC)

    uint64_t Received() const { return after.received - before.received; }
    uint64_t Writes() const { return after.writes - before.writes; }
    // The records without the identification reports of retries (kind 3).
    std::vector<int> Kinds() const;
};

class CommandBench {
public:
    static constexpr int kPort = 3;

    // Starts the simulator in a fresh working folder. The console's clock stands still
    // (manual clock) and answers at once; options may add faults.
    explicit CommandBench(SimOptions options);
    ~CommandBench();
    CommandBench(const CommandBench &) = delete;
    CommandBench &operator=(const CommandBench &) = delete;

    // Runs body on the link thread after identifying the console, choosing its memory
    // map, creating the UI queue and setting the communication record to its defaults
    // with the clock offset of a console whose clock the program has read. Returns 0 when
    // the link opened and the console identified itself.
    int Run(const std::function<void()> &body);
    // Link thread only: one command record through the handler.
    CommandOutcome Handle(const CommandRecord &cmd);

    // The console's whole memory now, for the simulator's own decoders.
    SimMemory Snapshot();
    uint8_t Peek(uint32_t address);
    void Poke(uint32_t address, uint8_t nibble);
    bool Bit(uint32_t address, int bit);
    void SetBit(uint32_t address, int bit, bool on);
    std::vector<uint8_t> Nibbles(uint32_t address, int count);
    void PokeNibbles(uint32_t address, const std::vector<uint8_t> &nibbles);

    StationSim *sim() { return sim_; }
    const SimLayout *layout() const { return layout_; }
    int identification() const { return identification_; }
    const TempFolder &folder() const { return folder_; }

private:
    TempFolder folder_;
    SimOptions options_;
    StationSim *sim_ = nullptr;
    const SimLayout *layout_ = nullptr;
    int identification_ = -1;
};

// Fresh command record (all fields 0) with the code.
CommandRecord MakeCommand(int code);
// Addresses whose nibbles differ between two snapshots.
std::vector<uint32_t> ChangedNibbles(const SimMemory &before, const SimMemory &after);
// Seconds (as UTC) of a console stamp.
int64_t StampSeconds(const SimStamp &stamp);
