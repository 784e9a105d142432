// Options are read before anything else, so that "Setup.cnf", "currdat.lst", the COMn
// links and the single-instance lock all land in the data folder they name.
#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
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
    printf("Usage: %s [--data-dir DIR] [--headless]\n"
           "Shows and records the readings of a weather station console on a serial port.\n"
           "\n"
           "  --data-dir DIR  work in DIR (made when missing): Setup.cnf, currdat.lst,\n"
           "                  language files and the COMn port links live there\n"
           "  --headless      no windows: poll the console, download the history and keep\n"
           "                  currdat.lst; messages go to stderr (automatic without a display)\n"
           "  --help          show this text and end\n"
           "  --version       show the version and end\n"
           "Qt's own options (-platform NAME, -display NAME, -style NAME) are passed on.\n",
           program);
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

}  // namespace

int ParseCommandLine(int argc, char *argv[], CommandLine *out) {
    *out = CommandLine{0, nullptr, 0, 0};
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
        if (strncmp(arg, "--data-dir=", 11) == 0 && arg[11] != '\0') {
            out->data_dir = arg + 11;
            continue;
        }
        if (strcmp(arg, "--data-dir") == 0) {
            if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
                fprintf(stderr, "%s: --data-dir needs a folder (see --help)\n", program);
                return Stop(out, 2);
            }
            out->data_dir = argv[++i];
            continue;
        }
        if (const QtOption *qt = QtOptionNamed(arg)) {
            i += qt->takes_value;
            continue;
        }
        fprintf(stderr, "%s: unknown option '%s' (see --help)\n", program, arg);
        return Stop(out, 2);
    }
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
