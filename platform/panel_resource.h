// Inside platform/ only: reading one panel out of a resource file (see panels.h for the
// file's layout). Plain XML reading, safe on any thread: the timers of a panel are all
// that a thread without widgets needs.
#pragma once
#include <string>
#include <vector>

struct TimerSpec {
    std::string name;
    int ctrl_id = 0;
    std::string callback;
    double interval_s = 1.0;
    bool enabled = true;
};

struct PanelSpec {
    std::string name;
    std::string callback;
    std::vector<TimerSpec> timers;
    // A .ui document whose top-level widget is the panel alone (when asked for).
    std::string ui;
};

// The full path of a resource file, or "" when it cannot be found.
std::string ResourcePath(const char *file_name);
// 0, or kUIErrFile / kUIErrParse / kUIErrPanel (no panel with that number).
int ReadPanelSpec(const std::string &path, int resource_id, bool with_ui, PanelSpec *out);
