// Language files: the wording of every text of the program, applied to the texts panel.
//
// A language file is UTF-8 text, one entry a line, "NAME = text", where NAME is the
// name of a text of the texts panel (app/KOR.h, TXTP_TEXTS). Blanks around the text are
// dropped unless the text is in double quotes; "\n", "\t", "\\" and "\"" are escapes.
// Lines starting with '#' and empty lines are skipped. Unknown names are ignored, texts
// longer than their limit are cut at it (never inside a UTF-8 letter), lines longer
// than kLanguageLineMax are skipped whole. resources/english.lwl documents the same.
#pragma once

constexpr int kLanguageLineMax = 2048;

struct LanguageStats {
    int applied;    // entries whose text was set
    int unknown;    // entries with a name the texts panel does not have
    int cut;        // texts cut to their limit
    int malformed;  // lines without "NAME =" or too long
};

// Called for every entry with a known name: the control of the texts panel and the text,
// already decoded and cut to the text's limit.
using LanguageEntrySink = void (*)(int text_control, const char *text, void *context);

// Reads a language file. 0 on success, -1 when the file cannot be opened.
int ReadLanguageFile(const char *path, LanguageEntrySink sink, void *context,
                     LanguageStats *stats);

// The texts panel's own texts, as loaded from the resource file, are remembered once so
// that a failed language file can put them back.
void RememberResourceTexts();
void RestoreResourceTexts();

// Applies setup.language_file to the texts panel, then renews the panel labels and the
// tooltips. 0 on success, -1 when the file cannot be read (the resource texts stay).
int LocaliseAllPanels();
