// Language files: the wording of every text of the program, for the texts panel.
//
// A language file is UTF-8 text, one entry a line, "NAME = text", where NAME is the
// name of a text of the texts panel (windows/KOR.h, TXTP_TEXTS). Blanks around the text are
// dropped unless the text is in double quotes; "\n", "\t", "\\" and "\"" are escapes.
// Lines starting with '#' and empty lines are skipped. Unknown names are ignored, texts
// longer than their limit are cut at it (never inside a UTF-8 letter), lines longer
// than kLanguageLineMax and lines holding a NUL byte are skipped whole. A UTF-8
// byte-order mark at the start of the file is skipped. resources/english.lwl says the same for
// translators.
#pragma once

constexpr int kLanguageLineMax = 2048;

struct LanguageText {
    const char *name;
    int control;  // of the texts panel
    int limit;    // bytes of text, without the terminating NUL
};

// Every text a language file may name.
const LanguageText *LanguageTexts(int *count);

struct LanguageStats {
    int applied;    // entries whose text was handed on
    int unknown;    // entries with a name the texts panel does not have
    int cut;        // texts cut to their limit
    int malformed;  // lines without "NAME =", or too long
};

// Called for every entry with a known name: the control of the texts panel and the text,
// decoded and cut to the text's limit.
using LanguageEntrySink = void (*)(int text_control, const char *text, void *context);

// Reads a language file. 0 on success, -1 when the file cannot be opened.
int ReadLanguageFile(const char *path, LanguageEntrySink sink, void *context,
                     LanguageStats *stats);
