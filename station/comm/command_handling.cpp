// Command handling. Writes are repeated until they succeed (with one identification
// exchange between attempts) so that a change the user confirmed reaches the console even
// over a noisy line; reads asked for by dialogs give up after 30 failures so that a dead
// console cannot hold a dialog open for ever. Interrupted multi-nibble writes resume at
// the first nibble the console did not acknowledge.
#include "station/comm/command_handling.h"

#include <cstring>
#include <ctime>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "history/station_history.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/older_history.h"
#include "station/comm/link_watch.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_clock.h"
#include "station/data/kor_readers.h"
#include "station/data/kor_writers.h"
#include "station/data/kor_memory_map.h"
#include "values/time_scales.h"
#include "values/conversions.h"

namespace {

int32_t station_wind_unit = 0;
int limited_failures_left = 30;
constexpr uint16_t RESUME = 0xFFFF;

// A command also gives up when the link is lost: it cannot get through until the thread
// has recovered the link, and that must not wait for it.
bool Quitting() { return flag_quit.load() != 0 || LinkMustRecover(); }

// Set when a step of the present command was given up (quit or a lost link): the
// command did not reach the console as a whole, so its later steps are not tried and
// its confirmation is not sent. The command is held and carried out again once the same
// console answers (HandleOrHold).
bool command_cut_off = false;

// A change held over a lost link, and the console it was meant for.
struct HeldCommand {
    bool held = false;
    uint8_t station_id = 0;
    CommandRecord record{};
};
HeldCommand held_command;

// Until done: 0, or -1 when the program quits or the link is lost first.
template <typename Op>
int UntilDone(Op op) {
    if (command_cut_off) return -1;
    for (;;) {
        if (op() == 0) return 0;
        ConfirmStationID();
        if (Quitting()) {
            command_cut_off = true;
            return -1;
        }
    }
}

// Until done, but a retry resumes the interrupted write instead of starting it again.
// The identification exchange comes before every retry, the first one included, so that
// the console has dropped any half-received address before the write goes on.
template <typename First, typename Resume>
int UntilDoneResuming(First first, Resume resume) {
    if (command_cut_off) return -1;
    if (first() == 0) return 0;
    ConfirmStationID();
    if (Quitting()) {
        command_cut_off = true;
        return -1;
    }
    return UntilDone(resume);
}

// Limited: 0 on success, -1 when the handler's failure budget ran out, -2 on quit.
template <typename Op>
int Limited(Op op) {
    for (;;) {
        if (op() == 0) return 0;
        if (--limited_failures_left <= 0) return -1;
        ConfirmStationID();
        if (Quitting()) return -2;
    }
}

// A confirmation: only for a command that reached the console whole.
void Reply(int kind) {
    if (!command_cut_off) SendUIRecord(kind, nullptr, 0);
}

int ClearBit(uint16_t nibble, uint8_t bit) {
    const uint32_t zero = 0;
    return UntilDone([&] { return KOR_WriteAlarmFlag(&zero, nibble, bit); });
}

// ---- alarm thresholds -------------------------------------------------------------------

enum class Writer { Temperature, Humidity, Rain };

struct ThresholdAlarm {
    int code;
    Writer writer;
    const uint16_t *address;
    int state_nibble;  // -1: no state bit to clear
    uint8_t state_bit;
    uint16_t enable_nibble;
    uint8_t enable_bit;
    uint16_t second_nibble;
    uint8_t second_bit;
    int reply;
};

const ThresholdAlarm kThresholdAlarms[] = {
    {8, Writer::Temperature, &ITEMP_LOAL_LL, 0x022, 0, 0x01B, 0, 0x028, 0, 37},
    {10, Writer::Temperature, &ITEMP_HIAL_LL, 0x022, 1, 0x01B, 1, 0x028, 1, 39},
    {12, Writer::Temperature, &OTEMP_LOAL_LL, 0x022, 2, 0x01B, 2, 0x028, 2, 41},
    {14, Writer::Temperature, &OTEMP_HIAL_LL, 0x022, 3, 0x01B, 3, 0x028, 3, 43},
    {16, Writer::Temperature, &CHILL_LOAL_LL, 0x023, 0, 0x01C, 0, 0x029, 0, 45},
    {18, Writer::Temperature, &CHILL_HIAL_LL, 0x023, 1, 0x01C, 1, 0x029, 1, 47},
    {20, Writer::Temperature, &DEW_LOAL_LL, 0x023, 2, 0x01C, 2, 0x029, 2, 49},
    {22, Writer::Temperature, &DEW_HIAL_LL, 0x023, 3, 0x01C, 3, 0x029, 3, 51},
    {39, Writer::Humidity, &IHUM_LOAL_L, 0x024, 0, 0x01D, 0, 0x02A, 0, 68},
    {41, Writer::Humidity, &IHUM_HIAL_L, 0x024, 1, 0x01D, 1, 0x02A, 1, 70},
    {43, Writer::Humidity, &OHUM_LOAL_L, 0x024, 2, 0x01D, 2, 0x02A, 2, 72},
    {45, Writer::Humidity, &OHUM_HIAL_L, 0x024, 3, 0x01D, 3, 0x02A, 3, 74},
    {47, Writer::Rain, &RAIN1H_AL_01, -1, 0, 0x01E, 1, 0x02B, 1, 76},
    {49, Writer::Rain, &RAIN24H_AL_01, -1, 0, 0x01E, 0, 0x02B, 0, 78},
};

int WriteThreshold(Writer writer, const float *value, uint16_t address) {
    switch (writer) {
    case Writer::Temperature: return KOR_WriteTemperatureAlarmValue(value, address);
    case Writer::Humidity: return KOR_WriteHumidityValue(value, address);
    case Writer::Rain: return KOR_WriteRainValue(value, address);
    }
    return -1;
}

void HandleThresholdAlarm(const ThresholdAlarm &a, const CommandRecord *cmd) {
    if (cmd->value_changed != 0) {
        UntilDone([&] { return WriteThreshold(a.writer, &cmd->value, *a.address); });
        if (a.state_nibble >= 0) ClearBit(static_cast<uint16_t>(a.state_nibble), a.state_bit);
    }
    WriteAlarmFlags(&cmd->enable_changed, &cmd->enabled, a.enable_nibble, a.enable_bit,
                    a.second_nibble, a.second_bit, 2);
    Reply(a.reply);
}

void HandleWindAlarm(const CommandRecord *cmd, bool high) {
    if (cmd->value_changed != 0) {
        UntilDone([&] { return KOR_ReadWindUnits(&station_wind_unit); });
        const float kmph = ConvertSpeedFromUnitToUnit(0, 1, &cmd->value);
        const float local = ConvertSpeedFromUnitToUnit(0, station_wind_unit, &cmd->value);
        UntilDone([&] { return KOR_WriteWindAlarm_kmph_Value(&kmph, high ? WIND_HIAL_00 : WIND_LOAL_00); });
        UntilDone([&] {
            return KOR_WriteWindAlarm_local_Value(&local, high ? WIND_DISP_HIAL_LL : WIND_DISP_LOAL_LL);
        });
        ClearBit(0x026, high ? 1 : 0);
    }
    WriteAlarmFlags(&cmd->enable_changed, &cmd->enabled, 0x01F, high ? 1 : 0, 0x02C, high ? 1 : 0, 3);
    Reply(high ? 55 : 53);
}

void HandleWindDirectionAlarm(const CommandRecord *cmd) {
    if (cmd->value_changed == 1) {
        const uint32_t mask = static_cast<uint32_t>(cmd->param);
        UntilDone([&] { return KOR_WriteWindDirectionAlarm(&mask, ALERT_FLAGS7); });
        ClearBit(0x026, 2);
    }
    WriteAlarmFlags(&cmd->enable_changed, &cmd->enabled, 0x01F, 2, 0x02C, 2, 3);
    Reply(57);
}

void HandlePressureAlarm(const CommandRecord *cmd) {
    struct Target { uint16_t hpa, inhg; int reply; bool relative; uint8_t bit; };
    Target t{};
    switch (cmd->code) {
    case 30: t = {PRESS_ABS_HPA_LOAL, PRESS_ABS_INHG_LOAL, 59, false, 0}; break;
    case 32: t = {PRESS_ABS_HPA_HIAL, PRESS_ABS_INHG_HIAL, 61, false, 0}; break;
    case 34: t = {PRESS_REL_HPA_LOAL, PRESS_REL_INHG_LOAL, 0, true, 2}; break;
    default: t = {PRESS_REL_HPA_HIAL, PRESS_REL_INHG_HIAL, 0, true, 3}; break;
    }
    if (cmd->value_changed != 0) {
        const float inhg_tenths = cmd->value2 * 10.0f;
        UntilDone([&] { return KOR_WritePressureAlarmValue(&cmd->value, t.hpa); });
        UntilDone([&] { return KOR_WritePressureAlarmValue(&inhg_tenths, t.inhg); });
    }
    if (!t.relative) {
        Reply(t.reply);
        return;
    }
    if (cmd->value_changed != 0) ClearBit(0x021, t.bit);
    WriteAlarmFlags(&cmd->enable_changed, &cmd->enabled, 0x01A, t.bit, 0x027, t.bit, 1);
}

void HandleStormAlarm(const CommandRecord *cmd) {
    if (cmd->enabled == 1) ClearBit(0x020, 1);
    WriteAlarmFlags(&cmd->enable_changed, &cmd->enabled, 0x019, 1, 0, 0, 1);
    Reply(67);
}

// ---- read-backs ---------------------------------------------------------------------

enum class Reader { Temperature, WindSpeed, WindDirection, Pressure, Humidity, Rain };

struct ReadBack {
    int code;
    Reader reader;
    const uint16_t *address;
    int success;
    int failure;
};

const ReadBack kReadBacks[] = {
    {9, Reader::Temperature, &ITEMP_LOAL_ML, 38, 99},
    {11, Reader::Temperature, &ITEMP_HIAL_ML, 40, 101},
    {13, Reader::Temperature, &OTEMP_LOAL_ML, 42, 103},
    {15, Reader::Temperature, &OTEMP_HIAL_ML, 44, 105},
    {17, Reader::Temperature, &CHILL_LOAL_ML, 46, 107},
    {19, Reader::Temperature, &CHILL_HIAL_ML, 48, 109},
    {21, Reader::Temperature, &DEW_LOAL_ML, 50, 111},
    {23, Reader::Temperature, &DEW_HIAL_ML, 52, 113},
    {25, Reader::WindSpeed, &WIND_LOAL_00, 54, 115},
    {27, Reader::WindSpeed, &WIND_HIAL_00, 56, 117},
    {29, Reader::WindDirection, &ALERT_FLAGS7, 58, 119},
    {31, Reader::Pressure, &PRESS_ABS_HPA_LOAL, 60, 121},
    {33, Reader::Pressure, &PRESS_ABS_HPA_HIAL, 62, 123},
    {35, Reader::Pressure, &PRESS_REL_HPA_LOAL, 64, 125},
    {37, Reader::Pressure, &PRESS_REL_HPA_HIAL, 66, 127},
    {40, Reader::Humidity, &IHUM_LOAL_L, 69, 130},
    {42, Reader::Humidity, &IHUM_HIAL_L, 71, 132},
    {44, Reader::Humidity, &OHUM_LOAL_L, 73, 134},
    {46, Reader::Humidity, &OHUM_HIAL_L, 75, 136},
    {48, Reader::Rain, &RAIN1H_AL_01, 77, 138},
    {50, Reader::Rain, &RAIN24H_AL_01, 79, 140},
};

int ReadThreshold(Reader reader, uint16_t address, UIRecord *r) {
    float *word2 = reinterpret_cast<float *>(&r->payload[2]);
    switch (reader) {
    case Reader::Temperature: return KOR_ReadTemperatureAlarmValue(word2, address);
    case Reader::WindSpeed: return KOR_ReadAlarmWind(word2, address);
    case Reader::WindDirection: return KOR_ReadAlarmWindDirection(&r->payload[4], address);
    case Reader::Pressure: return KOR_ReadPressureAlarmValue(word2, address);
    case Reader::Humidity: return KOR_ReadHumidityValue(word2, address);
    case Reader::Rain: return KOR_ReadRainValue(word2, address);
    }
    return -1;
}

void HandleReadBack(const ReadBack &rb, const CommandRecord *cmd) {
    UIRecord *r = CommUIRecord();
    if (cmd->read_back > 0) {
        const int result = Limited([&] { return ReadThreshold(rb.reader, *rb.address, r); });
        if (result == -1) {
            Reply(rb.failure);
            return;
        }
        if (result == -2) {
            Reply(rb.failure);  // quitting: the dialog learns that nothing was read
            return;
        }
    }
    SendUIRecord(rb.success, nullptr, 0);
}

// ---- rain clearing, time stamps, resets ---------------------------------------------

int ClearNibbles(uint16_t address, int count) {
    return UntilDoneResuming([&] { return KOR_ClearXNibble(static_cast<int16_t>(address), count); },
                             [&] { return KOR_ClearXNibble(static_cast<int16_t>(RESUME), count); });
}

int WriteTime(const struct tm *now, uint16_t address) {
    return UntilDone([&] { return KOR_WriteKORTime(now, address); });
}

void FinishRainClearing(KORData *rec, int reply) {
    rec->rain.poll_timer = 0;
    Reply(reply);
    flag_set_eeprom_trigger_request = 1;
}

void HandleRainClearing(const CommandRecord *cmd, KORData *rec, const struct tm *now) {
    if (cmd->code == 51) {
        ClearNibbles(RAINTOTAL_01, 7);
        WriteTime(now, RAINTOTAL_MINL);
        FinishRainClearing(rec, 80);
    } else if (cmd->code == 52) {
        ClearNibbles(RAINHIST1H_00_L, 30);
        ClearNibbles(RAIN1H_00, 6);
        FinishRainClearing(rec, 81);
    } else {
        ClearNibbles(RAINHIST24H_00_L, 48);
        ClearNibbles(RAIN24H_00, 6);
        FinishRainClearing(rec, 82);
    }
}

// A broken-down time crosses the queue as its nine int fields, in the standard order.
void PutBrokenDownTime(uint32_t *words, const struct tm *t) {
    const int fields[9] = {t->tm_sec, t->tm_min, t->tm_hour, t->tm_mday, t->tm_mon,
                           t->tm_year, t->tm_wday, t->tm_yday, t->tm_isdst};
    memcpy(words, fields, sizeof fields);
}

int HandleTimeStamps(const CommandRecord *cmd) {
    UIRecord *r = CommUIRecord();
    int result = 0;
    int kind = 0;
    if (cmd->code <= 61) {
        static const uint16_t *const kPairs[] = {&IHUM_MIN_MINL, &OHUM_MIN_MINL, &ITEMP_MIN_MINL,
                                                 &OTEMP_MIN_MINL, &DEW_MIN_MINL, &CHILL_MIN_MINL,
                                                 &WIND_MIN_MINL, &PRESS_MIN_MINL};
        const uint16_t address = *kPairs[cmd->code - 54];
        struct tm a, b;
        memset(&a, 0, sizeof a);
        memset(&b, 0, sizeof b);
        result = Limited([&] { return KOR_ReadDoubleTimeDate(&a, &b, address); });
        PutBrokenDownTime(&r->payload[0], &a);
        PutBrokenDownTime(&r->payload[9], &b);
        kind = 20 + (cmd->code - 54);
    } else {
        static const uint16_t *const kSingles[] = {&RAINTOTAL_MINL, &RAIN1H_MAX_MINL, &RAIN24H_MAX_MINL};
        const uint16_t address = *kSingles[cmd->code - 62];
        struct tm a;
        memset(&a, 0, sizeof a);
        result = Limited([&] { return KOR_ReadTimeDate(&a, address); });
        PutBrokenDownTime(&r->payload[0], &a);
        kind = 28 + (cmd->code - 62);
    }
    if (result != 0) return -1;  // stamps not read are not sent as if they were
    SendUIRecord(kind, nullptr, 0);
    return 0;
}

struct MinMaxReset {
    int code;
    int reply;
    const uint16_t *min_value, *max_value, *min_time, *max_time;
};

const MinMaxReset kMinMaxResets[] = {
    {65, 83, &IHUM_MIN_L, &IHUM_MAX_L, &IHUM_MIN_MINL, &IHUM_MAX_MINL},
    {66, 84, &OHUM_MIN_L, &OHUM_MAX_L, &OHUM_MIN_MINL, &OHUM_MAX_MINL},
    {67, 85, &ITEMP_MIN_LL, &ITEMP_MAX_LL, &ITEMP_MIN_MINL, &ITEMP_MAX_MINL},
    {68, 86, &OTEMP_MIN_LL, &OTEMP_MAX_LL, &OTEMP_MIN_MINL, &OTEMP_MAX_MINL},
    {69, 87, &DEW_MIN_LL, &DEW_MAX_LL, &DEW_MIN_MINL, &DEW_MAX_MINL},
    {70, 88, &CHILL_MIN_LL, &CHILL_MAX_LL, &CHILL_MIN_MINL, &CHILL_MAX_MINL},
};

TempGroup *ResetGroup(KORData *rec, int code) {
    switch (code) {
    case 65: return &rec->indoor_hum;
    case 66: return &rec->outdoor_hum;
    case 67: return &rec->indoor_temp;
    case 68: return &rec->outdoor_temp;
    case 69: return &rec->dewpoint;
    default: return &rec->windchill;
    }
}

void HandleTempHumReset(const MinMaxReset &m, KORData *rec, const struct tm *now) {
    TempGroup *g = ResetGroup(rec, m.code);
    const bool humidity = m.code <= 66;
    auto write = [&](uint16_t address) {
        return UntilDone([&] {
            return humidity ? KOR_WriteHumidityMinMax(&g->current, address)
                            : KOR_WriteTemperatureMinMax(&g->current, address);
        });
    };
    write(*m.min_value);
    write(*m.max_value);
    WriteTime(now, *m.min_time);
    WriteTime(now, *m.max_time);
    g->poll_timer = 0;
    Reply(m.reply);
}

int WritePressurePair(const float *hpa, const float *inhg, uint16_t address) {
    return UntilDoneResuming(
        [&] { return KOR_WritePressureMinMax(hpa, inhg, static_cast<int16_t>(address)); },
        [&] { return KOR_WritePressureMinMax(hpa, inhg, static_cast<int16_t>(RESUME)); });
}

void HandlePressureReset(KORData *rec, const struct tm *now) {
    const float rel_offset = rec->pressure.rel_offset;
    float h = rec->pressure.current;
    float i = ConvertPressureFromUnitToUnit(1, 0, 1, 1, &h, rel_offset);
    WritePressurePair(&h, &i, PRESS_ABS_HPA_MIN);
    WritePressurePair(&h, &i, PRESS_ABS_HPA_MAX);
    if (rec->pressure.current <= 11110.1f) {
        const float absolute = rec->pressure.current;
        h = ConvertPressureFromUnitToUnit(1, 0, 0, 0, &absolute, rel_offset);
        i = ConvertPressureFromUnitToUnit(0, 0, 0, 1, &h, rel_offset);
    }
    WritePressurePair(&h, &i, PRESS_REL_HPA_MIN);
    WritePressurePair(&h, &i, PRESS_REL_HPA_MAX);
    WriteTime(now, PRESS_MIN_MINL);
    WriteTime(now, PRESS_MAX_MINL);
    rec->pressure.poll_timer = 0;
    Reply(90);
}

void HandleOtherReset(int code, KORData *rec, const struct tm *now) {
    if (code == 71) {
        UntilDone([&] { return KOR_WriteWindSpeedMinMax(&rec->wind.current, WIND_MIN_00); });
        WriteTime(now, WIND_MIN_MINL);
        WriteTime(now, WIND_MAX_MINL);
        rec->wind.poll_timer = 0;
        Reply(89);
    } else if (code == 72) {
        HandlePressureReset(rec, now);
    } else {
        const bool hour = code == 73;
        const float *value = hour ? &rec->rain.rain_1h : &rec->rain.rain_24h;
        UntilDone([&] { return KOR_WriteRainMax(value, hour ? RAIN1H_MAX_00 : RAIN24H_MAX_00); });
        WriteTime(now, hour ? RAIN1H_MAX_MINL : RAIN24H_MAX_MINL);
        rec->rain.poll_timer = 0;
        Reply(hour ? 91 : 92);
    }
}

// The write empties the console's store of data sets, so what the file lacks is fetched
// first: the newer data sets, the older ones a new file did not take, and once more the
// newer ones, so that the header read that allows the write comes right before it.
// 0 when written, else the HistorySettingsRefusal.
int32_t WriteHistorySettingsWithoutLoss(const CommandRecord *cmd, KORData *rec) {
    // An earlier write cut off by a lost link may have left sets uncounted.
    FetchDataSetsStoredDuringWrite(rec);
    int32_t refused = DownloadWaitingHistory(rec);
    if (refused != 0) return refused;
    if (StoreOlderDataSets(rec) != 0) return Quitting() ? HISTORY_REFUSED_LINK : HISTORY_REFUSED_OLDER;
    refused = DownloadWaitingHistory(rec);
    if (refused != 0) return refused;
    ExpectHistoryWrite(&rec->station_header);
    if (UntilDone([&] { return KOR_WriteHistorySettings(&cmd->param, &cmd->param2); }) != 0)
        return HISTORY_REFUSED_LINK;
    FetchDataSetsStoredDuringWrite(rec);
    return 0;
}

void HandleHistorySettings(const CommandRecord *cmd, KORData *rec) {
    // A console without history memory refuses the write for good; retrying it would
    // hold the command queue, and with it all polling, until the program ends.
    if (!KORMapHasHistoryMemory()) return;
    // When not everything could be fetched the interval stays as it is; the user is
    // told why and may try again.
    const int32_t refused = WriteHistorySettingsWithoutLoss(cmd, rec);
    // The header read that follows brings in the console's interval.
    rec->station_header.header_timer = 0;
    if (refused != 0) {
        SendUIRecord(UI_HISTORY_SETTINGS_REFUSED, &refused, sizeof refused);
        return;
    }
    SendUIRecord(UI_HISTORY_SETTINGS_WRITTEN, nullptr, 0);
}

void HandleHistoryFileChange(const CommandRecord *cmd, KORData *rec) {
    char path[sizeof cmd->file_name];
    memcpy(path, cmd->file_name, sizeof path);
    path[sizeof path - 1] = '\0';
    HistoryFileHeader header;
    const int r = InitFileHistoryHeader(&header, path);
    if (r >= 0) {
        rec->file_header = header;
        snprintf(rec->history_file_name, sizeof rec->history_file_name, "%s", path);
        rec->history_file_ok = 1;
        SendHistoryFileRecord(path, &rec->file_header, sizeof rec->file_header);
        rec->station_header.header_timer = 0;
        // A download under way was planned for the file that held the data sets so far;
        // continued into this one it would append sets the file may already hold, or
        // sets older than its newest. The next header read plans for this file.
        rec->station_header.to_read = 0;
    }
    if (r == 1) {
        flag_new_history_file = 1;
        rec->station_header.to_read = 0;
    } else {
        flag_new_history_file = 0;
    }
}

void HandleAlarmFlagsRead(KORData *rec) {
    if (UntilDone([&] { return KOR_ReadAlert(&rec->alarm_enable, 0x019); }) == 0)
        SendUIRecord(UI_ALARM_ENABLE, &rec->alarm_enable, sizeof rec->alarm_enable);
    else
        SendUIRecord(96, nullptr, 0);
}

// Commands that change the console; the others read, or change only the program.
bool IsChange(int code) {
    for (const ThresholdAlarm &a : kThresholdAlarms)
        if (a.code == code) return true;
    for (const MinMaxReset &m : kMinMaxResets)
        if (m.code == code) return true;
    if (code >= 24 && code <= 38 && code % 2 == 0) return true;
    return (code >= 51 && code <= 53) || (code >= 71 && code <= 75);
}

void SendCommandFailed(int32_t code) { SendUIRecord(UI_COMMAND_FAILED, &code, sizeof code); }

void StopPollingForCommand() {
    flag_polling_blocked = 1;
    flag_reception_pause = 0;
    SendUIRecord(UI_COMMUNICATION_ACTIVE, nullptr, 0);
    DisarmReceptionTimer();
}

// A change cut off by a lost link is held for the same console's return; one cut off by
// quitting is reported as failed at once, as it will never be carried out.
void HandleOrHold(const CommandRecord *cmd) {
    TSQ_to_CSM_Handler(cmd);
    const bool cut_off = command_cut_off;
    command_cut_off = false;
    if (!cut_off || !IsChange(cmd->code)) return;
    if (flag_quit.load() != 0) {
        SendCommandFailed(cmd->code);
        return;
    }
    held_command = HeldCommand{true, GetStationID(), *cmd};
    flag_give_up_held_change.store(0);
    const uint32_t code = static_cast<uint32_t>(cmd->code);
    SendUIRecord(UI_CHANGE_HELD, &code, sizeof code);
}

}  // namespace

