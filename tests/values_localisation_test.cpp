// Conversions, cutting and the texts users see for measured values.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "values/conversions.h"
#include "values/localisation.h"

namespace {

struct Units {
    int pressure = 0, wind = 0, temperature = 0, humidity = 0, rain = 0;
    const int *block() const { return &pressure; }
};

// Localises with the given units (pressure, wind, temperature, humidity, rain).
LocalisedValue Show(int quantity, float value, int pressure = 0, int wind = 0,
                    int temperature = 0, int rain = 0) {
    const int units[5] = {pressure, wind, temperature, 0, rain};
    return *LocaliseMeasuredValues(quantity, units, &value);
}

class Localisation : public ::testing::Test {
protected:
    void SetUp() override {
        setup.decimal_comma = 0;
        UI_data.pressure.rel_offset = 0.0f;
    }
    void TearDown() override { setup.decimal_comma = 0; }
};

TEST(Truncation, CutsTowardsZeroWithoutRounding) {
    const float cases[][3] = {
        {1, 22.57f, 22.5f}, {1, -3.27f, -3.2f}, {1, 0.7f, 0.7f}, {2, 29.9212f, 29.92f},
        {0, 100.08f, 100.0f}, {0, -0.9f, 0.0f}, {1, 22.5f, 22.5f},
    };
    for (const auto &c : cases)
        EXPECT_FLOAT_EQ(TruncateRealNumberPrecision(static_cast<int>(c[0]), &c[1]), c[2])
            << c[1] << " to " << c[0] << " places";
    const float v = 22.57f;
    TruncateRealNumberPrecision(1, &v);
    EXPECT_EQ(v, 22.57f);
}

TEST(DecimalSeparator, RewritesEverySeparatorBothWays) {
    char text[] = "1.013,2.5";
    LocaliseRealNumberString(1, text);
    EXPECT_STREQ(text, "1,013,2,5");
    LocaliseRealNumberString(0, text);
    EXPECT_STREQ(text, "1.013.2.5");
    LocaliseRealNumberString(1, nullptr);  // no crash
}

TEST(Beaufort, CountsLowerBoundsAtOrBelowTheSpeed) {
    const std::pair<float, int> cases[] = {{0.0f, 0},   {0.5f, 0},   {0.51f, 1}, {2.06f, 2},
                                           {32.91f, 11}, {32.92f, 12}, {40.0f, 12}, {-1.0f, 0}};
    for (const auto &[mps, force] : cases) EXPECT_EQ(mps_to_beaufort(&mps), force) << mps;
    for (int force : {0, 13, -1}) EXPECT_EQ(beaufort_to_mps(&force), 0.0f);
    for (int force = 1; force <= 12; ++force) {
        const float bound = beaufort_to_mps(&force);
        EXPECT_EQ(mps_to_beaufort(&bound), force);
    }
}

TEST(SpeedConversion, UnitsOutsideTheChoicesAndBeaufort) {
    const float mps = 10.0f;
    EXPECT_FLOAT_EQ(ConvertSpeedFromUnitToUnit(0, 4, &mps), 5.0f);
    EXPECT_EQ(ConvertSpeedFromUnitToUnit(0, 5, &mps), 0.0f);
    EXPECT_EQ(ConvertSpeedFromUnitToUnit(0, -1, &mps), 0.0f);
    const float kmh = 36.0f;
    EXPECT_FLOAT_EQ(ConvertSpeedFromUnitToUnit(1, 4, &kmh), 5.0f);  // through m/s
    const float knots = 10.0f;
    EXPECT_FLOAT_EQ(ConvertSpeedFromUnitToUnit(3, 2, &knots), 11.50779f);
    const float nan = NAN;
    EXPECT_EQ(ConvertSpeedFromUnitToUnit(4, 0, &nan), 0.0f);
}

TEST(PressureConversion, CorrectionAppliedOnTheHectopascalSide) {
    const float inhg = 30.0f;
    EXPECT_FLOAT_EQ(ConvertPressureFromUnitToUnit(0, 1, 1, 0, &inhg, 12.5f),
                    30.0f * 33.8639f - 12.5f);
    EXPECT_FLOAT_EQ(ConvertPressureFromUnitToUnit(1, 1, 0, 1, &inhg, 12.5f),
                    30.0f + 12.5f / 33.8639f);
}

TEST_F(Localisation, TemperatureIsCutAndShownWithTheChosenSeparator) {
    LocalisedValue v = Show(QUANTITY_OUTDOOR_TEMPERATURE, 22.57f);
    EXPECT_EQ(v.status, 0);
    EXPECT_STREQ(v.value_text, "22.5");
    EXPECT_STREQ(v.unit_text, "\u00B0C");
    EXPECT_STREQ(v.value_unit_text, "22.5 \u00B0C");
    EXPECT_FLOAT_EQ(v.value, 22.5f);
    EXPECT_FLOAT_EQ(v.scale_min, -30.0f);
    EXPECT_FLOAT_EQ(v.range_max, 70.0f);

    v = Show(QUANTITY_OUTDOOR_TEMPERATURE, 22.57f, 0, 0, 1);
    EXPECT_STREQ(v.value_unit_text, "72.6 \u00B0F");
    EXPECT_FLOAT_EQ(v.range_min, -20.0f);
    EXPECT_FLOAT_EQ(v.range_max, 160.0f);

    setup.decimal_comma = 1;
    v = Show(QUANTITY_OUTDOOR_TEMPERATURE, 22.57f);
    EXPECT_STREQ(v.value_text, "22,5");
    EXPECT_STREQ(v.value_unit_text, "22,5 \u00B0C");
    v = Show(QUANTITY_INDOOR_TEMPERATURE, -3.27f);
    EXPECT_STREQ(v.value_text, "-3,2");
    EXPECT_FLOAT_EQ(v.range_min, -10.0f);
    EXPECT_FLOAT_EQ(v.range_max, 60.0f);
}

TEST_F(Localisation, TemperatureMarkers) {
    for (int q : {2, 3, 4, 5}) {
        LocalisedValue v = Show(q, 81.11f);
        EXPECT_EQ(v.status, 1);
        EXPECT_STREQ(v.value_text, "---");
        EXPECT_STREQ(v.value_unit_text, "---");
        EXPECT_STREQ(v.unit_text, "");
        EXPECT_EQ(v.value, 0.0f);
        v = Show(q, 136.65f);
        EXPECT_EQ(v.status, 1);
        EXPECT_STREQ(v.value_unit_text, "OFL");
    }
    setup.decimal_comma = 1;  // markers are never rewritten
    EXPECT_STREQ(Show(3, 81.11f).value_text, "---");
    EXPECT_EQ(Show(3, 80.0f).status, 0);
}

TEST_F(Localisation, PressureInBothUnitsWithCorrectionAndMarkers) {
    LocalisedValue v = Show(QUANTITY_ABSOLUTE_PRESSURE, 1013.25f, 1);
    EXPECT_STREQ(v.value_unit_text, "29.92 inHg");
    EXPECT_FLOAT_EQ(v.scale_min, 17.0f);
    v = Show(QUANTITY_ABSOLUTE_PRESSURE, 1013.25f);
    EXPECT_STREQ(v.value_unit_text, "1013.2 hPa");
    EXPECT_FLOAT_EQ(v.range_max, 1100.0f);

    UI_data.pressure.rel_offset = 20.0f;
    EXPECT_STREQ(Show(QUANTITY_RELATIVE_PRESSURE, 1000.0f).value_unit_text, "1020.0 hPa");
    EXPECT_STREQ(Show(QUANTITY_ABSOLUTE_PRESSURE, 1000.0f).value_unit_text, "1000.0 hPa");
    // The "not available" band moves with the correction; absolute pressure ignores it.
    EXPECT_EQ(Show(QUANTITY_RELATIVE_PRESSURE, 1110.0f).status, 0);
    EXPECT_STREQ(Show(QUANTITY_ABSOLUTE_PRESSURE, 1110.0f).value_text, "---");
    EXPECT_STREQ(Show(QUANTITY_RELATIVE_PRESSURE, 1130.0f).value_text, "---");
    const LocalisedValue ofl = Show(QUANTITY_ABSOLUTE_PRESSURE, 16666.0f);
    EXPECT_STREQ(ofl.value_text, "OFL");
    EXPECT_EQ(ofl.status, 1);

    setup.decimal_comma = 1;
    UI_data.pressure.rel_offset = 0.0f;
    EXPECT_STREQ(Show(QUANTITY_ABSOLUTE_PRESSURE, 1013.2f).value_text, "1013,2");
}

TEST_F(Localisation, WindSpeedUnitsAndMarkers) {
    EXPECT_STREQ(Show(6, 27.8f, 0, 1).value_unit_text, "100 km/h");
    EXPECT_STREQ(Show(6, 27.7f, 0, 1).value_unit_text, "99.7 km/h");
    EXPECT_STREQ(Show(6, 44.8f, 0, 2).value_unit_text, "100 mph");
    EXPECT_STREQ(Show(6, 10.0f, 0, 3).value_unit_text, "19.4 knt");
    EXPECT_STREQ(Show(6, 10.0f, 0, 0).value_unit_text, "10.0 m/s");
    EXPECT_STREQ(Show(6, 10.0f, 0, 4).value_unit_text, "5 Bft");
    const LocalisedValue knots = Show(6, 1.0f, 0, 3);
    EXPECT_FLOAT_EQ(knots.range_max, 97.1f);
    EXPECT_FLOAT_EQ(knots.scale_max, 97.0f);
    EXPECT_FLOAT_EQ(Show(6, 1.0f, 0, 1).range_max, 180.0f);
    EXPECT_FLOAT_EQ(Show(6, 1.0f, 0, 2).range_max, 111.0f);

    LocalisedValue v = Show(6, 51.0f);
    EXPECT_EQ(v.status, 1);
    EXPECT_STREQ(v.value_text, "---");
    v = Show(6, 51.1f, 0, 1);
    EXPECT_EQ(v.status, 2);
    EXPECT_STREQ(v.value_unit_text, "OFL");
    EXPECT_EQ(Show(6, -0.1f).status, 2);
    EXPECT_EQ(Show(6, 50.1f).status, 2);
    EXPECT_EQ(Show(6, 50.0f).status, 0);
}

TEST_F(Localisation, HumidityAndRain) {
    LocalisedValue v = Show(QUANTITY_HUMIDITY, 45.0f);
    EXPECT_STREQ(v.value_unit_text, "45 %");
    EXPECT_FLOAT_EQ(v.scale_min, 20.0f);
    v = Show(QUANTITY_HUMIDITY, 110.0f);
    EXPECT_EQ(v.status, 1);
    EXPECT_STREQ(v.value_text, "---");
    EXPECT_EQ(v.value, 19.0f);

    v = Show(QUANTITY_RAIN_TOTAL, 1000.0f);
    EXPECT_STREQ(v.value_unit_text, "1000.0 mm");
    EXPECT_FLOAT_EQ(v.scale_max, 1000.0f);
    EXPECT_FLOAT_EQ(v.range_max, 2500.0f);
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_TOTAL, 1000.1f).scale_max, 2500.0f);
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_TOTAL, 1016.0f, 0, 0, 0, 1).scale_max, 40.0f);
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_TOTAL, 1017.0f, 0, 0, 0, 1).scale_max, 100.0f);
    EXPECT_STREQ(Show(QUANTITY_RAIN_24H, 25.3f, 0, 0, 0, 1).value_unit_text, "0.99 inch");
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_24H, 1.0f, 0, 0, 0, 1).range_max, 20.0f);
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_1H, 1.0f).range_max, 100.0f);
    EXPECT_FLOAT_EQ(Show(QUANTITY_RAIN_1H, 1.0f, 0, 0, 0, 1).range_max, 4.0f);
    // Rain has no markers: a large total is a number.
    EXPECT_EQ(Show(QUANTITY_RAIN_TOTAL, 2134.828f).status, 0);
}

