// Language choice. A file is read once on its own before it is applied, so that a file
// that turns out to be unreadable or no language file at all never replaces the texts
// in use; the application itself is LocaliseAllPanels, the same as at start-up. A
// language picked is only a preview until the dialog's OK saves the settings.
#include "windows/language_choice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "windows/setup_messages.h"
#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "windows/language_file.h"
#include "records/setup_record.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/popups.h"

namespace {

constexpr int kMaxLanguages = 64;

struct LanguageEntry {
    std::string folder;
    std::string name;  // file name, as setup.language_file keeps it
};

// Item value v of the list is entry v - 1.
std::vector<LanguageEntry> languages;
// The language in use when the dialog opened: what a cancel goes back to.
std::string language_at_open;

bool IsLanguageFile(const std::string &folder, const char *name) {
    const size_t n = strlen(name);
    if (n <= 4 || strcasecmp(name + n - 4, ".lwl") != 0) return false;
    struct stat info;
    const std::string path = folder + "/" + name;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Known(const char *name) {
    return std::any_of(languages.begin(), languages.end(),
                       [&](const LanguageEntry &e) { return e.name == name; });
}

// The language files of one folder, by name; names already listed are skipped (the data
// folder's copy is the one LocaliseAllPanels reads).
void CollectFolder(const std::string &folder) {
    DIR *dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> found;
    while (const dirent *e = readdir(dir)) {
        if (IsLanguageFile(folder, e->d_name) && !Known(e->d_name)) found.emplace_back(e->d_name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    for (const std::string &name : found) {
        if (static_cast<int>(languages.size()) >= kMaxLanguages) return;
        languages.push_back({folder, name});
    }
}

std::string CurrentLanguage() {
    char name[sizeof setup.language_file + 1];
    memcpy(name, setup.language_file, sizeof setup.language_file);
    name[sizeof setup.language_file] = '\0';
    return name;
}

void MarkCurrent() {
    const std::string current = CurrentLanguage();
    for (size_t i = 0; i < languages.size(); ++i)
        if (languages[i].name == current) SetCtrlVal(globalP, GLOBALP_LANGUAGE, static_cast<int>(i + 1));
}

void Report(int title_text, int message_text, const std::string &path) {
    char title[304];
    char text[304];
    GetPanelText(title_text, title, sizeof title);
    GetPanelText(message_text, text, sizeof text);
    const std::string message = std::string(text) + "\n" + path;
    MessagePopup(title, message.c_str());
}

void IgnoreEntry(int, const char *, void *) {}


void Apply(const LanguageEntry &entry) {
    const std::string path = entry.folder + "/" + entry.name;
    LanguageStats stats{};
    if (entry.name.size() >= sizeof setup.language_file ||
        ReadLanguageFile(path.c_str(), IgnoreEntry, nullptr, &stats) != 0) {
        Report(TXTP_ERROR_TITLE, TXTP_LANGUAGE_UNREADABLE, path);
        return;
    }
    if (stats.applied == 0) {
        Report(TXTP_ERROR_TITLE, TXTP_LANGUAGE_NO_TEXTS, path);
        return;
    }
    const std::string previous = CurrentLanguage();
    snprintf(setup.language_file, sizeof setup.language_file, "%s", entry.name.c_str());
    if (LocaliseAllPanels() != 0) {
        // The file went away between the check and its use.
        snprintf(setup.language_file, sizeof setup.language_file, "%s", previous.c_str());
        (void)LocaliseAllPanels();
        Report(TXTP_ERROR_TITLE, TXTP_LANGUAGE_UNREADABLE, path);
        return;
    }
    // Longer texts widened the main window; it takes back the room shorter ones leave.
    FitPanelToContents(korP);
    if (stats.malformed > 0) Report(TXTP_GLOBALP_LANGUAGE_LABEL, TXTP_LANGUAGE_SKIPPED, path);
}

}  // namespace

void FillLanguageList() {
    languages.clear();
    CollectFolder(".");
    char program_dir[4096];
    GetResourceDir(program_dir, sizeof program_dir);
    CollectFolder(program_dir);
    language_at_open = CurrentLanguage();
    ClearListCtrl(globalP, GLOBALP_LANGUAGE);
    for (size_t i = 0; i < languages.size(); ++i) {
        const std::string &name = languages[i].name;
        const std::string label = name.substr(0, name.find('.'));
        InsertListItem(globalP, GLOBALP_LANGUAGE, -1, label.c_str(), static_cast<int>(i + 1));
    }
    MarkCurrent();
}

int SelectLanguage(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int value = 0;
    if (GetCtrlVal(globalP, GLOBALP_LANGUAGE, &value) < 0) return 0;
    if (value < 1 || value > static_cast<int>(languages.size())) return 0;
    const LanguageEntry entry = languages[static_cast<size_t>(value - 1)];
    if (entry.name != CurrentLanguage()) Apply(entry);
    // A refused file leaves the list on the language in use.
    MarkCurrent();
    return 0;
}

void RestoreLanguageAtOpen() {
    if (language_at_open.empty() || language_at_open == CurrentLanguage()) return;
    snprintf(setup.language_file, sizeof setup.language_file, "%s", language_at_open.c_str());
    // A file gone meanwhile leaves the resource's texts, as at start-up.
    (void)LocaliseAllPanels();
    FitPanelToContents(korP);
}
