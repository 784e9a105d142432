// currdat.lst: the start-up text, refreshes of fresh and stale groups, and the timer's
// interval.
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "exchange/current_data.h"
#include "support/temp_folder.h"

namespace {

constexpr uint32_t kStart = 741476948;  // Wed Jun 30 21:49:08 1993 GMT

const char *const kStartUpText =
    "[header]\r\n"
    "programm_name = clear horizon\r\n"
    "programm_version = Ver. 2.0 beta release\r\n"
    "file_name = currdat.lst\r\n"
    "file_format_version = ver. 1.0\r\n"
    "\r\n"
    "[time]\r\n"
    "start = 741476948\r\n"
    "start_date_string = Wed Jun 30 21:49:08 1993\r\n"
    "last_actualisation = 741476948\r\n"
    "last_actualisation_date_string = Wed Jun 30 21:49:08 1993\r\n"
    "next_actualisation = 741476963\r\n"
    "next_actualisation_date_string = Wed Jun 30 21:49:23 1993\r\n"
    "\r\n"
    "[weather_picture]\r\n"
    "comment = -1=not valid, 0=rain, 1=cloud, 2=sun\r\n"
    "number = -1\r\n"
    "\r\n"
    "[weather_tendency]\r\n"
    "comment_1 = -1=not valid,            0=no change of air pressure\r\n"
    "comment_2 =  1=air pressure rising,  2=air pressure falling\r\n"
    "number = -1\r\n"
    "\r\n"
    "[indoor_temperature]\r\n"
    "deg_C = --.-\r\n"
    "deg_F = ---.-\r\n"
    "\r\n"
    "[outdoor_temperature]\r\n"
    "deg_C = --.-\r\n"
    "deg_F = ---.-\r\n"
    "\r\n"
    "[indoor_humidity]\r\n"
    "percent = --\r\n"
    "\r\n"
    "[outdoor_humidity]\r\n"
    "percent = --\r\n"
    "\r\n"
    "[dewpoint]\r\n"
    "deg_C = --.-\r\n"
    "deg_F = ---.-\r\n"
    "\r\n"
    "[windchill]\r\n"
    "deg_C = --.-\r\n"
    "deg_F = ---.-\r\n"
    "\r\n"
    "[wind_speed]\r\n"
    "mps = --.-\r\n"
    "kmh = ---.-\r\n"
    "mph = ---.-\r\n"
    "knt = ---.-\r\n"
    "bft = --\r\n"
    "\r\n"
    "[wind_direction]\r\n"
    "deg = ---.-\r\n"
    "name = ---\r\n"
    "\r\n"
    "[rain_total]\r\n"
    "mm = ----.-\r\n"
    "inch = ---.--\r\n"
    "\r\n"
    "[rain_24h]\r\n"
    "mm = ---.-\r\n"
    "inch = --.--\r\n"
    "\r\n"
    "[rain_1h]\r\n"
    "mm = ---.-\r\n"
    "inch = --.--\r\n"
    "\r\n"
    "[pressure_absolute]\r\n"
    "hpa = ----.-\r\n"
    "inhg = ---.--\r\n"
    "\r\n"
    "[pressure_relative]\r\n"
    "hpa = ----.-\r\n"
    "inhg = ---.--\r\n"
    "\r\n"
    "[storm_alarm]\r\n"
    "comment = -1=not valid, 0=storm alarm not activ, 1=storm alarm activ\r\n"
    "number = 0\r\n"
    "\r\n";

// The lines of one section, as written.
std::string SectionText(IniText list, const std::string &section) {
    const std::string text = Ini_ToText(list);
    const size_t start = text.find("[" + section + "]\r\n");
    if (start == std::string::npos) return "";
    const size_t body = start + section.size() + 4;
    return text.substr(body, text.find("\r\n\r\n", body) + 2 - body);
}

class CurrentData : public ::testing::Test {
protected:
    void SetUp() override {
        const char *tz = getenv("TZ");
        had_tz_ = tz != nullptr;
        if (had_tz_) old_tz_ = tz;
        setenv("TZ", "UTC0", 1);
        tzset();
        setup.decimal_comma = 0;
        memset(&UI_data, 0, sizeof UI_data);
        list_ = Ini_New(0);
        InitCurrentDataListAt(list_, kStart);
    }
    void TearDown() override {
        Ini_Dispose(list_);
        had_tz_ ? setenv("TZ", old_tz_.c_str(), 1) : unsetenv("TZ");
        tzset();
        setup.decimal_comma = 0;
    }
    // Every group fresh with ordinary readings.
    static void AllFresh() {
        for (TempGroup *g : {&UI_data.indoor_temp, &UI_data.outdoor_temp, &UI_data.dewpoint,
                             &UI_data.windchill, &UI_data.indoor_hum, &UI_data.outdoor_hum})
            g->live_timer = 180;
        UI_data.indoor_temp.current = 22.57f;
        UI_data.outdoor_temp.current = -3.27f;
        UI_data.dewpoint.current = 1.0f;
        UI_data.windchill.current = -5.0f;
        UI_data.indoor_hum.current = 45.0f;
        UI_data.outdoor_hum.current = 110.0f;
        UI_data.wind.live_timer = 180;
        UI_data.wind.current = 10.0f;
        UI_data.wind.direction = 3;
        UI_data.rain.live_timer = 180;
        UI_data.rain.total.value = 1234.56f;
        UI_data.rain.rain_24h = 12.6f;
        UI_data.rain.rain_1h = 0.5f;
        UI_data.pressure.live_timer = 180;
        UI_data.pressure.current = 1013.25f;
        UI_data.pressure.rel_offset = 10.0f;
        UI_data.pressure.weather = 2;
        UI_data.pressure.trend = 1;
        UI_data.alarm_state.live_timer = 10;
        UI_data.alarm_state.flag[1] = 1;
    }
    TempFolder dir_;
    IniText list_ = nullptr;
    bool had_tz_ = false;
    std::string old_tz_;
};

TEST_F(CurrentData, StartUpFileIsTheTableExactly) {
    EXPECT_EQ(SaveCurrentDataList(list_), 0);
    EXPECT_EQ(ReadWholeFile(dir_.file("currdat.lst")), kStartUpText);
}

TEST_F(CurrentData, FreshValuesInEveryUnitWithADecimalPoint) {
    AllFresh();
    setup.decimal_comma = 1;  // the display's choice never reaches the file
    EXPECT_EQ(RefreshCurrentDataListAt(list_, kStart + 15), 60);
    EXPECT_EQ(SectionText(list_, "indoor_temperature"), "deg_C = 22.5\r\ndeg_F = 72.6\r\n");
    EXPECT_EQ(SectionText(list_, "outdoor_temperature"), "deg_C = -3.2\r\ndeg_F = 26.1\r\n");
    EXPECT_EQ(SectionText(list_, "indoor_humidity"), "percent = 45\r\n");
    EXPECT_EQ(SectionText(list_, "outdoor_humidity"), "percent = ---\r\n");
    EXPECT_EQ(SectionText(list_, "wind_speed"),
              "mps = 10.0\r\nkmh = 36.0\r\nmph = 22.3\r\nknt = 19.4\r\nbft =  5\r\n");
    EXPECT_EQ(SectionText(list_, "wind_direction"), "deg = 67.5\r\nname = ENE\r\n");
    EXPECT_EQ(SectionText(list_, "rain_total"), "mm = 1234.5\r\ninch = 48.60\r\n");
    EXPECT_EQ(SectionText(list_, "rain_24h"), "mm = 12.6\r\ninch = 0.49\r\n");
    EXPECT_EQ(SectionText(list_, "rain_1h"), "mm = 0.5\r\ninch = 0.01\r\n");
    EXPECT_EQ(SectionText(list_, "pressure_absolute"), "hpa = 1013.2\r\ninHg = 29.92\r\n");
    EXPECT_EQ(SectionText(list_, "pressure_relative"), "hpa = 1023.2\r\ninHg = 30.21\r\n");
    EXPECT_EQ(SectionText(list_, "weather_picture"),
              "comment = -1=not valid, 0=rain, 1=cloud, 2=sun\r\nnumber = 2\r\n");
    const std::string tendency = SectionText(list_, "weather_tendency");
    EXPECT_EQ(tendency.substr(tendency.size() - 12), "number = 1\r\n");
    EXPECT_NE(SectionText(list_, "storm_alarm").find("number = 1\r\n"), std::string::npos);
    EXPECT_EQ(SectionText(list_, "time"),
              "start = 741476948\r\nstart_date_string = Wed Jun 30 21:49:08 1993\r\n"
              "last_actualisation = 741476963\r\n"
              "last_actualisation_date_string = Wed Jun 30 21:49:23 1993\r\n"
              "next_actualisation = 741477023\r\n"
              "next_actualisation_date_string = Wed Jun 30 21:50:23 1993\r\n");
}

TEST_F(CurrentData, StaleGroupsGetTheirPlaceholdersBack) {
    AllFresh();
    RefreshCurrentDataListAt(list_, kStart);
    UI_data.rain.live_timer = 0;
    EXPECT_EQ(RefreshCurrentDataListAt(list_, kStart + 60), 15);
    EXPECT_EQ(SectionText(list_, "rain_total"), "mm = ----.-\r\ninch = ---.--\r\n");
    EXPECT_EQ(SectionText(list_, "rain_1h"), "mm = ---.-\r\ninch = --.--\r\n");
    EXPECT_NE(Ini_ToText(list_).find("next_actualisation = 741477023\r\n"), std::string::npos);

    memset(&UI_data, 0, sizeof UI_data);
    EXPECT_EQ(RefreshCurrentDataListAt(list_, kStart + 75), 15);
    const std::string text = Ini_ToText(list_);
    // The start-up text again, apart from the refresh times, the storm alarm (-1 when its
    // group is stale) and the pressure keys, which keep their place but take back their
    // start-up case.
    std::string expected = kStartUpText;
    expected.replace(expected.find("number = 0"), 10, "number = -1");
    const std::string last = "last_actualisation = 741476948\r\n"
                             "last_actualisation_date_string = Wed Jun 30 21:49:08 1993\r\n"
                             "next_actualisation = 741476963\r\n"
                             "next_actualisation_date_string = Wed Jun 30 21:49:23 1993";
    expected.replace(expected.find(last), last.size(),
                     "last_actualisation = 741477023\r\n"
                     "last_actualisation_date_string = Wed Jun 30 21:50:23 1993\r\n"
                     "next_actualisation = 741477038\r\n"
                     "next_actualisation_date_string = Wed Jun 30 21:50:38 1993");
    EXPECT_EQ(text, expected);
}

TEST_F(CurrentData, WindMarkersAndBeaufort) {
    AllFresh();
    UI_data.wind.current = 51.1f;  // the console's overflow flag
    RefreshCurrentDataListAt(list_, kStart);
    EXPECT_EQ(SectionText(list_, "wind_speed"),
              "mps = OFL\r\nkmh = OFL\r\nmph = OFL\r\nknt = OFL\r\nbft = 12\r\n");
    EXPECT_EQ(SectionText(list_, "wind_direction"), "deg = 67.5\r\nname = ENE\r\n");

    UI_data.wind.current = 51.0f;  // the console's error flag
    RefreshCurrentDataListAt(list_, kStart);
    EXPECT_EQ(SectionText(list_, "wind_speed"),
              "mps = ---\r\nkmh = ---\r\nmph = ---\r\nknt = ---\r\nbft = --\r\n");
    EXPECT_EQ(SectionText(list_, "wind_direction"), "deg = ---.-\r\nname = ---\r\n");

    UI_data.wind.current = 0.5f;
    UI_data.wind.direction = 16;  // no direction
    RefreshCurrentDataListAt(list_, kStart);
    EXPECT_NE(SectionText(list_, "wind_speed").find("bft =  0\r\n"), std::string::npos);
    EXPECT_EQ(SectionText(list_, "wind_direction"), "deg = ---.-\r\nname = ---\r\n");

    UI_data.wind.current = 0.514f;  // just above a force's lower bound stays below it
    RefreshCurrentDataListAt(list_, kStart);
    EXPECT_NE(SectionText(list_, "wind_speed").find("bft =  0\r\n"), std::string::npos);
    UI_data.wind.current = 27.8f;
    RefreshCurrentDataListAt(list_, kStart);
    EXPECT_NE(SectionText(list_, "wind_speed").find("kmh = 100\r\n"), std::string::npos);
    EXPECT_NE(SectionText(list_, "wind_speed").find("bft = 10\r\n"), std::string::npos);
}

TEST(DirectionForList, FixedNamesAndBearings) {
    char name[DIRECTION_NAME_SIZE], degrees[DIRECTION_DEGREES_SIZE];
    const std::pair<int, const char *> cases[][2] = {
        {{0, "N"}, {0, "0.0"}},       {{1, "NNE"}, {1, "22.5"}}, {{8, "S"}, {8, "180.0"}},
        {{15, "NNW"}, {15, "337.5"}}, {{16, "---"}, {16, "---.-"}}, {{-1, "---"}, {-1, "---.-"}},
    };
    for (const auto &c : cases) {
        GetDirectionStringForList(c[0].first, name, degrees);
        EXPECT_STREQ(name, c[0].second);
        EXPECT_STREQ(degrees, c[1].second);
    }
    GetDirectionStringForList(3, nullptr, degrees);
    EXPECT_STREQ(degrees, "67.5");
}

TEST_F(CurrentData, RefreshOfTheFileWritesWhatTheTimerNeeds) {
    EXPECT_EQ(RefreshCurrentDataFile(list_), 15);
    const std::string text = ReadWholeFile(dir_.file("currdat.lst"));
    EXPECT_EQ(text, Ini_ToText(list_));
    EXPECT_EQ(text.substr(0, 10), "[header]\r\n");
}

}  // namespace