// Number texts are built without printf; they must read exactly as "%.*f" would.
TEST_F(Localisation, NumberTextsMatchPrintf) {
    const int decimals_of_unit[2] = {1, 2};  // rain in mm, in inch
    for (int unit = 0; unit < 2; ++unit) {
        for (int i = -30000; i <= 300000; i += 7) {
            const float raw = static_cast<float>(i) * 0.013f;
            const LocalisedValue v = Show(QUANTITY_RAIN_TOTAL, raw, 0, 0, 0, unit);
            char expected[64];
            snprintf(expected, sizeof expected, "%.*f", decimals_of_unit[unit],
                     static_cast<double>(v.value));
            ASSERT_STREQ(v.value_text, expected) << raw;
        }
    }
    EXPECT_STREQ(Show(QUANTITY_OUTDOOR_TEMPERATURE, -0.04f).value_text, "-0.0");
    EXPECT_STREQ(Show(QUANTITY_HUMIDITY, 44.5f).value_text, "44");  // ties to even
    EXPECT_STREQ(Show(QUANTITY_HUMIDITY, 45.5f).value_text, "46");
    EXPECT_STREQ(Show(QUANTITY_RAIN_TOTAL, 3e9f).value_text, "3000000000.0");
}

TEST_F(Localisation, MissingOrMeaninglessValues) {
    LocalisedValue *r = LocaliseMeasuredValues(3, Units{}.block(), nullptr);
    EXPECT_EQ(r->status, -3);
    const float nan = NAN;
    r = LocaliseMeasuredValues(3, Units{}.block(), &nan);
    EXPECT_EQ(r->status, 1);
    EXPECT_STREQ(r->value_text, "---");
    const float v = 1.0f;
    EXPECT_EQ(LocaliseMeasuredValues(11, Units{}.block(), &v)->status, -3);
    // A unit number outside the choices reads as the base unit, never as garbage.
    EXPECT_STREQ(Show(3, 20.0f, 0, 0, 7).value_unit_text, "20.0 \u00B0C");
}

