// Saving the history as text through the panels' command: the file pop-up, the question
// before replacing a file, the failure messages, and what ends up on disc.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "history/history_file.h"
#include "windows/history_save.h"
#include "windows/history_view.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "support/temp_folder.h"

namespace {

struct Asked {
    int kind;
    std::string title, message, filter;
};

std::vector<Asked> asked;
std::string file_answer;  // empty: the user cancels
int confirm_answer = 0;

int Answer(const PopupRequest *request, char *path_out, int path_size) {
    asked.push_back({request->kind, request->title, request->message, request->filter});
    if (request->kind == POPUP_CONFIRM) return confirm_answer;
    if (request->kind != POPUP_FILE_SELECT || file_answer.empty()) return 0;
    snprintf(path_out, static_cast<size_t>(path_size), "%s", file_answer.c_str());
    return 1;
}

HistoryRecord DataSet(uint32_t time) {
    HistoryRecord r{};
    r.time = time;
    r.pressure = 1000.0f;
    r.wind_speed = 2.5f;
    r.wind_direction = 2;
    r.rain = 10.0f;
    r.indoor_temperature = 21.5f;
    r.outdoor_temperature = 10.0f;
    r.indoor_humidity = 45;
    r.outdoor_humidity = 50;
    return r;
}

std::string FileOf(const std::vector<HistoryRecord> &sets, bool magic = true) {
    std::string bytes(reinterpret_cast<const char *>(sets.data()), sets.size() * sizeof(HistoryRecord));
    HistoryFileHeader h{};
    SetFileHistoryHeaderToDefault(&h);
    h.magic = magic ? HISTORY_FILE_MAGIC : 0u;
    h.count = static_cast<int32_t>(sets.size());
    bytes.append(reinterpret_cast<const char *>(&h), sizeof h);
    return bytes;
}

bool Exists(const std::string &path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

std::string StatusLine() {
    char text[1024];
    GetCtrlString(korP, KORP_STATUS, text, sizeof text);
    return text;
}

const std::string kTitles =
    "Rel. pressure\tTemp. indoor\tHum. indoor\tTemp. outdoor\tHum. outdoor\tDewpoint\t"
    "Windchill\tWind speed\tWind dir.\tRain\tTime\tDate\n"
    "[hPa]\t[\u00B0C]\t[%]\t[\u00B0C]\t[%]\t[\u00B0C]\t[\u00B0C]\t[m/s]\t\t[mm]";

class SaveAsText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        tzset();
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
    }
    void SetUp() override {
        setup.units = UnitsRecord{0, 0, 0, 0, 0};
        setup.decimal_comma = 0;
        setup.absolute_pressure = 0;
        InitTableTileLine(&setup.units.pressure_unit);
        SetUIDataToDefault();
        history_ = folder_.file("history.dat");
        snprintf(setup.history_file, sizeof setup.history_file, "%s", history_.c_str());
        asked.clear();
        file_answer.clear();
        confirm_answer = 0;
        SetPopupTestResponder(Answer);
    }
    void TearDown() override { SetPopupTestResponder(nullptr); }

    static void Save() { SaveHistoryAsText(korP, KORP_SAVE_TEXT, EVENT_COMMIT, nullptr, 0, 0); }

    TempFolder folder_;
    std::string history_;
};

