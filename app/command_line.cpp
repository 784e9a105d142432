// Options are read before anything else, so that "Setup.cnf", "currdat.lst", the COMn
// links and the single-instance lock all land in the data folder they name.
#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifndef CH_VERSION
#define CH_VERSION "0"
#endif

namespace {

struct QtOption {
    const char *name;
    int takes_value;
};
// Qt's own options that a desktop may pass; Qt reads them from the same argv.
const QtOption kQtOptions[] = {
    {"-platform", 1}, {"-platformtheme", 1}, {"-display", 1}, {"-style", 1},
    {"-stylesheet", 1}, {"-geometry", 1}, {"-qwindowgeometry", 1}, {"-qwindowtitle", 1},
    {"-qwindowicon", 1}, {"-session", 1}, {"-reverse", 0},
};

void PrintHelp(const char *program) {
    printf("Usage: %s [--data-dir DIR] [--headless] [--port DEVICE [--port-number N]]\n"
           "       %s [--data-dir DIR] --list-ports\n"
           "Shows and records the readings of a weather station console on a serial port.\n"
           "\n"
           "  --data-dir DIR   work in DIR (made when missing): Setup.cnf, currdat.lst,\n"
           "                   language files and the COMn port links live there; installed,\n"
           "                   the default is $XDG_DATA_HOME/clearhorizon\n"
           "                   (~/.local/share/clearhorizon)\n"
           "  --headless       no windows: poll the console, download the history and keep\n"
           "                   currdat.lst; messages go to stderr (automatic without a display)\n"
           "  --list-ports     list the serial devices and the COMn links, then end\n"
           "  --port DEVICE    link COMn in the data folder to DEVICE (a path or a\n"
           "                   /dev/serial/by-id name); ends afterwards unless --headless\n"
           "                   or a Qt option asks for a run\n"
           "  --port-number N  the n of COMn for --port (default: the port in Setup.cnf)\n"
           "  --help           show this text and end\n"
           "  --version        show the version and end\n"
           "Qt's own options (-platform NAME, -display NAME, -style NAME) are passed on.\n"
           "\n"
           "Exit status: 0 done, 1 the data folder cannot be used, 2 wrong options or no such\n"
           "device, 3 another copy works in the data folder, 255 start-up failed.\n",
           program, program);
}

const QtOption *QtOptionNamed(const char *arg) {
    for (const QtOption &o : kQtOptions)
        if (strcmp(arg, o.name) == 0) return &o;
    return nullptr;
}

int Stop(CommandLine *out, int code) {
    out->exit_now = 1;
    out->exit_code = code;
    return 1;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; nullptr when arg is
// another option. *i moves past a separate value. *missing is set when none follows.
const char *OptionValue(const char *name, int argc, char *argv[], int *i, int *missing) {
    const char *arg = argv[*i];
    const size_t n = strlen(name);
    if (strncmp(arg, name, n) != 0) return nullptr;
    if (arg[n] == '=' && arg[n + 1] != '\0') return arg + n + 1;
    if (arg[n] != '\0') return nullptr;
    if (*i + 1 >= argc || argv[*i + 1] == nullptr || argv[*i + 1][0] == '\0') {
        *missing = 1;
        return nullptr;
    }
    return argv[++*i];
}

}  // namespace

int ParseCommandLine(int argc, char *argv[], CommandLine *out) {
    *out = CommandLine{0, nullptr, 0, 0, 0, nullptr, 0, 0};
    const char *program = argc > 0 && argv[0] != nullptr ? argv[0] : "clearhorizon";
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            PrintHelp(program);
            return Stop(out, 0);
        }
        if (strcmp(arg, "--version") == 0) {
            printf("clearhorizon %s\n", CH_VERSION);
            return Stop(out, 0);
        }
        if (strcmp(arg, "--headless") == 0) {
            out->headless = 1;
            continue;
        }
        if (strcmp(arg, "--list-ports") == 0) {
            out->list_ports = 1;
            continue;
        }
        int missing = 0;
        if (const char *dir = OptionValue("--data-dir", argc, argv, &i, &missing)) {
            out->data_dir = dir;
            continue;
        }
        if (const char *device = OptionValue("--port", argc, argv, &i, &missing)) {
            out->port = device;
            continue;
        }
        if (const char *number = OptionValue("--port-number", argc, argv, &i, &missing)) {
            char *end = nullptr;
            const long n = strtol(number, &end, 10);
            if (*end != '\0' || n < 1 || n > 255) {
                fprintf(stderr, "%s: --port-number takes 1 to 255, not '%s'\n", program, number);
                return Stop(out, 2);
            }
            out->port_number = static_cast<int>(n);
            continue;
        }
        if (missing) {
            fprintf(stderr, "%s: %s needs a %s (see --help)\n", program, arg,
                    strcmp(arg, "--data-dir") == 0 ? "folder" : "value");
            return Stop(out, 2);
        }
        if (const QtOption *qt = QtOptionNamed(arg)) {
            i += qt->takes_value;
            out->qt_options = 1;
            continue;
        }
        fprintf(stderr, "%s: unknown option '%s' (see --help)\n", program, arg);
        return Stop(out, 2);
    }
    if (out->port_number != 0 && out->port == nullptr) {
        fprintf(stderr, "%s: --port-number goes with --port DEVICE (see --help)\n", program);
        return Stop(out, 2);
    }
    return 0;
}

int DefaultDataDir(char *out, size_t size) {
    const char *data_home = getenv("XDG_DATA_HOME");
    // The XDG rule: a relative value is ignored.
    if (data_home != nullptr && data_home[0] == '/') {
        snprintf(out, size, "%s/clearhorizon", data_home);
        return 0;
    }
    const char *home = getenv("HOME");
    if (home == nullptr || home[0] != '/') return -1;
    snprintf(out, size, "%s/.local/share/clearhorizon", home);
    return 0;
}

int EnterDataDir(const char *dir) {
    std::string path;
    // Each parent in turn, as mkdir -p does; existing ones are fine.
    for (const char *p = dir; *p != '\0'; ++p) {
        path += *p;
        if ((*p == '/' && path.size() > 1) || p[1] == '\0')
            if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) break;
    }
    if (chdir(dir) != 0) {
        fprintf(stderr, "clearhorizon: cannot use the data folder %s: %s\n", dir, strerror(errno));
        return -1;
    }
    return 0;
}
