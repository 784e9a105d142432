// The simulator's end of the serial line: a pseudo-terminal in raw mode whose device is
// made reachable under a fixed name (a symbolic link such as run/COM1), so that the
// program opens it exactly as it opens a real port.
#pragma once
#include <string>

struct SimPty {
    int master = -1;
    int slave = -1;          // held open so that the line survives the program closing it
    std::string device;      // /dev/pts/N
    std::string link;        // the symbolic link made, empty when none
};

// 0 on success; -1 with a message in error. An existing symbolic link at link_path is
// replaced; any other file there is left alone and is an error. link_path may be null.
int OpenSimPty(SimPty *pty, const char *link_path, std::string *error);
// Removes the link (when it still points to this line) and closes both ends.
void CloseSimPty(SimPty *pty);
