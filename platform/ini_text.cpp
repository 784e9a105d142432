// Exchange files such as currdat.lst are read by other programs, line by line, as
// "key = value" under "[section]" headings. This list builds such a text in memory and
// replaces the file whole on every write, so a reader never sees half a file.
#include "platform/ini_text.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <strings.h>
#include <utility>
#include <vector>

#include "platform/files.h"

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

struct IniTextList {
    bool sorted = false;
    std::vector<IniSection> sections;
};

namespace {

bool SameName(const std::string &a, const char *b) { return strcasecmp(a.c_str(), b) == 0; }

bool HasLineBreak(const char *text) {
    for (const char *p = text; *p != '\0'; ++p)
        if (*p == '\r' || *p == '\n') return true;
    return false;
}

bool HasChar(const char *text, char c) {
    for (const char *p = text; *p != '\0'; ++p)
        if (*p == c) return true;
    return false;
}

IniSection &SectionOf(IniTextList *list, const char *name) {
    for (IniSection &s : list->sections)
        if (SameName(s.name, name)) return s;
    list->sections.push_back(IniSection{name, {}});
    return list->sections.back();
}

bool NameLess(const std::string &a, const std::string &b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

}  // namespace

IniText Ini_New(int automatic_sorting) {
    IniTextList *list = new (std::nothrow) IniTextList;
    if (list != nullptr) list->sorted = automatic_sorting != 0;
    return list;
}

void Ini_Dispose(IniText list) { delete list; }

int Ini_PutRawString(IniText list, const char *section, const char *key, const char *value) {
    if (list == nullptr || section == nullptr || key == nullptr || value == nullptr) return -1;
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return -2;
    if (HasChar(section, ']') || HasChar(key, '=') || key[0] == '\0') return -2;
    IniSection &s = SectionOf(list, section);
    for (auto &entry : s.keys) {
        if (SameName(entry.first, key)) {
            entry.first = key;
            entry.second = value;
            return 0;
        }
    }
    s.keys.emplace_back(key, value);
    return 0;
}

int Ini_PutInt(IniText list, const char *section, const char *key, int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    return Ini_PutRawString(list, section, key, text);
}

int Ini_PutUInt(IniText list, const char *section, const char *key, unsigned int value) {
    char text[16];
    snprintf(text, sizeof text, "%u", value);
    return Ini_PutRawString(list, section, key, text);
}

std::string Ini_ToText(IniText list) {
    std::string text;
    if (list == nullptr) return text;
    std::vector<IniSection> sections = list->sections;
    if (list->sorted) {
        std::stable_sort(sections.begin(), sections.end(),
                         [](const IniSection &a, const IniSection &b) {
                             return NameLess(a.name, b.name);
                         });
        for (IniSection &s : sections)
            std::stable_sort(s.keys.begin(), s.keys.end(),
                             [](const auto &a, const auto &b) { return NameLess(a.first, b.first); });
    }
    for (const IniSection &s : sections) {
        text += "[" + s.name + "]\r\n";
        for (const auto &[key, value] : s.keys) text += key + " = " + value + "\r\n";
        text += "\r\n";
    }
    return text;
}

int Ini_WriteToFile(IniText list, const char *path) {
    if (list == nullptr || path == nullptr) return -1;
    const std::string text = Ini_ToText(list);
    const int r = ReplaceFileAtomically(path, text.data(), text.size());
    return r == 0 ? 0 : r - 10;
}
