#include "support/program_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "records/setup_record.h"
#include "platform/files.h"
#include "support/temp_folder.h"

extern char **environ;

namespace {

// The child's environment: this one, with the clock read as UTC (the console under test
// runs on UTC), the given Qt platform and a smaller sanitizer quarantine so that many
// copies fit in memory.
std::vector<std::string> ChildEnvironment(const char *platform) {
    std::vector<std::string> env;
    std::string asan = "ASAN_OPTIONS=";
    for (char **e = environ; *e != nullptr; ++e) {
        if (strncmp(*e, "TZ=", 3) == 0 || strncmp(*e, "QT_QPA_PLATFORM=", 16) == 0) continue;
        if (strncmp(*e, "ASAN_OPTIONS=", 13) == 0) {
            asan = *e;
            continue;
        }
        env.emplace_back(*e);
    }
    if (asan.size() > strlen("ASAN_OPTIONS=")) asan += ":";
    asan += "quarantine_size_mb=16:detect_leaks=0";
    env.push_back(asan);
    env.emplace_back("TZ=UTC");
    env.emplace_back(std::string("QT_QPA_PLATFORM=") + platform);
    return env;
}

}  // namespace

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ClearHorizonPath() {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/clearhorizon";
}

bool WriteSetupFile(const std::string &folder, const std::string &history_path, int port) {
    SetupRecord r;
    memset(&r, 0, sizeof r);
    SetSetupToDefault(&r);
    snprintf(r.history_file, sizeof r.history_file, "%s", history_path.c_str());
    r.com_port = port;
    const std::string bytes(reinterpret_cast<const char *>(&r), sizeof r);
    WriteWholeFile(folder + "/Setup.cnf", bytes);
    return ReadWholeFile(folder + "/Setup.cnf") == bytes;
}

bool StartProgram(const std::string &folder, ProgramProcess *p, const char *platform) {
    const std::string path = ClearHorizonPath();
    p->folder = folder;
    p->error_file = folder + "/stderr.txt";
    p->ended = false;
    p->status = 0;
    std::vector<std::string> env = ChildEnvironment(platform);
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char *> argv = {const_cast<char *>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, p->error_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int error = posix_spawn(&p->pid, path.c_str(), &actions, nullptr, argv.data(),
                                  envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        p->pid = -1;
        return false;
    }
    return true;
}

bool ProgramRunning(ProgramProcess *p) {
    if (p->pid <= 0 || p->ended) return false;
    int status = 0;
    const pid_t r = waitpid(p->pid, &status, WNOHANG);
    if (r == 0) return true;
    p->ended = true;
    p->status = status;
    return false;
}

bool WaitForProgram(ProgramProcess *p, double seconds) {
    const double until = NowSeconds() + seconds;
    while (ProgramRunning(p)) {
        if (NowSeconds() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void KillProgram(ProgramProcess *p) {
    if (!ProgramRunning(p)) return;
    kill(p->pid, SIGKILL);
    int status = 0;
    while (waitpid(p->pid, &status, 0) < 0 && errno == EINTR) {}
    p->ended = true;
    p->status = status;
}

double QuitProgram(ProgramProcess *p, double patience) {
    if (!ProgramRunning(p)) return 0.0;
    const double start = NowSeconds();
    kill(p->pid, SIGTERM);
    if (WaitForProgram(p, patience)) return NowSeconds() - start;
    KillProgram(p);
    return -1.0;
}

int ProgramExitCode(const ProgramProcess &p) {
    if (WIFEXITED(p.status)) return WEXITSTATUS(p.status);
    if (WIFSIGNALED(p.status)) return -100 - WTERMSIG(p.status);
    return -1;
}

std::string ProgramErrorOutput(const ProgramProcess &p) { return ReadWholeFile(p.error_file); }
