// Reading of language files. The file is user-edited text, so everything in it is
// treated as untrusted: lines are read into a bounded buffer, each text is decoded into
// a buffer of its own limit, and a name is looked up in the fixed list of texts rather
// than used to find a control.
#include "windows/language_file.h"

#include <cstdio>
#include <cstring>

#include "windows/KOR.h"

namespace {

#define TXTP_NAME_ENTRY(name, id, limit) {#name, id, limit},
const LanguageText kTextNames[] = {TXTP_TEXTS(TXTP_NAME_ENTRY)};
#undef TXTP_NAME_ENTRY
constexpr int kTextMax = 304;

const LanguageText *FindText(const char *name) {
    for (const LanguageText &t : kTextNames)
        if (strcmp(t.name, name) == 0) return &t;
    return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char *Trim(char *s) {
    while (IsBlank(*s)) ++s;
    size_t n = strlen(s);
    while (n > 0 && IsBlank(s[n - 1])) s[--n] = '\0';
    return s;
}

// Decodes the escapes of raw into out (out_size bytes, terminated); returns 1 when the
// text had to be cut. A cut never splits a UTF-8 sequence.
int DecodeText(const char *raw, char *out, int out_size) {
    int n = 0;
    int cut = 0;
    for (const char *p = raw; *p != '\0'; ++p) {
        char c = *p;
        if (c == '\\' && p[1] != '\0') {
            ++p;
            c = *p == 'n' ? '\n' : *p == 't' ? '\t' : *p;
        }
        if (n >= out_size - 1) {
            cut = 1;
            break;
        }
        out[n++] = c;
    }
    if (cut) {
        // Drop a partial UTF-8 sequence at the end.
        int start = n;
        while (start > 0 && (static_cast<unsigned char>(out[start - 1]) & 0xC0) == 0x80) --start;
        if (start > 0) {
            const unsigned char lead = static_cast<unsigned char>(out[start - 1]);
            const int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (need > 1 && n - (start - 1) < need) n = start - 1;
        }
    }
    out[n] = '\0';
    return cut;
}

// One line of the file.
void HandleLine(char *line, LanguageEntrySink sink, void *context, LanguageStats *stats) {
    char *s = Trim(line);
    if (*s == '\0' || *s == '#') return;
    char *eq = strchr(s, '=');
    if (eq == nullptr) {
        ++stats->malformed;
        return;
    }
    *eq = '\0';
    const char *name = Trim(s);
    char *value = Trim(eq + 1);
    const size_t len = strlen(value);
    if (len >= 2 && value[0] == '"' && value[len - 1] == '"' && value[len - 2] != '\\') {
        value[len - 1] = '\0';
        ++value;
    }
    const LanguageText *t = FindText(name);
    if (t == nullptr) {
        ++stats->unknown;
        return;
    }
    char text[kTextMax];
    const int limit = t->limit + 1 < kTextMax ? t->limit + 1 : kTextMax;
    stats->cut += DecodeText(value, text, limit);
    sink(t->control, text, context);
    ++stats->applied;
}

// Reads the next line (with its line break, if any) into line; false at the end of the
// file. A line longer than the buffer is consumed whole and reported as overlong; a NUL
// byte, which no text holds, spoils its own line and no other.
bool NextLine(FILE *f, char (&line)[kLanguageLineMax], bool *malformed) {
    size_t n = 0;
    bool overlong = false;
    bool nul = false;
    int c = EOF;
    while ((c = getc(f)) != EOF) {
        if (c == '\0') nul = true;
        if (n + 1 < sizeof line)
            line[n++] = static_cast<char>(c);
        else
            overlong = true;
        if (c == '\n') break;
    }
    line[n] = '\0';
    *malformed = overlong || nul;
    return n > 0 || c != EOF;
}

}  // namespace

const LanguageText *LanguageTexts(int *count) {
    *count = static_cast<int>(sizeof kTextNames / sizeof kTextNames[0]);
    return kTextNames;
}

int ReadLanguageFile(const char *path, LanguageEntrySink sink, void *context,
                     LanguageStats *stats) {
    LanguageStats local = {};
    if (stats == nullptr) stats = &local;
    *stats = LanguageStats{};
    if (path == nullptr || sink == nullptr) return -1;
    FILE *f = fopen(path, "rb");
    if (f == nullptr) return -1;
    char line[kLanguageLineMax];
    bool malformed = false;
    for (bool first = true; NextLine(f, line, &malformed); first = false) {
        if (malformed) {
            ++stats->malformed;
            continue;
        }
        // Editors on some systems begin UTF-8 files with a byte-order mark.
        char *text = line;
        if (first && strncmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;
        HandleLine(text, sink, context, stats);
    }
    fclose(f);
    return 0;
}
