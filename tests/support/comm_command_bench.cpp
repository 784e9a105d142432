#include "support/comm_command_bench.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/comm/command_handling.h"
#include "station/comm/tsq_records.h"
#include "records/kor_data.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_readers.h"
#include "support/link_thread.h"

std::vector<int> CommandOutcome::Kinds() const {
    std::vector<int> kinds;
    for (const UIRecord &r : records)
        if (r.kind != 3) kinds.push_back(r.kind);
    return kinds;
}

CommandBench::CommandBench(SimOptions options) : options_(options) {
    options_.manual_clock = true;
    options_.pace_real = false;
    ResetLinkFlags();
    std::string error;
    const std::string link = folder_.file("COM" + std::to_string(kPort));
    sim_ = StartStationSim(options_, link.c_str(), &error);
    if (sim_ == nullptr) throw std::runtime_error("simulator: " + error);
    layout_ = GetSimLayout(options_.variant);
}

CommandBench::~CommandBench() {
    StopStationSim(sim_);
    ResetLinkFlags();
}

namespace {

// The console's clock as a second count read as UTC, as the program's clock step takes it.
double ConsoleClock(StationSim *sim) {
    SimState s;
    StationSimGetState(sim, &s);
    return std::floor(s.now) + s.tz_offset_s;
}

double ProgramConsoleTime() {
    return static_cast<double>(time(nullptr)) - std::trunc(static_cast<double>(CommRecord()->clock_offset));
}

}  // namespace

int CommandBench::Run(const std::function<void()> &body) {
    int identified = -1;
    const int opened = RunWithStationLink(kPort, [&] {
        uint8_t id = 0;
        for (int attempt = 0; attempt < 5 && identified != 0; ++attempt) identified = KOR_ReadID(&id);
        if (identified != 0) return;
        identification_ = id;
        SetStationID(id);
        SelectKORMemoryMap(id);
        CmtTSQHandle to_ui = 0;
        if (CmtNewTSQ(TSQ_CAPACITY, sizeof(UIRecord), OPT_TSQ_AUTO_FLUSH_EXACT, &to_ui) < 0) {
            identified = -2;
            return;
        }
        h_TSQ_to_UI = to_ui;
        SetKORDataToDefault(CommRecord());
        CommRecord()->clock_offset =
            static_cast<float>(static_cast<double>(time(nullptr)) - ConsoleClock(sim_));
        body();
        CmtDiscardTSQ(h_TSQ_to_UI);
        h_TSQ_to_UI = 0;
    });
    return opened != 0 ? opened : identified;
}

CommandOutcome CommandBench::Handle(const CommandRecord &cmd) {
    CommandOutcome out;
    flag_set_eeprom_trigger_request = 0;
    StationSimGetCounters(sim_, &out.before);
    out.console_before = ProgramConsoleTime();
    out.result = TSQ_to_CSM_Handler(&cmd);
    out.console_after = ProgramConsoleTime();
    StationSimGetCounters(sim_, &out.after);
    out.eeprom_request = flag_set_eeprom_trigger_request;
    UIRecord r;
    while (CmtReadTSQData(h_TSQ_to_UI, &r, 1, 0, 0) == 1) out.records.push_back(r);
    return out;
}

SimMemory CommandBench::Snapshot() {
    SimMemory m;
    InitSimMemory(&m, layout_->size);
    for (uint32_t a = 0; a < layout_->size; ++a) m.nibble[a] = StationSimPeek(sim_, static_cast<uint16_t>(a));
    return m;
}

uint8_t CommandBench::Peek(uint32_t address) { return StationSimPeek(sim_, static_cast<uint16_t>(address)); }

void CommandBench::Poke(uint32_t address, uint8_t nibble) {
    StationSimPoke(sim_, static_cast<uint16_t>(address), nibble);
}

bool CommandBench::Bit(uint32_t address, int bit) { return ((Peek(address) >> bit) & 1) != 0; }

void CommandBench::SetBit(uint32_t address, int bit, bool on) {
    const uint8_t v = Peek(address);
    Poke(address, static_cast<uint8_t>(on ? (v | (1 << bit)) : (v & ~(1 << bit))));
}

std::vector<uint8_t> CommandBench::Nibbles(uint32_t address, int count) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) out.push_back(Peek(address + static_cast<uint32_t>(i)));
    return out;
}

void CommandBench::PokeNibbles(uint32_t address, const std::vector<uint8_t> &nibbles) {
    for (size_t i = 0; i < nibbles.size(); ++i) Poke(address + static_cast<uint32_t>(i), nibbles[i]);
}

CommandRecord MakeCommand(int code) {
    CommandRecord c;
    memset(&c, 0, sizeof c);
    c.code = code;
    return c;
}

std::vector<uint32_t> ChangedNibbles(const SimMemory &before, const SimMemory &after) {
    std::vector<uint32_t> out;
    const size_t n = std::min(before.nibble.size(), after.nibble.size());
    for (size_t a = 0; a < n; ++a)
        if (before.nibble[a] != after.nibble[a]) out.push_back(static_cast<uint32_t>(a));
    return out;
}

int64_t StampSeconds(const SimStamp &stamp) {
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_min = stamp.minute;
    t.tm_hour = stamp.hour;
    t.tm_mday = stamp.day;
    t.tm_mon = stamp.month - 1;
    t.tm_year = stamp.year - 1900;
    return static_cast<int64_t>(timegm(&t));
}
