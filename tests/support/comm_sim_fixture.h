// The communication thread against the Station simulator, as the program runs it: the
// simulator behind a pty linked as COMn in a temporary working folder, the thread
// started by its constructor, and every UI record it sends collected on the main thread.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "sim/stationsim.h"
#include "records/queue_records.h"
#include "support/temp_folder.h"

class CommSimRun {
public:
    static constexpr int kPort = 7;

    explicit CommSimRun(const SimOptions &options);
    ~CommSimRun();
    CommSimRun(const CommSimRun &) = delete;
    CommSimRun &operator=(const CommSimRun &) = delete;

    // Starts the communication thread with setup.history_file = history_path (default: a
    // file in the temporary folder). 0 on success.
    int StartThread(const std::string &history_path = "");
    // Stops it; returns the destructor's result.
    int StopThread();

    // Writes the records to the command queue in one write, as the user interface does
    // (main thread; only after the thread has reported something, so the queue exists).
    // 0 when all were written.
    int SendCommands(const std::vector<CommandRecord> &commands);

    // Processes the main thread's events until pred() holds or seconds pass.
    bool WaitFor(const std::function<bool()> &pred, double seconds);
    // Records received so far, in order.
    const std::vector<UIRecord> &Records() const { return records_; }
    // Arrival time of each record on the main thread (Timer() seconds).
    const std::vector<double> &Arrivals() const { return arrivals_; }
    int CountKind(int kind) const;
    // Index of the first record of kind from position `from` on, -1 when none.
    int FindKind(int kind, size_t from = 0) const;

    StationSim *sim() { return sim_; }
    const std::string &history_path() const { return history_path_; }
    const TempFolder &folder() const { return folder_; }

private:
    TempFolder folder_;
    StationSim *sim_ = nullptr;
    std::string history_path_;
    std::vector<UIRecord> records_;
    std::vector<double> arrivals_;
    bool running_ = false;
};
