#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <string>

#include "windows/KOR.h"
#include "windows/language_file.h"
#include "platform/files.h"
#include "support/temp_folder.h"

namespace {

using Texts = std::map<int, std::string>;

void Collect(int control, const char *text, void *context) {
    (*static_cast<Texts *>(context))[control] = text;
}

Texts Read(const std::string &content, LanguageStats *stats, int *result = nullptr) {
    TempFolder dir;
    WriteWholeFile(dir.file("x.lwl"), content);
    Texts texts;
    const int r = ReadLanguageFile(dir.file("x.lwl").c_str(), Collect, &texts, stats);
    if (result != nullptr) *result = r;
    return texts;
}

// The resources are copied beside the test programs.
std::string ResourceFile(const char *name) {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/" + name;
}

TEST(LanguageFile, EntriesQuotesEscapesAndComments) {
    LanguageStats stats;
    const Texts t = Read("# comment\n\n"
                         "TXTP_ERROR_TITLE =   Fehler  \r\n"
                         "TXTP_COMPORT_REMEDY_OTHER = \" is busy. \"\n"
                         "TXTP_CLR_PROMPT_MINMAX = first\\nsecond \\\\ \\\"q\\\"\n"
                         "TXTP_INFO_COUNT=data sets",
                         &stats);
    EXPECT_EQ(t.at(TXTP_ERROR_TITLE), "Fehler");
    EXPECT_EQ(t.at(TXTP_COMPORT_REMEDY_OTHER), " is busy. ");
    EXPECT_EQ(t.at(TXTP_CLR_PROMPT_MINMAX), "first\nsecond \\ \"q\"");
    EXPECT_EQ(t.at(TXTP_INFO_COUNT), "data sets");  // last line without a line break
    EXPECT_EQ(stats.applied, 4);
    EXPECT_EQ(stats.unknown + stats.cut + stats.malformed, 0);
}

TEST(LanguageFile, UnknownMalformedAndOverlongEntriesAreHarmless) {
    LanguageStats stats;
    std::string file = "NO_SUCH_TEXT = x\nno equals sign here\n= nameless\n";
    file += "TXTP_TIP_KORP_QUIT = " + std::string(500, 'a') + "\n";
    // A tooltip cut at its limit must not end in half a UTF-8 letter ("ä" is 2 bytes).
    file += "TXTP_TIP_KORP_SETTINGS = " + std::string(99, 'b') + "\xC3\xA4" + "rest\n";
    file += "TXTP_ERROR_TITLE = " + std::string(kLanguageLineMax * 3, 'z') + "\n";
    file += "TXTP_INFO_FILE = after the long line\n";
    const Texts t = Read(file, &stats);
    EXPECT_EQ(t.count(TXTP_ERROR_TITLE), 0u);  // the overlong line is skipped whole
    EXPECT_EQ(t.at(TXTP_INFO_FILE), "after the long line");
    EXPECT_EQ(t.at(TXTP_TIP_KORP_QUIT), std::string(100, 'a'));
    EXPECT_EQ(t.at(TXTP_TIP_KORP_SETTINGS), std::string(99, 'b'));
    EXPECT_EQ(stats.unknown, 2);  // NO_SUCH_TEXT and the empty name
    EXPECT_EQ(stats.malformed, 2);
    EXPECT_EQ(stats.cut, 2);
}

TEST(LanguageFile, MissingFileFails) {
    LanguageStats stats;
    Texts texts;
    EXPECT_EQ(ReadLanguageFile("/nonexistent/deutsch.lwl", Collect, &texts, &stats), -1);
    EXPECT_TRUE(texts.empty());
}

TEST(LanguageFile, AByteOrderMarkIsSkippedAndANulByteSpoilsOnlyItsOwnLine) {
    LanguageStats stats;
    const Texts t = Read("\xEF\xBB\xBFTXTP_ERROR_TITLE = Fehler\n" +
                             std::string("TXTP_INFO_FILE = da\0nn\n", 23) +
                             "TXTP_INFO_COUNT = Datens\xC3\xA4tze\n",
                         &stats);
    EXPECT_EQ(t.at(TXTP_ERROR_TITLE), "Fehler");
    EXPECT_EQ(t.count(TXTP_INFO_FILE), 0u);
    EXPECT_EQ(t.at(TXTP_INFO_COUNT), "Datens\xC3\xA4tze");
    EXPECT_EQ(stats.applied, 2);
    EXPECT_EQ(stats.malformed, 1);
}

// Both shipped languages name every text once, and nothing else.
TEST(LanguageFile, ShippedLanguagesAreComplete) {
    int count = 0;
    const LanguageText *all = LanguageTexts(&count);
    for (const char *name : {"english.lwl", "deutsch.lwl"}) {
        Texts texts;
        LanguageStats stats;
        ASSERT_EQ(ReadLanguageFile(ResourceFile(name).c_str(), Collect, &texts, &stats), 0) << name;
        EXPECT_EQ(stats.unknown + stats.cut + stats.malformed, 0) << name;
        EXPECT_EQ(stats.applied, count) << name;
        for (int i = 0; i < count; ++i)
            EXPECT_FALSE(texts[all[i].control].empty()) << name << " " << all[i].name;
    }
}

}  // namespace
