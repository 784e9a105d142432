// The sectioned-text list behind the exchange files.
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>

#include "platform/ini_text.h"
#include "support/temp_folder.h"

namespace {

TEST(IniText, OrderFirstPutCaseInsensitiveReplaceInPlace) {
    IniText list = Ini_New(0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Ini_PutRawString(list, "b", "one", "1"), 0);
    EXPECT_EQ(Ini_PutRawString(list, "a", "x", " leading blank kept"), 0);
    EXPECT_EQ(Ini_PutRawString(list, "b", "two", "2"), 0);
    EXPECT_EQ(Ini_PutRawString(list, "B", "ONE", "first again"), 0);  // same section, same key
    EXPECT_EQ(Ini_PutInt(list, "a", "neg", -1), 0);
    EXPECT_EQ(Ini_PutUInt(list, "a", "big", 4294967295u), 0);
    EXPECT_EQ(Ini_ToText(list),
              "[b]\r\nONE = first again\r\ntwo = 2\r\n\r\n"
              "[a]\r\nx =  leading blank kept\r\nneg = -1\r\nbig = 4294967295\r\n\r\n");
    Ini_Dispose(list);
}

TEST(IniText, RefusesTextsThatWouldBreakTheLines) {
    IniText list = Ini_New(0);
    EXPECT_EQ(Ini_PutRawString(list, "s", "k", "two\r\nlines"), -2);
    EXPECT_EQ(Ini_PutRawString(list, "s]", "k", "v"), -2);
    EXPECT_EQ(Ini_PutRawString(list, "s", "k=", "v"), -2);
    EXPECT_EQ(Ini_PutRawString(list, "s", "", "v"), -2);
    EXPECT_EQ(Ini_PutRawString(list, "s", "k", nullptr), -1);
    EXPECT_EQ(Ini_PutRawString(nullptr, "s", "k", "v"), -1);
    EXPECT_EQ(Ini_ToText(list), "");
    Ini_Dispose(list);
    Ini_Dispose(nullptr);
}

TEST(IniText, SortedListsWriteNamesInOrder) {
    IniText list = Ini_New(1);
    Ini_PutRawString(list, "zeta", "b", "1");
    Ini_PutRawString(list, "Alpha", "B", "2");
    Ini_PutRawString(list, "Alpha", "a", "3");
    EXPECT_EQ(Ini_ToText(list), "[Alpha]\r\na = 3\r\nB = 2\r\n\r\n[zeta]\r\nb = 1\r\n\r\n");
    Ini_Dispose(list);
}

TEST(IniText, WriteReplacesTheFileWhole) {
    TempFolder dir;
    IniText list = Ini_New(0);
    Ini_PutRawString(list, "s", "k", "v");
    WriteWholeFile(dir.file("out.lst"), std::string(10000, 'x'));
    EXPECT_EQ(Ini_WriteToFile(list, dir.file("out.lst").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("out.lst")), "[s]\r\nk = v\r\n\r\n");
    int entries = 0;
    DIR *d = opendir(dir.path().c_str());
    while (const dirent *e = readdir(d)) entries += e->d_name[0] != '.';
    closedir(d);
    EXPECT_EQ(entries, 1);  // no temporary file left behind
    EXPECT_LT(Ini_WriteToFile(list, dir.file("missing/out.lst").c_str()), 0);
    EXPECT_EQ(Ini_WriteToFile(nullptr, dir.file("out.lst").c_str()), -1);
    Ini_Dispose(list);
}

}  // namespace
