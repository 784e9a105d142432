// Coding and decoding of language files.
#include <gtest/gtest.h>
#include <string>

#include "exchange/code_decode.h"
#include "support/temp_folder.h"

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes + "\xff\xff plain text after 0xFF\n";
}

TEST(CodeDecode, CodingTwiceGivesTheFileBack) {
    TempFolder dir;
    const std::string plain = AllBytes();
    WriteWholeFile(dir.file("plain.lwl"), plain);
    EXPECT_EQ(CodeDecodeFile(dir.file("coded.lwl").c_str(), dir.file("plain.lwl").c_str()), 0);
    const std::string coded = ReadWholeFile(dir.file("coded.lwl"));
    ASSERT_EQ(coded.size(), plain.size());  // 0xFF is data, not the end
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(coded[i]),
                  static_cast<unsigned char>(plain[i]) ^ 0xA5u) << i;
    EXPECT_EQ(CodeDecodeFile(dir.file("back.lwl").c_str(), dir.file("coded.lwl").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("back.lwl")), plain);
    // In place: the file is replaced only once it is complete.
    EXPECT_EQ(CodeDecodeFile(dir.file("coded.lwl").c_str(), dir.file("coded.lwl").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("coded.lwl")), plain);
}

TEST(CodeDecode, EmptyAndFailingFiles) {
    TempFolder dir;
    WriteWholeFile(dir.file("empty.lwl"), "");
    WriteWholeFile(dir.file("target.lwl"), "old");
    EXPECT_EQ(CodeDecodeFile(dir.file("target.lwl").c_str(), dir.file("empty.lwl").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("target.lwl")), "");
    EXPECT_EQ(CodeDecodeFile(dir.file("t.lwl").c_str(), dir.file("missing.lwl").c_str()), -1);
    EXPECT_EQ(CodeDecodeFile(dir.file("no/such/t.lwl").c_str(), dir.file("empty.lwl").c_str()),
              -1);
    // A source that cannot be read as a file (a folder) leaves the target as it was.
    WriteWholeFile(dir.file("keep.lwl"), "keep");
    EXPECT_EQ(CodeDecodeFile(dir.file("keep.lwl").c_str(), dir.path().c_str()), -2);
    EXPECT_EQ(ReadWholeFile(dir.file("keep.lwl")), "keep");
}

}  // namespace
