// The toolbox's sectioned-text object: a list of sections of "key = value" lines, kept
// in the order in which sections and keys were first put, written out as one text with
// CR LF line ends and an empty line after every section. Keys and section names are
// compared without regard to case; a later put of a key replaces it in place, taking
// the later letter case and value.
#pragma once
#include <string>

struct IniTextList;
using IniText = IniTextList *;

// A new, empty list; automatic_sorting nonzero writes sections and keys sorted by name
// instead of in the order put. nullptr when memory runs out.
IniText Ini_New(int automatic_sorting);
void Ini_Dispose(IniText list);

// Puts a value as it stands (no quotes, no escapes). 0 on success; -1 for a null list or
// text; -2 when a name or value holds a line break (it would break the file's lines), a
// section name holds ']' or a key holds '=' or is empty.
int Ini_PutRawString(IniText list, const char *section, const char *key, const char *value);
// Whole numbers in plain decimal, negative with a leading '-'.
int Ini_PutInt(IniText list, const char *section, const char *key, int value);
int Ini_PutUInt(IniText list, const char *section, const char *key, unsigned int value);

// The whole list as text.
std::string Ini_ToText(IniText list);
// Writes the text to path, replacing any old file at once (readers see the old or the
// new file whole). 0 on success, -1 for a null list, else the negative code of the
// replacement (-1 temporary file, -2 write or sync, -3 rename, shifted by -10).
int Ini_WriteToFile(IniText list, const char *path);
