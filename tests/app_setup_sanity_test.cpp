#include <cstring>
#include <gtest/gtest.h>
#include <random>

#include "records/setup_record.h"
#include "records/setup_sanity.h"

namespace {

SetupRecord Defaults() {
    SetupRecord r;
    memset(&r, 0, sizeof r);
    SetSetupToDefault(&r);
    return r;
}

TEST(SetupSanity, ValidRecordIsLeftAlone) {
    SetupRecord r = Defaults();
    r.units.wind_unit = 4;  // Beaufort is a valid choice
    r.com_port = 12;
    r.time_24h = 1;
    const SetupRecord before = r;
    EXPECT_EQ(SanitiseSetup(&r), 0);
    EXPECT_EQ(memcmp(&r, &before, sizeof r), 0);
}

TEST(SetupSanity, OutOfRangeFieldsTakeTheirDefaults) {
    const SetupRecord d = Defaults();
    SetupRecord r = d;
    r.units.pressure_unit = 2;
    r.units.wind_unit = -1;
    r.units.temperature_unit = 7;
    r.units.humidity_unit = 1;
    r.units.rain_unit = 1 << 30;
    r.com_port = 0;
    r.tooltips_enabled = 2;  // only 1 shows tooltips
    r.decimal_comma = -5;    // nonzero means comma
    r.absolute_pressure = 9;
    r.time_24h = 3;
    EXPECT_EQ(SanitiseSetup(&r), 10);
    EXPECT_EQ(r.units.pressure_unit, d.units.pressure_unit);
    EXPECT_EQ(r.units.wind_unit, d.units.wind_unit);
    EXPECT_EQ(r.units.temperature_unit, d.units.temperature_unit);
    EXPECT_EQ(r.units.humidity_unit, 0);
    EXPECT_EQ(r.units.rain_unit, d.units.rain_unit);
    EXPECT_EQ(r.com_port, 1);
    EXPECT_EQ(r.tooltips_enabled, 0);
    EXPECT_EQ(r.decimal_comma, 1);
    EXPECT_EQ(r.absolute_pressure, 1);
    EXPECT_EQ(r.time_24h, 1);
    r.com_port = -3;
    SanitiseSetup(&r);
    EXPECT_EQ(r.com_port, 1);
    r.com_port = kHighestComPort + 1;
    SanitiseSetup(&r);
    EXPECT_EQ(r.com_port, 1);
}

TEST(SetupSanity, StringsWithoutTheirEndAreCutAndEmptyNamesDefaulted) {
    const SetupRecord d = Defaults();
    SetupRecord r = d;
    memset(r.language_file, 'x', sizeof r.language_file);
    memset(r.history_file, 0, sizeof r.history_file);
    EXPECT_EQ(SanitiseSetup(&r), 2);
    EXPECT_EQ(strlen(r.language_file), sizeof r.language_file - 1);
    EXPECT_STREQ(r.history_file, d.history_file);
}

// Random bytes as the file may hold them: every field is usable afterwards.
TEST(SetupSanity, RandomRecordsBecomeUsable) {
    std::mt19937 rng(568);
    for (int round = 0; round < 200; ++round) {
        SetupRecord r;
        auto *bytes = reinterpret_cast<unsigned char *>(&r);
        for (size_t i = 0; i < sizeof r; ++i) bytes[i] = static_cast<unsigned char>(rng());
        SanitiseSetup(&r);
        EXPECT_NE(memchr(r.language_file, '\0', sizeof r.language_file), nullptr);
        EXPECT_NE(memchr(r.history_file, '\0', sizeof r.history_file), nullptr);
        EXPECT_GT(strlen(r.language_file), 0u);
        EXPECT_TRUE(r.units.pressure_unit == 0 || r.units.pressure_unit == 1);
        EXPECT_TRUE(r.units.wind_unit >= 0 && r.units.wind_unit <= 4);
        EXPECT_TRUE(r.units.temperature_unit == 0 || r.units.temperature_unit == 1);
        EXPECT_EQ(r.units.humidity_unit, 0);
        EXPECT_TRUE(r.units.rain_unit == 0 || r.units.rain_unit == 1);
        EXPECT_TRUE(r.com_port >= 1 && r.com_port <= kHighestComPort);
        for (int32_t v : {r.tooltips_enabled, r.absolute_pressure, r.time_24h, r.decimal_comma})
            EXPECT_TRUE(v == 0 || v == 1);
        EXPECT_EQ(SanitiseSetup(&r), 0);  // a second pass finds nothing
    }
}

}  // namespace
