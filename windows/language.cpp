// Applying a language file to the texts panel. The texts the resource file gave the
// panel are remembered first, so that a text the file does not name, or a file that
// cannot be read, leaves the resource's wording rather than an earlier file's.
#include "windows/language.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>

#include "windows/KOR.h"
#include "windows/accessible_names.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language_file.h"
#include "records/setup_record.h"
#include "windows/tooltips.h"
#include "windows/history_save.h"
#include "windows/history_view.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"

namespace {

constexpr int kTextMax = 304;
#define TXTP_COUNT_ONE(name, id, limit) +1
// Every text of the texts panel: a fixed count here would leave the newest ones out.
constexpr int kTextCount = 0 TXTP_TEXTS(TXTP_COUNT_ONE);
#undef TXTP_COUNT_ONE
// Texts of the resource file, kept to undo a failed language file.
char resource_texts[kTextCount][kTextMax];
int resource_texts_kept = 0;

void SetPanelTextSink(int control, const char *text, void *) { SetCtrlVal(txtP, control, text); }

}  // namespace

void RememberResourceTexts() {
    if (resource_texts_kept || txtP <= 0) return;
    int count = 0;
    const LanguageText *texts = LanguageTexts(&count);
    for (int i = 0; i < count && i < kTextCount; ++i)
        GetPanelText(texts[i].control, resource_texts[i], kTextMax);
    resource_texts_kept = 1;
}

void RestoreResourceTexts() {
    if (!resource_texts_kept || txtP <= 0) return;
    int count = 0;
    const LanguageText *texts = LanguageTexts(&count);
    for (int i = 0; i < count && i < kTextCount; ++i) SetCtrlVal(txtP, texts[i].control, resource_texts[i]);
}

int LocaliseAllPanels() {
    const int policy = GetSleepPolicy();
    SetSleepPolicy(VAL_SLEEP_NONE);
    RememberResourceTexts();
    // A text the file does not name keeps the resource's wording, not an earlier file's.
    RestoreResourceTexts();
    char name[sizeof setup.language_file + 1];
    // The field comes from a file; it need not hold its terminating NUL.
    memcpy(name, setup.language_file, sizeof setup.language_file);
    name[sizeof setup.language_file] = '\0';
    int result = 0;
    int read = ReadLanguageFile(name, SetPanelTextSink, nullptr, nullptr);
    if (read != 0 && strchr(name, '/') == nullptr) {
        // Not in the data folder: the languages shipped beside the program.
        char dir[4096];
        GetResourceDir(dir, sizeof dir);
        char path[sizeof dir + sizeof name + 1];
        snprintf(path, sizeof path, "%s/%s", dir, name);
        read = ReadLanguageFile(path, SetPanelTextSink, nullptr, nullptr);
    }
    if (read != 0) {
        RestoreResourceTexts();
        result = -1;
    }
    ApplyPanelTexts();
    // Qt's own dialogs and buttons speak the language too: the file names its code.
    char code[304];
    GetPanelText(TXTP_LANGUAGE_CODE, code, sizeof code);
    (void)UseToolkitLanguage(code);
    // The history table's titles and the export's titles and direction names are copies
    // of texts, made here so that they never lag behind the language.
    InitTableTileLine(&setup.units.pressure_unit);
    RedrawHistoryPanel();
    // Direction names and the history information on the main panel are texts too.
    RefreshKORPanelSurface();
    RedrawExportStatus();
    InitToolTips();
    // What screen readers say is made of the same texts.
    NameAccessibleControls();
    SetSleepPolicy(policy);
    return result;
}

void LayOutForEveryShippedLanguage() {
    char dir[4096];
    GetResourceDir(dir, sizeof dir);
    DIR *folder = opendir(dir);
    if (folder == nullptr) return;
    RememberResourceTexts();
    int widest = 0;
    while (const dirent *entry = readdir(folder)) {
        const size_t length = strlen(entry->d_name);
        if (length < 5 || strcmp(entry->d_name + length - 4, ".lwl") != 0) continue;
        char path[sizeof dir + 256];
        snprintf(path, sizeof path, "%s/%s", dir, entry->d_name);
        RestoreResourceTexts();
        if (ReadLanguageFile(path, SetPanelTextSink, nullptr, nullptr) != 0) continue;
        ApplyPanelTexts();
        int width = 0;
        if (GetPanelContentsWidth(korP, &width) == 0 && width > widest) widest = width;
    }
    closedir(folder);
    (void)LocaliseAllPanels();
    if (widest > 0) SetPanelLeastWidth(korP, widest);
}
