// clearhorizon.ini: the settings the fixed layout of Setup.cnf has no room for, in Qt's
// INI format (QSettings), so that a user can read and edit them by hand. Keys are read
// and written as text; the callers give them meaning.
#pragma once
#include <cstddef>

struct IniSetting {
    const char *key;
    const char *value;
};

// The value of section/key. 0 with out filled; -1 when the file or key is missing (out
// then holds ""); -2 when the file cannot be read as INI.
int IniSettings_Read(const char *path, const char *section, const char *key, char *out,
                     size_t size);
// Writes the keys into section, keeping every other section and key of the file. The
// file is made readable by its owner alone (mode 0600) before anything is written to it,
// since it may hold a password. 0, or -1 when it cannot be written.
int IniSettings_Write(const char *path, const char *section, const IniSetting *settings,
                      int count);
