// The program's few options. The settings stay in "Setup.cnf"; the options only say where
// the data folder is and whether there is a screen, which the settings cannot tell.
#pragma once

#include <cstddef>

struct CommandLine {
    int headless;          // --headless: no windows, messages to stderr
    const char *data_dir;  // --data-dir DIR: working folder, nullptr for the default one
    int exit_now;          // 1: print done (help, version, error), end with exit_code
    int exit_code;         // 0 after --help/--version, 2 after an unknown option
    int list_ports;        // --list-ports: print the serial devices and links, then end
    const char *port;      // --port DEVICE: link COMn to it, nullptr when not asked
    int port_number;       // --port-number n, 0 for the number Setup.cnf holds
    int qt_options;        // 1 when an option for Qt's windows was given
};

// Exit statuses besides 0, 1 (the data folder cannot be used) and 2 (wrong options or
// an unknown device).
constexpr int kExitFolderInUse = 3;  // another copy works in the data folder

// Reads argv (nullptr-ended, argv[0] the program). Options Qt itself understands
// (-platform NAME, -display NAME, -style NAME, ...) are left for Qt. Prints the help,
// the version or what is wrong (to stdout resp. stderr) and sets exit_now for those.
// Returns 0 when start-up may go on, 1 when the program should end with exit_code.
int ParseCommandLine(int argc, char *argv[], CommandLine *out);

// The data folder an installed program works in when --data-dir names none:
// $XDG_DATA_HOME/clearhorizon, else ~/.local/share/clearhorizon. 0, or -1 when neither
// variable gives an absolute folder.
int DefaultDataDir(char *out, size_t size);

// Makes dir (and its parents) when missing and changes into it. 0 on success, -1 with a
// message on stderr.
int EnterDataDir(const char *dir);
