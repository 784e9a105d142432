// The program as a child process in a data folder of its own, as a user runs it: its
// working directory holds Setup.cnf and the COMn link, its error output goes to a file
// there, and it runs on the offscreen platform with the clock read as UTC. Several can
// run at once, each in its own folder. Only children started here are ever signalled.
#pragma once
#include <string>
#include <sys/types.h>

struct ProgramProcess {
    pid_t pid = -1;
    std::string folder;
    std::string error_file;
    int status = 0;      // wait status once it has ended
    bool ended = false;
};

// The clearhorizon program beside the test programs.
std::string ClearHorizonPath();

// Writes folder/Setup.cnf: the defaults with the given history file and port.
bool WriteSetupFile(const std::string &folder, const std::string &history_path, int port);

// Starts the program with folder as its working directory, on the Qt platform named
// (xcb takes the display from DISPLAY). False when it cannot start.
bool StartProgram(const std::string &folder, ProgramProcess *p,
                  const char *platform = "offscreen");
// True while it runs; otherwise records how it ended.
bool ProgramRunning(ProgramProcess *p);
// Waits up to seconds for the end. True when it ended.
bool WaitForProgram(ProgramProcess *p, double seconds);
// SIGKILL and reaping.
void KillProgram(ProgramProcess *p);
// SIGTERM, then waits up to patience seconds; the time it took to end, or -1 when it did
// not end (it is then killed).
double QuitProgram(ProgramProcess *p, double patience);
// Exit code of a program that ended by itself, -100 - signal for one ended by a signal.
int ProgramExitCode(const ProgramProcess &p);
std::string ProgramErrorOutput(const ProgramProcess &p);

// Seconds on a monotonic clock.
double NowSeconds();
