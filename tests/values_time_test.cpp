// Time zones, console time, date/time texts, min/max texts, dewpoint and windchill.
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "values/derived.h"
#include "values/time_scales.h"
#include "values/time_texts.h"

namespace {

constexpr const char *kGmtPlusOne = "<+01>-1";
constexpr const char *kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// Calendar seconds of a GMT wall-clock time.
time_t Gmt(int year, int month, int day, int hour, int minute) {
    struct tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    return timegm(&fields);
}

class Zone : public ::testing::Test {
protected:
    void SetUp() override {
        const char *tz = getenv("TZ");
        had_tz_ = tz != nullptr;
        if (had_tz_) old_tz_ = tz;
    }
    void TearDown() override {
        if (had_tz_)
            setenv("TZ", old_tz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void Use(const char *tz) {
        setenv("TZ", tz, 1);
        tzset();
    }

private:
    bool had_tz_ = false;
    std::string old_tz_;
};

TEST_F(Zone, LocalToGmtDifferenceIgnoresDaylightSavingAndDateChange) {
    Use(kGmtPlusOne);
    // 00:30 local is 23:30 GMT of the day before, also across a year's end.
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2024, 3, 9, 23, 30)), 3600);
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2023, 12, 31, 23, 30)), 3600);
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2024, 3, 10, 12, 0)), 3600);
    EXPECT_EQ(GetLocalToGMTTimeDifference(), 3600);
    EXPECT_DOUBLE_EQ(GetGMT_TZDiff(), -3600.0);

    Use(kCentralEurope);
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2024, 7, 1, 22, 30)), 3600);  // 00:30 CEST
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2024, 1, 15, 23, 30)), 3600);
    EXPECT_EQ(GetLocalToGMTTimeDifference(), 3600);

    Use("<-05>5");  // west of Greenwich: 23:30 local is 04:30 GMT of the next day
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2024, 12, 31, 4, 30) + 86400), -18000);
    EXPECT_EQ(GetLocalToGMTTimeDifferenceAt(Gmt(2025, 1, 1, 4, 30)), -18000);
}

TEST_F(Zone, LocalCountsShiftByTheStandardDifference) {
    Use(kCentralEurope);
    uint32_t t = static_cast<uint32_t>(Gmt(2024, 7, 1, 12, 0));
    const uint32_t gmt = t;
    GMTToLocalTime(&t);
    EXPECT_EQ(t, gmt + 3600);
    LocalToGMTTime(&t);
    EXPECT_EQ(t, gmt);

    Use(kGmtPlusOne);
    struct tm fields{};
    fields.tm_year = 124;
    fields.tm_mon = 2;
    fields.tm_mday = 10;
    fields.tm_hour = 8;
    fields.tm_min = 15;
    fields.tm_isdst = -1;
    uint32_t local = 0;
    EXPECT_EQ(MakeLocalTime(&local, &fields), 0);
    EXPECT_EQ(local, static_cast<uint32_t>(Gmt(2024, 3, 10, 8, 15)));  // gmtime shows 08:15

    uint32_t now_local = 0;
    const uint32_t before = static_cast<uint32_t>(time(nullptr));
    GetCurrentLocalTime(&now_local);
    EXPECT_GE(now_local, before + 3600);
    EXPECT_LE(now_local, before + 3602);
}

TEST_F(Zone, HistoryStampsShowStandardTime) {
    Use(kCentralEurope);
    struct tm *fields = nullptr;
    const uint32_t summer = static_cast<uint32_t>(Gmt(2024, 7, 1, 12, 0));  // 14:00 CEST
    SerToKORTime(&fields, &summer);
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->tm_hour, 13);
    const uint32_t winter = static_cast<uint32_t>(Gmt(2024, 1, 15, 12, 0));
    SerToKORTime(&fields, &winter);
    EXPECT_EQ(fields->tm_hour, 13);
    EXPECT_EQ(fields->tm_mday, 15);
}

TEST(ConsoleTime, OffsetIsCutToWholeSecondsAndSignDecidesTheDirection) {
    uint32_t t = 100000;
    float offset = -3600.4f;
    GMTToKORTime(&t, &offset);
    EXPECT_EQ(t, 103600u);
    KORToGMTTime(&t, &offset);
    EXPECT_EQ(t, 100000u);
    offset = 7200.0f;
    GMTToKORTime(&t, &offset);
    EXPECT_EQ(t, 92800u);
    KORToGMTTime(&t, &offset);
    EXPECT_EQ(t, 100000u);
    offset = NAN;  // a broken offset leaves the count alone
    GMTToKORTime(&t, &offset);
    EXPECT_EQ(t, 100000u);
}

TEST_F(Zone, ConsoleClockFieldsFollowTheRecordsOffset) {
    Use("UTC0");
    KORData record{};
    record.clock_offset = 3600.0f;  // console one hour behind GMT
    const time_t before = time(nullptr) - 3600;
    const struct tm got = *CalculateKORTimeDate(&record);
    const time_t after = time(nullptr) - 3600;
    struct tm copy = got;
    const time_t shown = timegm(&copy);
    EXPECT_GE(shown, before);
    EXPECT_LE(shown, after);
}