int32_t StationWindUnit() { return station_wind_unit; }

void ResumeCommands(uint8_t station_id) {
    GiveUpHeldChangeWhenAsked();
    if (held_command.held && station_id != held_command.station_id) DropHeldCommand();
    int items = 0;
    CmtGetTSQAttribute(h_TSQ_to_CSM, ATTR_TSQ_ITEMS_IN_QUEUE, &items);
    if (held_command.held || items > 0) flag_commands_waiting = 1;
}

void GiveUpHeldChangeWhenAsked() {
    if (held_command.held && flag_give_up_held_change.exchange(0) != 0) DropHeldCommand();
}

void DropHeldCommand() {
    if (!held_command.held) return;
    held_command.held = false;
    SendCommandFailed(held_command.record.code);
}

int WriteAlarmFlags(const int32_t *enable_changed, const int32_t *enabled, uint16_t enable_nibble,
                    uint8_t enable_bit, uint16_t second_nibble, uint8_t second_bit,
                    uint8_t notice_bit) {
    if (*enable_changed == 1) {
        const uint32_t on = static_cast<uint32_t>(*enabled);
        UntilDone([&] { return KOR_WriteAlarmFlag(&on, enable_nibble, enable_bit); });
    }
    if (*enabled == 1 && second_nibble != 0) ClearBit(second_nibble, second_bit);
    UntilDone([] { return KOR_ClearAlarmTimeout(); });
    const uint32_t one = 1;
    UntilDone([&] { return KOR_WriteAlarmFlag(&one, 0x008, notice_bit); });
    flag_set_eeprom_trigger_request = 1;
    return 0;
}

