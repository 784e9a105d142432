// The whole program as a user runs it, against the simulator program on a pseudo-terminal
// at 2400 baud with radio windows: the time from starting it to the end of its start-up
// (the main window is shown, the communication thread started, "currdat.lst" written),
// the time an orderly quit takes, the CPU it uses over a minute of steady polling (after
// its first download has been stored and it has settled, no user) on the offscreen
// platform and on an X server (Xvfb), and its peak memory. The goal for the CPU share is
// below 0.005 of one core on both.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "support/program_process.h"
#include "support/temp_folder.h"

extern char **environ;

namespace {

constexpr int kStarts = 5;
constexpr double kSettle = 30.0;   // s of steady polling before the minute is measured
constexpr double kIdle = 60.0;     // s measured
constexpr double kPatience = 60.0;

std::string Beside(const char *name) {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/" + name;
}

pid_t StartSimulator(const std::string &folder) {
    const std::string path = Beside("stationsim");
    std::vector<std::string> args = {path, "--link", "COM1", "--pace", "real",
                                     "--radio-interval", "32", "--prefill", "24"};
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    for (int i = 0; i < 500 && !std::filesystem::exists(folder + "/COM1"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

// CPU seconds (user + system) of a process so far.
double CpuSeconds(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    const std::string text = ReadWholeFile(path);
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    // Fields after the command name: state is field 3; utime and stime are 14 and 15.
    unsigned long utime = 0, stime = 0;
    if (sscanf(text.c_str() + close + 2,
               "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU seconds of a process so far as the scheduler counts them, to the nanosecond. The
// figures of /proc/<pid>/stat are sampled at the clock tick instead: a process that runs
// for a few microseconds at a time, as this one does when it is idle, is charged a whole
// tick whenever the tick meets it, and on a quiet machine it meets it often.
double ClockSeconds(clockid_t clock) {
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0) return -1;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double RunSeconds(pid_t pid) {
    clockid_t clock{};
    if (clock_getcpuclockid(pid, &clock) != 0) return -1;
    return ClockSeconds(clock);
}

// A field of a /proc status text ("Name:   value"), -1 when there is none. Matched at
// the start of a line: "voluntary_ctxt_switches" also ends "nonvoluntary_ctxt_switches".
long StatusValue(const std::string &text, const char *name) {
    const std::string key = std::string(name) + ":";
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
        if (at == 0 || text[at - 1] == '\n') return atol(text.c_str() + at + key.size());
    return -1;
}

// Times the process's threads have gone to sleep so far: the wake-ups its idle costs
// are made of. Unlike the CPU time this count does not depend on the machine's speed.
long WakeUps(pid_t pid) {
    char dir[64];
    snprintf(dir, sizeof dir, "/proc/%d/task", static_cast<int>(pid));
    std::error_code e;
    long total = 0;
    for (const auto &task : std::filesystem::directory_iterator(dir, e)) {
        const long n = StatusValue(ReadWholeFile(task.path().string() + "/status"),
                                   "voluntary_ctxt_switches");
        if (n > 0) total += n;
    }
    return e ? -1 : total;
}

// A yardstick run beside the program over the same minute: every 50 ms a timer wake-up,
// then one byte out over a pseudo-terminal and its echo back, the kind of wake-ups the
// program's idle is made of. What one costs varies with the machine and with what its
// host runs meanwhile (a virtual machine's host is not seen as load in it); the
// program's minute counted in yardstick cycles does not.
class Yardstick {
public:
    Yardstick() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (slave_ < 0) return;
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        echo_ = std::thread([this] { Echo(); });
        probe_ = std::thread([this] { Probe(); });
    }
    ~Yardstick() {
        Stop();
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }
    void Stop() {
        stop_ = true;
        if (probe_.joinable()) probe_.join();
        if (echo_.joinable()) echo_.join();
    }
    // CPU seconds of one cycle, as the probing thread was charged for them; after Stop.
    double CycleSeconds() const { return cycles_ > 0 ? cpu_ / static_cast<double>(cycles_) : -1; }

private:
    void Echo() {
        char c = 0;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) continue;
            if (read(master_, &c, 1) != 1 || write(master_, &c, 1) != 1) return;
        }
    }
    void Probe() {
        clockid_t clock{};
        pthread_getcpuclockid(pthread_self(), &clock);
        const double start = ClockSeconds(clock);
        long cycles = 0;
        char c = 'y';
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (write(slave_, &c, 1) != 1) break;
            pollfd p{slave_, POLLIN, 0};
            if (poll(&p, 1, 1000) != 1 || read(slave_, &c, 1) != 1) break;
            ++cycles;
        }
        cpu_ = ClockSeconds(clock) - start;
        cycles_ = cycles;
    }
    int master_ = -1, slave_ = -1;
    std::atomic<bool> stop_{false};
    std::thread echo_, probe_;
    double cpu_ = 0;
    long cycles_ = 0;
};

long PeakMemoryKiB(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    return StatusValue(ReadWholeFile(path), "VmHWM");
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Starts an X server on display :n for the program; -1 when there is none.
pid_t StartXvfb(int n) {
    char display[16];
    snprintf(display, sizeof display, ":%d", n);
    char socket[64];
    snprintf(socket, sizeof socket, "/tmp/.X11-unix/X%d", n);
    std::vector<std::string> args = {"Xvfb", display, "-nolisten", "tcp", "-screen", "0",
                                     "1280x1024x24"};
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    for (int i = 0; i < 500 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!std::filesystem::exists(socket)) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    setenv("DISPLAY", display, 1);
    return pid;
}

struct SteadyRun {
    double cpu = -1;   // s of CPU over the measured stretch, as the scheduler counts it
    double ticks = -1; // the same, sampled at the clock tick
    double wall = 0;   // s measured
    long wake_ups = -1;
    double yardstick = -1;  // s of CPU of one yardstick cycle over the same stretch
    long peak_kib = -1;
    double quit = -1;
};

// The program on a new history file until its first download is stored, then kSettle
// seconds of polling, then kIdle seconds measured.
SteadyRun MeasureSteadyPolling(const TempFolder &folder, const char *platform) {
    SteadyRun run;
    const std::string history = folder.file("history.dat");
    std::filesystem::remove(history);
    ProgramProcess p;
    if (!StartProgram(folder.path(), &p, platform)) return run;
    const double t0 = NowSeconds();
    const auto downloaded = [&] {
        std::error_code e;
        return std::filesystem::file_size(history, e) >= 36 + 28 && !e;
    };
    while (!downloaded() && ProgramRunning(&p) && NowSeconds() - t0 < 3 * kPatience)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (!downloaded()) {
        QuitProgram(&p, kPatience);
        return run;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(kSettle));
    const double cpu0 = RunSeconds(p.pid);
    const double ticks0 = CpuSeconds(p.pid);
    const long wake_ups0 = WakeUps(p.pid);
    const double w0 = NowSeconds();
    Yardstick beside;
    std::this_thread::sleep_for(std::chrono::duration<double>(kIdle));
    run.cpu = RunSeconds(p.pid) - cpu0;
    run.ticks = CpuSeconds(p.pid) - ticks0;
    run.wake_ups = WakeUps(p.pid) - wake_ups0;
    run.wall = NowSeconds() - w0;
    beside.Stop();
    run.yardstick = beside.CycleSeconds();
    run.peak_kib = PeakMemoryKiB(p.pid);
    run.quit = QuitProgram(&p, kPatience);
    return run;
}

void PrintSteady(const char *platform, const SteadyRun &r) {
    if (r.cpu < 0) {
        printf("program: %s: no steady polling to measure (no first download)\n", platform);
        return;
    }
    printf("program: %s: CPU over %.0f s of steady polling after the first download: %.3f s "
           "= %.4f of one core (goal < 0.005); sampled at the tick %.3f s = %.4f\n", platform,
           r.wall, r.cpu, r.cpu / r.wall, r.ticks, r.ticks / r.wall);
    printf("program: %s: wake-ups of its threads over that stretch: %.0f a minute\n", platform,
           static_cast<double>(r.wake_ups) * 60.0 / r.wall);
    if (r.yardstick > 0)
        printf("program: %s: a yardstick cycle beside it (timer wake-up, pty byte and echo) "
               "cost %.1f us; the program's minute is %.0f such cycles\n", platform,
               r.yardstick * 1e6, r.cpu / r.wall * 60.0 / r.yardstick);
    printf("program: %s: peak memory (VmHWM) %.1f MB; quit after the minute %.3f s\n", platform,
           r.peak_kib / 1024.0, r.quit);
}

}  // namespace

int main() {
    if (access(ClearHorizonPath().c_str(), X_OK) != 0 || access(Beside("stationsim").c_str(), X_OK) != 0) {
        fprintf(stderr, "program: clearhorizon or stationsim not built\n");
        return 1;
    }
    TempFolder folder;
    const pid_t sim = StartSimulator(folder.path());
    if (sim <= 0 || !WriteSetupFile(folder.path(), folder.file("history.dat"), 1)) {
        fprintf(stderr, "program: no simulator or settings\n");
        return 1;
    }
    std::vector<double> starts, quits;
    for (int i = 0; i < kStarts; ++i) {
        std::filesystem::remove(folder.file("currdat.lst"));
        ProgramProcess p;
        const double t0 = NowSeconds();
        if (!StartProgram(folder.path(), &p)) break;
        while (!std::filesystem::exists(folder.file("currdat.lst")) && ProgramRunning(&p) &&
               NowSeconds() - t0 < kPatience)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        starts.push_back(NowSeconds() - t0);
        std::this_thread::sleep_for(std::chrono::seconds(2));  // the thread is talking now
        quits.push_back(QuitProgram(&p, kPatience));
    }
    printf("program: start-up to the end of start-up (main window shown): median %.3f s over "
           "%zu starts\n", Median(starts), starts.size());
    printf("program: orderly quit (SIGTERM to exit): median %.3f s, slowest %.3f s\n",
           Median(quits), quits.empty() ? -1.0 : *std::max_element(quits.begin(), quits.end()));

    PrintSteady("offscreen", MeasureSteadyPolling(folder, "offscreen"));
    const pid_t x = StartXvfb(97);
    if (x > 0) {
        PrintSteady("Xvfb", MeasureSteadyPolling(folder, "xcb"));
        kill(x, SIGTERM);
        waitpid(x, nullptr, 0);
    } else {
        printf("program: Xvfb: not available, not measured\n");
    }
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    return 0;
}
