#include "windows/text_fields.h"

#include <cstring>

std::string FillTextFields(const char *pattern, const TextField *fields, int count) {
    std::string out;
    if (pattern == nullptr) return out;
    for (const char *p = pattern; *p != '\0'; ++p) {
        bool replaced = false;
        if (*p == '{') {
            for (int i = 0; i < count && !replaced; ++i) {
                const size_t n = strlen(fields[i].name);
                if (strncmp(p + 1, fields[i].name, n) != 0 || p[1 + n] != '}') continue;
                out += fields[i].value != nullptr ? fields[i].value : "";
                p += n + 1;  // onto the closing brace
                replaced = true;
            }
        }
        if (!replaced) out += *p;
    }
    return out;
}