TEST(TimeDateText, TwentyFourHourDayFirst) {
    setup.time_24h = 1;
    const int32_t stamp[9] = {33, 5, 14, 7, 11, 106, 0, 0, 0};
    char both[TIME_DATE_TEXT_SIZE], date[TIME_DATE_TEXT_SIZE], time[TIME_DATE_TEXT_SIZE];
    EXPECT_EQ(GetTimeDateString(stamp, both, date, time), 0);
    EXPECT_STREQ(both, "07.12.06 14:05");
    EXPECT_STREQ(date, "07.12.06");
    EXPECT_STREQ(time, "14:05");
    EXPECT_EQ(GetTimeDateString(stamp, nullptr, date, nullptr), 0);
}

TEST(TimeDateText, TwelveHourYearFirst) {
    setup.time_24h = 0;
    struct Case { int hour, minute; const char *text; };
    const Case cases[] = {{0, 5, "12:05 AM"},  {11, 59, "11:59 AM"}, {12, 0, "12:00 PM"},
                          {14, 5, "02:05 PM"}, {23, 0, "11:00 PM"}};
    for (const Case &c : cases) {
        const int32_t stamp[6] = {0, c.minute, c.hour, 7, 11, 106};
        char both[TIME_DATE_TEXT_SIZE], date[TIME_DATE_TEXT_SIZE], time[TIME_DATE_TEXT_SIZE];
        GetTimeDateString(stamp, both, date, time);
        EXPECT_STREQ(time, c.text);
        EXPECT_STREQ(date, "06.12.07");
        EXPECT_EQ(std::string(both), std::string("06.12.07 ") + c.text);
    }
}

class MinMax : public ::testing::Test {
protected:
    void SetUp() override {
        setup.time_24h = 1;
        setup.decimal_comma = 0;
        setup.units = UnitsRecord{0, 0, 0, 0, 0};
        UI_data.pressure.rel_offset = 0.0f;
    }
};

TEST_F(MinMax, ValuesLabelsStampsAndBoth) {
    const float min = 18.57f, max = 25.0f;
    const int32_t min_stamp[6] = {0, 5, 14, 7, 11, 106};
    const int32_t max_stamp[6] = {0, 30, 9, 8, 11, 106};
    const MinMaxTexts *t = GetMinMaxText(4, &min, min_stamp, &max, max_stamp);
    EXPECT_STREQ(t->min_value, "18.5 \u00B0C ");
    EXPECT_STREQ(t->min_label, " min: 18.5 \u00B0C ");
    EXPECT_STREQ(t->max_label, " max: 25.0 \u00B0C ");
    EXPECT_STREQ(t->min_datetime, "07.12.06 14:05");
    EXPECT_STREQ(t->max_time_text, "09:30");
    EXPECT_STREQ(t->min_full, " min: 18.5 \u00B0C  07.12.06 14:05");
    EXPECT_STREQ(t->both, " min: 18.5 \u00B0C \n max: 25.0 \u00B0C ");
    EXPECT_STREQ(t->both_full,
                 " min: 18.5 \u00B0C  07.12.06 14:05\n max: 25.0 \u00B0C  08.12.06 09:30");
}

TEST_F(MinMax, MarkersMissingValuesAndKinds) {
    const float ok = 50.0f, missing = 110.0f;
    MinMaxTexts *t = GetMinMaxText(2, &missing, nullptr, &ok, nullptr);
    EXPECT_STREQ(t->min_label, "   min: ---  ");
    EXPECT_STREQ(t->min_value, "   ---  ");
    EXPECT_STREQ(t->max_value, "50 % ");
    // A minimum that is not given keeps the start text rather than the previous value.
    t = GetMinMaxText(2, nullptr, nullptr, &ok, nullptr);
    EXPECT_STREQ(t->min_label, "   min: ---  ");
    // Rain kinds have a maximum only.
    const float rain = 12.34f;
    t = GetMinMaxText(12, &rain, nullptr, &rain, nullptr);
    EXPECT_STREQ(t->min_label, "");
    EXPECT_STREQ(t->min_value, "");
    EXPECT_STREQ(t->max_label, " max: 12.3 mm ");
    t = GetMinMaxText(9, &ok, nullptr, &ok, nullptr);
    EXPECT_STREQ(t->max_label, "");
    EXPECT_STREQ(t->both, "\n");
    const float storm = 51.1f;
    t = GetMinMaxText(8, nullptr, nullptr, &storm, nullptr);
    EXPECT_STREQ(t->max_value, "   ---  ");
}

TEST(Derived, Dewpoint) {
    const float t = 20.0f;
    const uint16_t half = 50, full = 100;
    EXPECT_NEAR(CalculateDewpoint(&t, &half), 9.29f, 0.01f);
    EXPECT_NEAR(CalculateDewpoint(&t, &full), 20.0f, 0.05f);
    const float cold = -10.0f;
    EXPECT_LT(CalculateDewpoint(&cold, &half), -10.0f);
}

TEST(Derived, Windchill) {
    const float t10 = 10.0f, t33 = 33.0f, t34 = 34.0f;
    const float calm = 1.7f, edge = 1.8f, strong = 10.0f;
    EXPECT_EQ(CalculateWindchill(&t10, &calm), 10.0f);
    EXPECT_NEAR(CalculateWindchill(&t10, &strong), 0.46f, 0.01f);
    EXPECT_LT(CalculateWindchill(&t10, &edge), 10.0f);  // exactly 1.8 m/s takes the formula
    EXPECT_FLOAT_EQ(CalculateWindchill(&t33, &strong), 33.0f);
    EXPECT_EQ(CalculateWindchill(&t34, &strong), 34.0f);
}

}  // namespace
