// The program's few options. The settings stay in "Setup.cnf"; the options only say where
// the data folder is and whether there is a screen, which the settings cannot tell.
#pragma once

struct CommandLine {
    int headless;          // --headless: no windows, messages to stderr
    const char *data_dir;  // --data-dir DIR: working folder, nullptr to keep the current one
    int exit_now;          // 1: print done (help, version, error), end with exit_code
    int exit_code;         // 0 after --help/--version, 2 after an unknown option
};

// Reads argv (nullptr-ended, argv[0] the program). Options Qt itself understands
// (-platform NAME, -display NAME, -style NAME, ...) are left for Qt. Prints the help,
// the version or what is wrong (to stdout resp. stderr) and sets exit_now for those.
// Returns 0 when start-up may go on, 1 when the program should end with exit_code.
int ParseCommandLine(int argc, char *argv[], CommandLine *out);

// Makes dir (and its parents) when missing and changes into it. 0 on success, -1 with a
// message on stderr.
int EnterDataDir(const char *dir);
