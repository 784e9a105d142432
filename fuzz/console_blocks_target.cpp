// The console's data blocks as the readers decode them. A console with a damaged memory,
// a line that slipped a checksum past, or the simulator of another make can send any
// bytes: every decoder must take them (or refuse a short block) and what it makes of them
// must pass through the display's formatting without harm.
#include <cmath>
#include <cstring>
#include <ctime>

#include "records/setup_record.h"
#include "fuzz/fuzz_targets.h"
#include "fuzz/fuzz_scratch.h"
#include "history/station_history.h"
#include "station/comm/polling_cycle.h"
#include "station/data/kor_clock_codec.h"
#include "station/data/kor_decode.h"
#include "values/localisation.h"
#include "values/time_texts.h"

namespace {

void Show(int quantity, float value) {
    for (int unit = 0; unit < 5; ++unit) {
        const int units[5] = {unit & 1, unit, unit & 1, 0, unit & 1};
        const LocalisedValue *l = LocaliseMeasuredValues(quantity, units, &value);
        if (memchr(l->value_unit_text, '\0', sizeof l->value_unit_text) == nullptr)
            FuzzFailure("localised text without its end");
    }
}

void ShowStamp(const KORStamp &s) {
    char both[TIME_DATE_TEXT_SIZE];
    GetTimeDateString(reinterpret_cast<const int32_t *>(&s), both, nullptr, nullptr);
}

void ShowTemperatures(int quantity, const TempGroup &g) {
    Show(quantity, g.current);
    Show(quantity, g.min);
    Show(quantity, g.max);
    ShowStamp(g.min_time);
    ShowStamp(g.max_time);
}

void DecodeValues(const uint8_t *data, size_t size) {
    TempGroup t{};
    if (DecodeTemperatures(data, size, 1, &t) == 0) ShowTemperatures(QUANTITY_INDOOR_TEMPERATURE, t);
    if (DecodeTemperatures(data, size, 0, &t) == 0) ShowTemperatures(QUANTITY_DEWPOINT, t);
    if (DecodeHumidities(data, size, &t) == 0) ShowTemperatures(QUANTITY_HUMIDITY, t);
    WindGroup w{};
    int flags = 0;
    if (DecodeWindMask8(data, size, &flags, &w.current, &w.direction) == 0) {
        if (w.direction < 0 || w.direction > 16) FuzzFailure("wind direction out of range");
        ApplyWindFlags(flags, &w);
        Show(QUANTITY_WIND_SPEED, w.current);
    }
    if (DecodeWindSpeedMask7(data, size, &w.current) == 0) Show(QUANTITY_WIND_SPEED, w.current);
    if (DecodeWindMinMax(data, size, &w) == 0) {
        ApplyWindFlags(size > 0 ? data[0] : 0, &w);
        Show(QUANTITY_WIND_SPEED, w.min);
        Show(QUANTITY_WIND_SPEED, w.max);
        ShowStamp(w.min_time);
        ShowStamp(w.max_time);
    }
    PressureGroup p{};
    if (DecodePressure(data, size, &p) == 0) Show(QUANTITY_RELATIVE_PRESSURE, p.current + p.rel_offset);
    if (DecodePressureMinMax(data, size, &p) == 0) {
        Show(QUANTITY_ABSOLUTE_PRESSURE, p.min);
        Show(QUANTITY_ABSOLUTE_PRESSURE, p.max);
    }
    (void)DecodeWeatherPicture(data, size, &p);
    float amount = 0;
    RainValue largest{};
    if (DecodeRain(data, size, &amount, &largest) == 0) {
        Show(QUANTITY_RAIN_24H, amount);
        Show(QUANTITY_RAIN_24H, largest.value);
    }
    RainValue total{};
    if (DecodeRainTotal(data, size, &total) == 0) Show(QUANTITY_RAIN_TOTAL, total.value);
    ReceptionGroup rx{};
    if (DecodeReceptionTimer(data, size, &rx) == 0 &&
        ReceptionTimerPlausible(rx.tx_interval, rx.tx_countdown))
        (void)ReceptionPollSeconds(rx.tx_interval, rx.tx_countdown);
    AlarmFlags alarms{};
    (void)DecodeAlert(data, size, &alarms);
    if (size > 0) {
        const int unit = DecodeWindUnit(data[0]);
        if (unit < 0 || unit > 4) FuzzFailure("wind unit out of range");
    }
    float value = 0;
    uint32_t mask = 0;
    if (DecodeTemperatureAlarmValue(data, size, &value) == 0) Show(QUANTITY_INDOOR_TEMPERATURE, value);
    if (DecodePressureAlarmValue(data, size, &value) == 0) Show(QUANTITY_RELATIVE_PRESSURE, value);
    if (DecodeAlarmWind(data, size, &value) == 0) Show(QUANTITY_WIND_SPEED, value);
    (void)DecodeAlarmWindDirection(data, size, &mask);
    if (DecodeHumidityValue(data, size, &value) == 0) Show(QUANTITY_HUMIDITY, value);
    if (DecodeRainAlarmValue(data, size, &value) == 0) Show(QUANTITY_RAIN_1H, value);
}

void DecodeClock(const uint8_t *data, size_t size) {
    struct tm t;
    memset(&t, 0, sizeof t);
    if (DecodeKORFinalTimeDate(data, size, &t) == 0 && !IsPlausibleKORTime(&t))
        FuzzFailure("clock accepted that is no real time");
    memset(&t, 0, sizeof t);
    (void)DecodeKORMinSec(data, size, &t);
    if (size >= 6) {
        KORStamp s{};
        ConvertKORDataToMinMaxDateTime(data, 0, &s);
        ConvertKORDataToMinMaxDateTime(data, 1, &s);
        ShowStamp(s);
        DecodeKORStampFields(data, 5, &s);
        memset(&t, 0, sizeof t);
        if (ConvertKORBufferTo_tm_Time(&t, data) == 0 && !IsPlausibleKORTime(&t))
            FuzzFailure("stamp accepted that is no real time");
    }
}

void DecodeHistory(const uint8_t *data, size_t size) {
    KORHistoryHeader h{};
    if (DecodeKORHistoryHeader(data, size, 1'780'000'000, &h) == 0) {
        if (h.index < 0 || h.index >= 175 || h.data_number < 0 || h.data_number > 175)
            FuzzFailure("history header accepted outside the ring");
        HistoryFileHeader file{};
        file.magic = HISTORY_FILE_MAGIC;
        for (uint32_t last : {0u, h.last_data_set_time - 3600u, h.last_data_set_time + 60u, 1u}) {
            file.last_time = last;
            for (int fresh = 0; fresh <= 1; ++fresh) {
                const int32_t n = HistoryDataSetsToFetch(&h, &file, fresh, 175);
                if (n < 0 || n > h.data_number) FuzzFailure("more data sets to fetch than held");
            }
        }
    }
    if (size >= KOR_HISTORY_DATA_SET_BYTES) {
        HistoryRecord r{};
        DecodeHistoryDataSet(data, &r);
        Show(QUANTITY_ABSOLUTE_PRESSURE, r.pressure);
        Show(QUANTITY_INDOOR_TEMPERATURE, r.indoor_temperature);
        Show(QUANTITY_OUTDOOR_TEMPERATURE, r.outdoor_temperature);
        Show(QUANTITY_WIND_SPEED, r.wind_speed);
        Show(QUANTITY_RAIN_TOTAL, r.rain);
        if (r.wind_direction < 0 || r.wind_direction > 15) FuzzFailure("history direction out of range");
        if (size >= 2 * KOR_HISTORY_DATA_SET_BYTES)
            (void)HistoryDataSetsAgree(data, data + KOR_HISTORY_DATA_SET_BYTES);
    }
}

}  // namespace

int FuzzConsoleBlocks(const uint8_t *data, size_t size) {
    DecodeValues(data, size);
    DecodeClock(data, size);
    DecodeHistory(data, size);
    return 0;
}
