#include "support/comm_sim_fixture.h"

#include <cstring>

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/tsq_records.h"

namespace {

std::vector<UIRecord> *collector = nullptr;
std::vector<double> *arrival_times = nullptr;

void CollectUIRecords(CmtTSQHandle queue, unsigned, int, void *) {
    UIRecord record;
    while (CmtReadTSQData(queue, &record, 1, 0, 0) == 1)
        if (collector != nullptr) {
            collector->push_back(record);
            arrival_times->push_back(Timer());
        }
}

}  // namespace

CommSimRun::CommSimRun(const SimOptions &options) {
    std::string error;
    const std::string link = folder_.file("COM" + std::to_string(kPort));
    sim_ = StartStationSim(options, link.c_str(), &error);
    if (sim_ == nullptr) throw std::runtime_error("simulator: " + error);
}

CommSimRun::~CommSimRun() {
    if (running_) StopThread();
    StopStationSim(sim_);
}

int CommSimRun::StartThread(const std::string &history_path) {
    memset(&setup, 0, sizeof setup);
    SetSetupToDefault(&setup);
    history_path_ = history_path.empty() ? folder_.file("history.dat") : history_path;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", history_path_.c_str());
    setup.com_port = kPort;
    collector = &records_;
    arrival_times = &arrivals_;
    SetUIQueueReader(CollectUIRecords);
    const int r = StateMaschineConstructor(kPort);
    running_ = r == 0;
    return r;
}

int CommSimRun::StopThread() {
    const int r = StateMaschineDestructor();
    ProcessSystemEvents();
    running_ = false;
    SetUIQueueReader(nullptr);
    collector = nullptr;
    arrival_times = nullptr;
    return r;
}

int CommSimRun::SendCommands(const std::vector<CommandRecord> &commands) {
    if (h_TSQ_to_CSM == 0 || commands.empty()) return -1;
    const int n = static_cast<int>(commands.size());
    return CmtWriteTSQData(h_TSQ_to_CSM, commands.data(), n, 100, nullptr) == n ? 0 : -1;
}

bool CommSimRun::WaitFor(const std::function<bool()> &pred, double seconds) {
    const double end = Timer() + seconds;
    const int policy = GetSleepPolicy();
    SetSleepPolicy(VAL_SLEEP_MORE);
    bool ok = pred();
    while (!ok && Timer() < end) {
        ProcessSystemEvents();
        ok = pred();
    }
    SetSleepPolicy(policy);
    return ok;
}

int CommSimRun::CountKind(int kind) const {
    int n = 0;
    for (const UIRecord &r : records_) n += r.kind == kind ? 1 : 0;
    return n;
}

int CommSimRun::FindKind(int kind, size_t from) const {
    for (size_t i = from; i < records_.size(); ++i)
        if (records_[i].kind == kind) return static_cast<int>(i);
    return -1;
}