TEST_F(Localisation, DelocaliseTakesShownValuesBack) {
    UI_data.pressure.rel_offset = 12.0f;
    const int imperial[5] = {1, 1, 1, 0, 1};
    // A shown value goes back to the base value it was shown from, within one step of
    // the shown unit's last decimal (0.01 inHg, 0.1 degF, 0.1 km/h, 0.01 inch).
    struct Case { int quantity; float base; float step; };
    const Case cases[] = {{0, 1013.2f, 0.34f}, {1, 990.0f, 0.34f}, {3, -3.2f, 0.056f},
                          {6, 10.0f, 0.028f},  {8, 254.0f, 0.254f}};
    for (const Case &c : cases) {
        const float shown = LocaliseMeasuredValues(c.quantity, imperial, &c.base)->value;
        EXPECT_NEAR(*DelocaliseValues(c.quantity, imperial, &shown), c.base, c.step)
            << c.quantity;
    }
    const int metric[5] = {0, 0, 0, 0, 0};
    const float p = 1020.0f;
    EXPECT_FLOAT_EQ(*DelocaliseValues(0, metric, &p), 1008.0f);
    const int bft[5] = {0, 4, 0, 0, 0};
    const float force = 5.0f;
    EXPECT_FLOAT_EQ(*DelocaliseValues(6, bft, &force), 8.75f);
    EXPECT_EQ(*DelocaliseValues(6, bft, nullptr), 0.0f);
}

}  // namespace
