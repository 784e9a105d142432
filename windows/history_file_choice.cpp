// History file choice. The check does not create the file: an empty file would be taken
// for a damaged history file, so the file is left for the communication thread to make.
#include "windows/history_file_choice.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "platform/popups.h"

namespace {

// Folder and file name of path; a name without a folder lies in the working directory.
void SplitPath(const char *path, char *folder, size_t folder_size, char *file, size_t file_size) {
    const char *slash = strrchr(path, '/');
    if (slash == nullptr) {
        snprintf(folder, folder_size, "%s", ".");
        snprintf(file, file_size, "%s", path);
        return;
    }
    const int length = slash == path ? 1 : static_cast<int>(slash - path);
    snprintf(folder, folder_size, "%.*s", length, path);
    snprintf(file, file_size, "%s", slash + 1);
}

void ReportUnusable(const char *path) {
    char title[304];
    char text[304];
    char message[304 + MAX_PATHNAME_LEN + 2];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(TXTP_HISTORY_FILE_UNUSABLE, text, sizeof text);
    snprintf(message, sizeof message, "%s\n%s", text, path);
    MessagePopup(title, message);
}

}  // namespace

int HistoryFileUsable(const char *path) {
    if (path == nullptr || path[0] == '\0') return 0;
    struct stat info;
    if (stat(path, &info) == 0) return S_ISREG(info.st_mode) && access(path, R_OK | W_OK) == 0;
    char folder[MAX_PATHNAME_LEN];
    char file[MAX_PATHNAME_LEN];
    SplitPath(path, folder, sizeof folder, file, sizeof file);
    if (file[0] == '\0') return 0;
    return stat(folder, &info) == 0 && S_ISDIR(info.st_mode) && access(folder, W_OK | X_OK) == 0;
}

int ChooseHistoryFile(const char *current, char *chosen) {
    char folder[MAX_PATHNAME_LEN];
    char file[MAX_PATHNAME_LEN];
    SplitPath(current != nullptr ? current : "", folder, sizeof folder, file, sizeof file);
    char title[304];
    GetPanelText(TXTP_HISTORY_FILE_TITLE, title, sizeof title);
    char path[MAX_PATHNAME_LEN] = "";
    const int result = FileSelectPopup(folder, file, "*.dat", title, VAL_OK_BUTTON, 0, 1, 1, 1, path);
    if (result == VAL_NO_FILE_SELECTED || path[0] == '\0') return 0;
    if (!HistoryFileUsable(path)) {
        ReportUnusable(path);
        return 0;
    }
    snprintf(chosen, MAX_PATHNAME_LEN, "%s", path);
    return 1;
}
