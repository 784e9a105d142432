// Users take their history into spreadsheets through this command. It owns the dialogue
// around the export (which file, may it be replaced, what went wrong) and makes sure
// that a failed export never passes for a good one and never touches the history file.
#include "windows/history_save.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <utility>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "history/history_export.h"
#include "platform/panels.h"
#include "platform/popups.h"

namespace {

constexpr int kPopupTextSize = 304;

void ExportMessage(int message) { LocalisedMessagePopup(txtP, TXTP_EXPORT_TITLE, message); }

// Whether two paths name the same file on disc (links and other spellings included).
bool SameFile(const char *a, const char *b) {
    struct stat sa{}, sb{};
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The texts panel's pattern with "{n}" and "{file}" filled in. The pattern comes from a
// language file, so it is never used as a format.
std::string FillPattern(const char *pattern, const char *count, const char *file) {
    std::string text = pattern;
    for (const auto &[mark, value] : {std::pair<const char *, const char *>{"{n}", count},
                                      std::pair<const char *, const char *>{"{file}", file}}) {
        const size_t at = text.find(mark);
        if (at != std::string::npos) text.replace(at, strlen(mark), value);
    }
    return text;
}

// The last export shown, so that a language change can say it again in the new words.
long long shown_count = -1;
std::string shown_path;

// A finished export says so where the user looks: "Saved 5 data sets to FILE".
void ShowExportDone(long long exported, const char *path) {
    shown_count = exported;
    shown_path = path;
    char count[320];
    DataSetCountText(exported, count, sizeof count);
    char pattern[kPopupTextSize];
    GetPanelText(TXTP_EXPORT_SAVED, pattern, sizeof pattern);
    SetCtrlVal(korP, KORP_STATUS, FillPattern(pattern, count, path).c_str());
}

}  // namespace

void RedrawExportStatus() {
    if (shown_count >= 0) ShowExportDone(shown_count, std::string(shown_path).c_str());
}

void LocalisedMessagePopup(int panel, int title_control, int message_control) {
    char title[kPopupTextSize] = "";
    char message[kPopupTextSize] = "";
    GetCtrlString(panel, title_control, title, sizeof title);
    GetCtrlString(panel, message_control, message, sizeof message);
    MessagePopup(title, message);
}

int LocalisedConfirmPopup(int panel, int title_control, int message_control) {
    char title[kPopupTextSize] = "";
    char message[kPopupTextSize] = "";
    GetCtrlString(panel, title_control, title, sizeof title);
    GetCtrlString(panel, message_control, message, sizeof message);
    return ConfirmPopup(title, message);
}

int SaveHistoryAsText(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char title[kPopupTextSize];
    GetPanelText(TXTP_EXPORT_TITLE, title, sizeof title);
    char path[MAX_PATHNAME_LEN] = "";
    const int chosen = FileSelectPopup("", "*.txt", "*.txt", title, VAL_SAVE_BUTTON, 0, 1, 1, 1, path);
    if (chosen == VAL_NO_FILE_SELECTED) return 0;
    if (chosen == VAL_EXISTING_FILE_SELECTED &&
        LocalisedConfirmPopup(txtP, TXTP_EXPORT_TITLE, TXTP_EXPORT_OVERWRITE) != 1)
        return 0;

    char history_path[sizeof setup.history_file + 1];
    memcpy(history_path, setup.history_file, sizeof setup.history_file);
    history_path[sizeof setup.history_file] = '\0';
    // Writing the text over the history file itself would destroy the history.
    if (SameFile(path, history_path)) {
        ExportMessage(TXTP_EXPORT_CREATE_FAILED);
        return 0;
    }
    // The history file is opened first: when it cannot be read, the file the user chose
    // is neither made nor emptied.
    FILE *history = fopen(history_path, "rb");
    if (history == nullptr) {
        ExportMessage(TXTP_EXPORT_OPEN_FAILED);
        return 0;
    }
    FILE *text = fopen(path, "w");
    if (text == nullptr) {
        fclose(history);
        ExportMessage(TXTP_EXPORT_CREATE_FAILED);
        return 0;
    }
    long long exported = 0;
    const int converted = ConvertHistoryFileToTextFile(history, text, &exported);
    fclose(history);
    const int closed = fclose(text);
    if (converted != 0 || closed != 0) {
        // Half an export would pass for the whole history in a spreadsheet.
        remove(path);
        ExportMessage(TXTP_EXPORT_FAILED);
        return 0;
    }
    ShowExportDone(exported, path);
    return 0;
}