TEST_F(SaveAsText, WritesTheWholeHistoryWithTheTablesTitles) {
    const std::string bytes = FileOf({DataSet(1165500300u), DataSet(1165501200u)});
    WriteWholeFile(history_, bytes);
    file_answer = folder_.file("export");  // the extension is added
    Save();
    ASSERT_EQ(asked.size(), 1u);  // the file pop-up alone: a new file needs no question
    EXPECT_EQ(asked[0].kind, POPUP_FILE_SELECT);
    EXPECT_EQ(asked[0].filter, "*.txt");
    EXPECT_EQ(asked[0].title, "Export history");
    EXPECT_EQ(ReadWholeFile(folder_.file("export.txt")),
              kTitles +
                  "\n1000.0\t21.5\t45\t10.0\t50\t0.0\t7.7\t2.5\tNE\t10.0\t14:05\t07.12.2006"
                  "\n1000.0\t21.5\t45\t10.0\t50\t0.0\t7.7\t2.5\tNE\t10.0\t14:20\t07.12.2006");
    EXPECT_EQ(ReadWholeFile(history_), bytes);
    EXPECT_EQ(StatusLine(), "Saved 2 data sets to " + folder_.file("export.txt"));

    // The export speaks the language of the panels as soon as it is applied.
    snprintf(setup.language_file, sizeof setup.language_file, "deutsch.lwl");
    ASSERT_EQ(LocaliseAllPanels(), 0);
    file_answer = folder_.file("deutsch.txt");
    Save();
    const std::string text = ReadWholeFile(folder_.file("deutsch.txt"));
    EXPECT_EQ(text.substr(0, text.find('\t')), "Rel. Luftdruck");
    EXPECT_NE(text.find("\tNO\t"), std::string::npos);
    EXPECT_EQ(StatusLine(), "2 Datens\u00E4tze in " + folder_.file("deutsch.txt") + " gespeichert");
    snprintf(setup.language_file, sizeof setup.language_file, "english.lwl");
    ASSERT_EQ(LocaliseAllPanels(), 0);
}

TEST_F(SaveAsText, CancelOrARefusedReplacementLeavesEverythingAsItWas) {
    WriteWholeFile(history_, FileOf({DataSet(1165500300u)}));
    Save();
    EXPECT_EQ(asked.size(), 1u);
    SaveHistoryAsText(korP, KORP_SAVE_TEXT, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(asked.size(), 1u);  // the commit event only

    const std::string old_text = "kept\n";
    WriteWholeFile(folder_.file("old.txt"), old_text);
    file_answer = folder_.file("old.txt");
    confirm_answer = 0;
    asked.clear();
    Save();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, POPUP_CONFIRM);
    EXPECT_EQ(asked[1].title, "Export history");
    EXPECT_EQ(asked[1].message, "The file exists already. Replace it?");
    EXPECT_EQ(ReadWholeFile(folder_.file("old.txt")), old_text);

    confirm_answer = 1;
    Save();
    EXPECT_EQ(ReadWholeFile(folder_.file("old.txt")).substr(0, 13), "Rel. pressure");
}

TEST_F(SaveAsText, FailuresAreReportedAndLeaveNoTextFile) {
    // No history file: nothing is made where the user pointed.
    file_answer = folder_.file("a.txt");
    Save();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, POPUP_MESSAGE);
    EXPECT_EQ(asked[1].title, "Export history");
    EXPECT_EQ(asked[1].message, "The history file cannot be opened.");
    EXPECT_FALSE(Exists(folder_.file("a.txt")));

    // A folder that does not exist.
    const std::string history = FileOf({DataSet(1165500300u)});
    WriteWholeFile(history_, history);
    file_answer = folder_.file("missing/a.txt");
    asked.clear();
    Save();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].message, "The text file cannot be created.");

    // The history file itself chosen as the target, by another spelling.
    file_answer = folder_.path() + "/./history.dat";
    confirm_answer = 1;
    asked.clear();
    Save();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].message, "The text file cannot be created.");
    EXPECT_EQ(ReadWholeFile(history_), history);

    // A damaged history file: the half-written text does not stay behind.
    const std::string damaged = FileOf({DataSet(1165500300u)}, false);
    WriteWholeFile(history_, damaged);
    file_answer = folder_.file("b.txt");
    asked.clear();
    Save();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[1].message.find("could not be exported completely"), std::string::npos);
    EXPECT_FALSE(Exists(folder_.file("b.txt")));
    EXPECT_EQ(ReadWholeFile(history_), damaged);
}

}  // namespace
