#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "records/setup_record.h"
#include "support/temp_folder.h"

namespace {

std::string DefaultBytes() {
    SetupRecord r;
    memset(&r, 0, sizeof r);
    SetSetupToDefault(&r);
    return std::string(reinterpret_cast<const char *>(&r), sizeof r);
}

TEST(SetupRecord, DefaultsAreTheDocumentedChoices) {
    SetupRecord r;
    memset(&r, 0x55, sizeof r);
    SetSetupToDefault(&r);
    EXPECT_EQ(r.station_id, 2);
    EXPECT_EQ(r.tooltips_enabled, 1);
    EXPECT_EQ(r.absolute_pressure, 0);
    EXPECT_STREQ(r.language_file, "english.lwl");
    const std::string hist = r.history_file;
    EXPECT_EQ(hist.substr(hist.size() - 12), "/history.dat");
    EXPECT_EQ(r.time_24h, 0);
    EXPECT_EQ(r.decimal_comma, 0);
    EXPECT_EQ(r.units.pressure_unit, 1);
    EXPECT_EQ(r.units.wind_unit, 2);
    EXPECT_EQ(r.units.temperature_unit, 1);
    EXPECT_EQ(r.units.humidity_unit, 0);
    EXPECT_EQ(r.units.rain_unit, 1);
    EXPECT_EQ(r.com_port, 1);
    // Padding is not the defaults' business.
    EXPECT_EQ(r.padding[0], 0x55);
}

TEST(SetupRecord, MissingFileIsCreatedWithDefaults) {
    TempFolder dir;
    SetupRecord r;
    EXPECT_EQ(LoadSetup(&r), 1);
    const std::string bytes = ReadWholeFile(dir.file("Setup.cnf"));
    ASSERT_EQ(bytes.size(), 568u);
    EXPECT_EQ(bytes, DefaultBytes());
    EXPECT_EQ(bytes[1], 0);  // padding zero in a file made from defaults
}

TEST(SetupRecord, ShortFilesAreReplacedLongFilesUsedAndKept) {
    TempFolder dir;
    for (size_t size : {size_t{0}, size_t{567}}) {
        WriteWholeFile(dir.file("Setup.cnf"), std::string(size, '\x07'));
        SetupRecord r;
        EXPECT_EQ(LoadSetup(&r), 1);
        EXPECT_EQ(ReadWholeFile(dir.file("Setup.cnf")), DefaultBytes()) << size;
    }
    std::string longer = DefaultBytes();
    SetupRecord custom;
    memcpy(&custom, longer.data(), sizeof custom);
    custom.com_port = 7;
    custom.station_id = 1;
    longer.assign(reinterpret_cast<const char *>(&custom), sizeof custom);
    longer += std::string(32, 'x');
    WriteWholeFile(dir.file("Setup.cnf"), longer);
    SetupRecord r;
    EXPECT_EQ(LoadSetup(&r), 0);
    EXPECT_EQ(r.com_port, 7);
    EXPECT_EQ(r.station_id, 2);  // always 2 after loading, whatever the file held
    EXPECT_EQ(ReadWholeFile(dir.file("Setup.cnf")), longer);
}

TEST(SetupRecord, SaveWritesExactlyTheRecordAndReportsFailure) {
    TempFolder dir;
    SetupRecord r;
    memset(&r, 0, sizeof r);
    SetSetupToDefault(&r);
    r.units.wind_unit = 3;
    ASSERT_EQ(SaveSetup(&r), 0);
    const std::string bytes = ReadWholeFile(dir.file("Setup.cnf"));
    ASSERT_EQ(bytes.size(), sizeof r);
    EXPECT_EQ(memcmp(bytes.data(), &r, sizeof r), 0);
    struct stat st;
    ASSERT_EQ(stat("Setup.cnf", &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u);  // readable by others, like any file the user saves

    chmod(dir.path().c_str(), 0500);
    if (geteuid() != 0) {  // root writes anyway; the failure path needs a normal user
        EXPECT_EQ(SaveSetup(&r), -1);
        EXPECT_EQ(ReadWholeFile(dir.file("Setup.cnf")), bytes);
    }
    chmod(dir.path().c_str(), 0700);
}

}  // namespace