int TSQ_to_CSM_Handler(const CommandRecord *cmd) {
    KORData *rec = CommRecord();
    limited_failures_left = 30;
    command_cut_off = false;
    struct tm now = *CalculateKORTimeDate(rec);
    const int code = cmd->code;
    for (const ThresholdAlarm &a : kThresholdAlarms)
        if (a.code == code) return HandleThresholdAlarm(a, cmd), 0;
    for (const ReadBack &rb : kReadBacks)
        if (rb.code == code) return HandleReadBack(rb, cmd), 0;
    for (const MinMaxReset &m : kMinMaxResets)
        if (m.code == code) return HandleTempHumReset(m, rec, &now), 0;
    switch (code) {
    case 0: Limited([] { return KOR_ReadWindUnits(&station_wind_unit); }); return 0;
    case 2: HandleHistorySettings(cmd, rec); return 0;
    case 3: HandleHistoryFileChange(cmd, rec); return 0;
    case 6: HandleAlarmFlagsRead(rec); return 0;
    case COMMAND_STORE_OLDER_DATA_SETS: HandleStoreOlderDataSets(rec); return 0;
    case 24: HandleWindAlarm(cmd, false); return 0;
    case 26: HandleWindAlarm(cmd, true); return 0;
    case 28: HandleWindDirectionAlarm(cmd); return 0;
    case 30: case 32: case 34: case 36: HandlePressureAlarm(cmd); return 0;
    case 38: HandleStormAlarm(cmd); return 0;
    case 51: case 52: case 53: HandleRainClearing(cmd, rec, &now); return 0;
    case 71: case 72: case 73: case 74: HandleOtherReset(code, rec, &now); return 0;
    case 75:
        ClearBit(0x020, 2);
        Reply(93);
        rec->alarm_state.poll_timer = 0;
        return 0;
    default: break;
    }
    if (code >= 54 && code <= 64) return HandleTimeStamps(cmd);
    return 0;
}

void ReadFromTSQ_to_CSM() {
    int items = 0;
    CmtGetTSQAttribute(h_TSQ_to_CSM, ATTR_TSQ_ITEMS_IN_QUEUE, &items);
    // A change held over a lost link comes first, before any that the user gave later.
    if (held_command.held && flag_quit.load() == 0 && !LinkMustRecover()) {
        StopPollingForCommand();
        const CommandRecord cmd = held_command.record;
        held_command.held = false;
        HandleOrHold(&cmd);
    }
    // Commands that arrive while the link is lost wait in the queue for its return.
    while (items > 0 && !held_command.held && flag_quit.load() == 0 && !LinkMustRecover()) {
        StopPollingForCommand();
        CommandRecord cmd;
        if (CmtReadTSQData(h_TSQ_to_CSM, &cmd, 1, TSQ_INFINITE_TIMEOUT, 0) == 1)
            HandleOrHold(&cmd);
        items = 0;
        CmtGetTSQAttribute(h_TSQ_to_CSM, ATTR_TSQ_ITEMS_IN_QUEUE, &items);
    }
    CommRecord()->reception.poll_timer = 0;
    flag_commands_waiting = 0;
    flag_polling_blocked = 0;
}
