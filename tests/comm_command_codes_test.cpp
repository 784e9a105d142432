// Every command code against the simulated console of both variants: what the command
// leaves in the console's memory (value nibbles, enable, state and third bits, the change
// notice in 0x008, the alarm time-out, the time stamps of resets in the console's own
// time), whether it asks for the EEPROM trigger, which reply it sends, and that nothing
// else in the console's memory changes. The console's addresses come from the
// simulator's own table, so a wrong entry in the program's map shows up here.
#include <cmath>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/comm/command_handling.h"
#include "station/comm/tsq_records.h"
#include "records/kor_data.h"
#include "support/comm_command_bench.h"

namespace {

constexpr int kNotice = 0x008;

SimOptions Console(int variant) {
    SimOptions o;
    o.variant = variant;
    o.seed = 21;
    o.start_time = 0;        // the present, so that the program's clock offset is small
    o.tz_offset_s = 19800;   // the console keeps UTC + 5:30, the PC does not
    o.tz_given = true;
    o.prefill = 12;
    o.radio_interval_s = 32;  // the clock stands still before the first window
    o.wind_unit = 3;          // the console shows km/h
    return o;
}

struct Field {
    uint32_t address;
    std::vector<uint8_t> nibbles;
};

struct Region {
    uint32_t address;
    int count;
};

std::vector<uint8_t> Garbled(const std::vector<uint8_t> &v) {
    std::vector<uint8_t> out;
    for (uint8_t n : v) out.push_back(static_cast<uint8_t>(n ^ 0x5));
    return out;
}

void ExpectChangesWithin(const std::vector<uint32_t> &changed, const std::vector<Region> &regions,
                         const std::string &what) {
    for (uint32_t a : changed) {
        bool inside = false;
        for (const Region &r : regions)
            inside = inside || (a >= r.address && a < r.address + static_cast<uint32_t>(r.count));
        EXPECT_TRUE(inside) << what << ": stray change at nibble 0x" << std::hex << a;
    }
}

// A stamp written by the handler names the console's present minute.
void ExpectStampNow(const SimMemory &m, uint32_t address, const CommandOutcome &out,
                    const std::string &what) {
    const int64_t t = StampSeconds(GetSimStamp(&m, address));
    const int64_t earliest = static_cast<int64_t>(out.console_before) / 60 * 60;
    EXPECT_GE(t, earliest) << what;
    EXPECT_LE(t, static_cast<int64_t>(out.console_after)) << what;
}

float Word2(const UIRecord &r) {
    float f = 0;
    memcpy(&f, &r.payload[2], sizeof f);
    return f;
}

class CommandCodes : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { bench_ = std::make_unique<CommandBench>(Console(GetParam())); }
    void TearDown() override { bench_.reset(); }
    void Run(const std::function<void()> &body) { ASSERT_EQ(bench_->Run(body), 0); }
    CommandBench &b() { return *bench_; }
    const SimLayout &L() { return *bench_->layout(); }

    std::unique_ptr<CommandBench> bench_;
};

// ---- alarm writes -------------------------------------------------------------------

struct AlarmCase {
    int code;
    float value, value2;
    int32_t param;
    std::vector<Field> (*fields)(const SimLayout &);
    int state_nibble, state_bit;  // -1: none
    bool state_follows_enable;    // the storm alarm: cleared when switched on, not on a value
    int enable_nibble, enable_bit;  // -1: the command writes no switch
    int second_nibble, second_bit;  // -1: none
    int notice_bit;                 // -1: no notice, time-out or trigger
    int reply;                      // -1: none
};

using L_ = const SimLayout &;
const AlarmCase kAlarmCases[] = {
    {8, 12.3f, 0, 0, [](L_ l) { return std::vector<Field>{{l.itemp.low_alarm_ll, {0, 0, 3, 2, 4}}}; },
     0x022, 0, false, 0x01B, 0, 0x028, 0, 2, 37},
    {10, 31.7f, 0, 0, [](L_ l) { return std::vector<Field>{{l.itemp.high_alarm_ll, {0, 0, 7, 1, 6}}}; },
     0x022, 1, false, 0x01B, 1, 0x028, 1, 2, 39},
    {12, -12.5f, 0, 0, [](L_ l) { return std::vector<Field>{{l.otemp.low_alarm_ll, {0, 0, 5, 7, 1}}}; },
     0x022, 2, false, 0x01B, 2, 0x028, 2, 2, 41},
    {14, 38.2f, 0, 0, [](L_ l) { return std::vector<Field>{{l.otemp.high_alarm_ll, {0, 0, 2, 8, 6}}}; },
     0x022, 3, false, 0x01B, 3, 0x028, 3, 2, 43},
    {16, -20.4f, 0, 0, [](L_ l) { return std::vector<Field>{{l.chill.low_alarm_ll, {0, 0, 6, 9, 0}}}; },
     0x023, 0, false, 0x01C, 0, 0x029, 0, 2, 45},
    {18, 29.9f, 0, 0, [](L_ l) { return std::vector<Field>{{l.chill.high_alarm_ll, {0, 0, 9, 9, 5}}}; },
     0x023, 1, false, 0x01C, 1, 0x029, 1, 2, 47},
    {20, -7.6f, 0, 0, [](L_ l) { return std::vector<Field>{{l.dew.low_alarm_ll, {0, 0, 4, 2, 2}}}; },
     0x023, 2, false, 0x01C, 2, 0x029, 2, 2, 49},
    {22, 21.8f, 0, 0, [](L_ l) { return std::vector<Field>{{l.dew.high_alarm_ll, {0, 0, 8, 1, 5}}}; },
     0x023, 3, false, 0x01C, 3, 0x029, 3, 2, 51},
    {24, 2.5f, 0, 0,
     [](L_ l) {
         return std::vector<Field>{{l.wind_low_alarm, {0, 0, 4, 8, 3, 0}},  // 9 km/h x 25600
                                   {l.wind_disp_low_alarm, {0, 0, 9, 0, 0}}};  // 9.00 km/h
     },
     0x026, 0, false, 0x01F, 0, 0x02C, 0, 3, 53},
    {26, 20.0f, 0, 0,
     [](L_ l) {
         return std::vector<Field>{{l.wind_high_alarm, {0, 0, 0, 2, 0xC, 1}},
                                   {l.wind_disp_high_alarm, {0, 0, 2, 7, 0}}};
     },
     0x026, 1, false, 0x01F, 1, 0x02C, 1, 3, 55},
    {28, 0, 0, 0xA5C3, [](L_ l) { return std::vector<Field>{{l.winddir_alarm, {3, 0xC, 5, 0xA}}}; },
     0x026, 2, false, 0x01F, 2, 0x02C, 2, 3, 57},
    {30, 955.5f, 28.22f, 0,
     [](L_ l) {
         return std::vector<Field>{{l.press_low_alarm, {5, 5, 5, 9, 0}},
                                   {l.press_low_alarm + 5u, {2, 2, 8, 2, 0}}};
     },
     -1, 0, false, -1, 0, -1, 0, -1, 59},
    {32, 1033.3f, 30.51f, 0,
     [](L_ l) {
         return std::vector<Field>{{l.press_high_alarm, {3, 3, 3, 0, 1}},
                                   {l.press_high_alarm + 5u, {1, 5, 0, 3, 0}}};
     },
     -1, 0, false, -1, 0, -1, 0, -1, 61},
    {34, 987.6f, 29.16f, 0,
     [](L_ l) {
         return std::vector<Field>{{l.press_low_alarm + 10u, {6, 7, 8, 9, 0}},
                                   {l.press_low_alarm + 15u, {6, 1, 9, 2, 0}}};
     },
     0x021, 2, false, 0x01A, 2, 0x027, 2, 1, -1},
    {36, 1041.2f, 30.75f, 0,
     [](L_ l) {
         return std::vector<Field>{{l.press_high_alarm + 10u, {2, 1, 4, 0, 1}},
                                   {l.press_high_alarm + 15u, {5, 7, 0, 3, 0}}};
     },
     0x021, 3, false, 0x01A, 3, 0x027, 3, 1, -1},
    {38, 0, 0, 0, [](L_) { return std::vector<Field>{}; }, 0x020, 1, true, 0x019, 1, -1, 0, 1, 67},
    {39, 34, 0, 0, [](L_ l) { return std::vector<Field>{{l.ihum.low_alarm_l, {4, 3}}}; },
     0x024, 0, false, 0x01D, 0, 0x02A, 0, 2, 68},
    {41, 67, 0, 0, [](L_ l) { return std::vector<Field>{{l.ihum.high_alarm_l, {7, 6}}}; },
     0x024, 1, false, 0x01D, 1, 0x02A, 1, 2, 70},
    {43, 25, 0, 0, [](L_ l) { return std::vector<Field>{{l.ohum.low_alarm_l, {5, 2}}}; },
     0x024, 2, false, 0x01D, 2, 0x02A, 2, 2, 72},
    {45, 91, 0, 0, [](L_ l) { return std::vector<Field>{{l.ohum.high_alarm_l, {1, 9}}}; },
     0x024, 3, false, 0x01D, 3, 0x02A, 3, 2, 74},
    {47, 12.34f, 0, 0, [](L_ l) { return std::vector<Field>{{l.rain1h_alarm, {0, 4, 3, 2, 1, 0, 0}}}; },
     -1, 0, false, 0x01E, 1, 0x02B, 1, 2, 76},
    {49, 56.78f, 0, 0, [](L_ l) { return std::vector<Field>{{l.rain24h_alarm, {0, 8, 7, 6, 5, 0, 0}}}; },
     -1, 0, false, 0x01E, 0, 0x02B, 0, 2, 78},
};

// Bits and nibbles set up so that every write the command makes changes something.
void PrepareAlarmBits(CommandBench &b, const AlarmCase &c) {
    if (c.state_nibble >= 0) b.Poke(static_cast<uint32_t>(c.state_nibble), 0xF);
    if (c.enable_nibble >= 0)
        b.Poke(static_cast<uint32_t>(c.enable_nibble), static_cast<uint8_t>(0xF & ~(1 << c.enable_bit)));
    if (c.second_nibble >= 0) b.Poke(static_cast<uint32_t>(c.second_nibble), 0xF);
    b.PokeNibbles(b.layout()->alarm_timeout, {5, 5});
    b.Poke(kNotice, 0);
}

std::vector<Region> AlarmRegions(CommandBench &b, const AlarmCase &c) {
    std::vector<Region> r;
    for (const Field &f : c.fields(*b.layout())) r.push_back({f.address, static_cast<int>(f.nibbles.size())});
    for (int n : {c.state_nibble, c.enable_nibble, c.second_nibble})
        if (n >= 0) r.push_back({static_cast<uint32_t>(n), 1});
    if (c.notice_bit >= 0) {
        r.push_back({b.layout()->alarm_timeout, 2});
        r.push_back({kNotice, 1});
    }
    return r;
}

// A nibble the case names (-1: none) holds want.
void ExpectNibble(CommandBench &b, int address, int want, const std::string &what) {
    if (address < 0) return;
    EXPECT_EQ(b.Peek(static_cast<uint32_t>(address)), want) << what << " at 0x" << std::hex << address;
}

std::vector<int> ReplyKinds(const AlarmCase &c) {
    return c.reply >= 0 ? std::vector<int>{c.reply} : std::vector<int>{};
}

void ExpectNoticeTimeoutAndTrigger(CommandBench &b, const AlarmCase &c, const CommandOutcome &out,
                                   const std::string &what) {
    if (c.notice_bit < 0) {
        EXPECT_EQ(b.Nibbles(b.layout()->alarm_timeout, 2), (std::vector<uint8_t>{5, 5})) << what;
        EXPECT_EQ(b.Peek(kNotice), 0) << what;
        EXPECT_EQ(out.eeprom_request, 0) << what;
        return;
    }
    EXPECT_EQ(b.Nibbles(b.layout()->alarm_timeout, 2), (std::vector<uint8_t>{2, 0})) << what;
    EXPECT_EQ(b.Peek(kNotice), 1 << c.notice_bit) << what;
    EXPECT_EQ(out.eeprom_request, 1) << what;
}

// Switched on with a new value: value nibbles, state bit, enable bit, third bit.
void CheckAlarmWrite(CommandBench &b, const AlarmCase &c) {
    const std::string what = "code " + std::to_string(c.code) + ", value and switch on";
    const std::vector<Field> fields = c.fields(*b.layout());
    for (const Field &f : fields) b.PokeNibbles(f.address, Garbled(f.nibbles));
    PrepareAlarmBits(b, c);
    CommandRecord cmd = MakeCommand(c.code);
    cmd.value_changed = 1;
    cmd.value = c.value;
    cmd.value2 = c.value2;
    cmd.param = c.param;
    cmd.enable_changed = 1;
    cmd.enabled = 1;
    const SimMemory before = b.Snapshot();
    const CommandOutcome out = b.Handle(cmd);
    const SimMemory after = b.Snapshot();

    EXPECT_EQ(out.result, 0) << what;
    EXPECT_EQ(out.Kinds(), ReplyKinds(c)) << what;
    for (const Field &f : fields)
        EXPECT_EQ(b.Nibbles(f.address, static_cast<int>(f.nibbles.size())), f.nibbles)
            << what << " at 0x" << std::hex << f.address;
    ExpectNibble(b, c.state_nibble, 0xF & ~(1 << c.state_bit), what);
    ExpectNibble(b, c.enable_nibble, 0xF, what);
    ExpectNibble(b, c.second_nibble, 0xF & ~(1 << c.second_bit), what);
    ExpectNoticeTimeoutAndTrigger(b, c, out, what);
    ExpectChangesWithin(ChangedNibbles(before, after), AlarmRegions(b, c), what);
}

// Switched off without a value: the enable bit is cleared, the third bit left alone.
void CheckAlarmSwitchOff(CommandBench &b, const AlarmCase &c) {
    const std::string what = "code " + std::to_string(c.code) + ", switch off";
    const std::vector<Field> fields = c.fields(*b.layout());
    PrepareAlarmBits(b, c);
    if (c.enable_nibble >= 0) b.Poke(static_cast<uint32_t>(c.enable_nibble), 0xF);
    CommandRecord cmd = MakeCommand(c.code);
    cmd.value = c.value + 1.0f;
    cmd.param = c.param ^ 0xFF;
    cmd.enable_changed = 1;
    cmd.enabled = 0;
    const CommandOutcome out = b.Handle(cmd);

    EXPECT_EQ(out.Kinds(), ReplyKinds(c)) << what;
    for (const Field &f : fields)
        EXPECT_EQ(b.Nibbles(f.address, static_cast<int>(f.nibbles.size())), f.nibbles) << what;
    ExpectNibble(b, c.state_nibble, 0xF, what);
    ExpectNibble(b, c.enable_nibble, 0xF & ~(1 << c.enable_bit), what);
    ExpectNibble(b, c.second_nibble, 0xF, what);
    ExpectNoticeTimeoutAndTrigger(b, c, out, what);
    if (c.notice_bit < 0) {
        EXPECT_EQ(out.Received(), 0u) << what;
    }
}

// Neither value nor switch changed: only the time-out, the notice and the trigger.
void CheckAlarmUnchanged(CommandBench &b, const AlarmCase &c) {
    const std::string what = "code " + std::to_string(c.code) + ", nothing changed";
    PrepareAlarmBits(b, c);
    const uint8_t enable = c.enable_nibble >= 0 ? b.Peek(static_cast<uint32_t>(c.enable_nibble)) : 0;
    CommandRecord cmd = MakeCommand(c.code);
    cmd.value = c.value + 2.0f;
    const CommandOutcome out = b.Handle(cmd);

    EXPECT_EQ(out.Kinds(), ReplyKinds(c)) << what;
    EXPECT_EQ(out.Writes(), c.notice_bit >= 0 ? 3u : 0u) << what;  // two time-out nibbles, one bit
    ExpectNibble(b, c.enable_nibble, enable, what);
    ExpectNoticeTimeoutAndTrigger(b, c, out, what);
}

TEST_P(CommandCodes, AlarmWritesSetValueSwitchStateNoticeTimeoutAndTrigger) {
    Run([&] {
        for (const AlarmCase &c : kAlarmCases) {
            CheckAlarmWrite(b(), c);
            CheckAlarmSwitchOff(b(), c);
            CheckAlarmUnchanged(b(), c);
        }
        EXPECT_EQ(StationWindUnit(), 1);  // the console's km/h, read for the wind alarms
    });
}

TEST_P(CommandCodes, TemperatureThresholdsStayInsideTheConsolesField) {
    // Three digits of (value + 30) x 10: 69.95 degC and above would wrap round to -30.0.
    const struct {
        float value;
        std::vector<uint8_t> nibbles;
    } cases[] = {{69.9f, {0, 0, 9, 9, 9}}, {69.95f, {0, 0, 9, 9, 9}}, {75.0f, {0, 0, 9, 9, 9}},
                 {-30.0f, {0, 0, 0, 0, 0}}, {-40.0f, {0, 0, 0, 0, 0}}};
    Run([&] {
        for (const auto &c : cases) {
            CommandRecord cmd = MakeCommand(14);
            cmd.value_changed = 1;
            cmd.value = c.value;
            b().Handle(cmd);
            EXPECT_EQ(b().Nibbles(L().otemp.high_alarm_ll, 5), c.nibbles) << c.value;
            double read = 0;
            const SimMemory m = b().Snapshot();
            EXPECT_EQ(GetSimTemperature(&m, L().otemp.high_alarm_ll, &read), SIM_VALUE_OK);
            EXPECT_NEAR(read, std::min(std::max(c.value, -30.0f), 69.9f), 0.06) << c.value;
        }
    });
}

// ---- read-backs ------------------------------------------------------------------------

TEST_P(CommandCodes, ReadBacksReplyWithTheConsolesThresholds) {
    // The console's factory thresholds; the wind direction mask is set below.
    const struct {
        int code, success;
        float value, tolerance;
    } cases[] = {
        {9, 38, 16.0f, 0.01f},    {11, 40, 28.0f, 0.01f},  {13, 42, -10.0f, 0.01f},
        {15, 44, 35.0f, 0.01f},   {17, 46, -15.0f, 0.01f}, {19, 48, 30.0f, 0.01f},
        {21, 50, -5.0f, 0.01f},   {23, 52, 20.0f, 0.01f},  {25, 54, 0.0f, 0.01f},
        {27, 56, 60.0f / 3.6f, 0.01f}, {31, 60, 950.0f, 0.05f}, {33, 62, 1030.0f, 0.05f},
        {35, 64, 980.0f, 0.05f},  {37, 66, 1040.0f, 0.05f}, {40, 69, 30.0f, 0.5f},
        {42, 71, 70.0f, 0.5f},    {44, 73, 20.0f, 0.5f},   {46, 75, 98.0f, 0.5f},
        {48, 77, 10.0f, 0.01f},   {50, 79, 50.0f, 0.01f},
    };
    Run([&] {
        const SimMemory before = b().Snapshot();
        for (const auto &c : cases) {
            CommandRecord cmd = MakeCommand(c.code);
            cmd.read_back = 30;
            const CommandOutcome out = b().Handle(cmd);
            ASSERT_EQ(out.Kinds(), std::vector<int>{c.success}) << c.code;
            EXPECT_NEAR(Word2(out.records.back()), c.value, c.tolerance) << c.code;
            EXPECT_GT(out.Received(), 0u) << c.code;
            EXPECT_EQ(out.eeprom_request, 0) << c.code;

            cmd.read_back = 0;  // the dialog already knows the value: success, no traffic
            const CommandOutcome skipped = b().Handle(cmd);
            EXPECT_EQ(skipped.Kinds(), std::vector<int>{c.success}) << c.code;
            EXPECT_EQ(skipped.Received(), 0u) << c.code;
        }
        b().PokeNibbles(L().winddir_alarm, {1, 2, 3, 4});
        CommandRecord cmd = MakeCommand(29);
        cmd.read_back = 30;
        const CommandOutcome out = b().Handle(cmd);
        ASSERT_EQ(out.Kinds(), std::vector<int>{58});
        EXPECT_EQ(out.records.back().payload[4], 0x4321u);
        cmd.read_back = 0;
        EXPECT_EQ(b().Handle(cmd).Received(), 0u);
        std::vector<uint32_t> changed = ChangedNibbles(before, b().Snapshot());
        ExpectChangesWithin(changed, {{L().winddir_alarm, 4}}, "read-backs");
    });
}

TEST_P(CommandCodes, TimeStampReadsReplyWithTheConsolesStamps) {
    Run([&] {
        SimState s;
        StationSimGetState(b().sim(), &s);
        const SimQuantity *pairs[] = {&s.ihum, &s.ohum, &s.itemp, &s.otemp,
                                      &s.dew,  &s.chill, &s.wind, &s.press};
        auto expect_stamp = [](const uint32_t *words, const SimStamp &want, int code) {
            int f[9];
            memcpy(f, words, sizeof f);
            EXPECT_EQ(f[1], want.minute) << code;
            EXPECT_EQ(f[2], want.hour) << code;
            EXPECT_EQ(f[3], want.day) << code;
            EXPECT_EQ(f[4] + 1, want.month) << code;
            EXPECT_EQ(f[5] + 1900, want.year) << code;
        };
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(pairs[i]->min.marker, SIM_VALUE_OK);
            const CommandOutcome out = b().Handle(MakeCommand(54 + i));
            EXPECT_EQ(out.result, 0);
            ASSERT_EQ(out.Kinds(), std::vector<int>{20 + i});
            expect_stamp(&out.records.back().payload[0], pairs[i]->min.time, 54 + i);
            expect_stamp(&out.records.back().payload[9], pairs[i]->max.time, 54 + i);
        }
        const SimStamp singles[] = {s.rain_total_reset, s.rain_1h_max.time, s.rain_24h_max.time};
        for (int i = 0; i < 3; ++i) {
            const CommandOutcome out = b().Handle(MakeCommand(62 + i));
            EXPECT_EQ(out.result, 0);
            ASSERT_EQ(out.Kinds(), std::vector<int>{28 + i});
            expect_stamp(&out.records.back().payload[0], singles[i], 62 + i);
            EXPECT_EQ(out.Writes(), 0u);
            EXPECT_EQ(out.eeprom_request, 0);
        }
    });
}

TEST_P(CommandCodes, AlarmFlagsReadReportsTheEnableNibbles) {
    Run([&] {
        for (uint32_t a = 0x019; a <= 0x01F; ++a) b().Poke(a, 0);
        b().Poke(0x01B, 0x1);  // indoor temperature low
        b().Poke(0x01F, 0x4);  // wind direction
        const CommandOutcome out = b().Handle(MakeCommand(6));
        ASSERT_EQ(out.Kinds(), std::vector<int>{14});
        AlarmFlags flags;
        memcpy(&flags, out.records.back().payload, sizeof flags);
        EXPECT_EQ(memcmp(&flags, &CommRecord()->alarm_enable, sizeof flags), 0);
        int on = 0;
        for (int32_t f : flags.flag) on += f != 0 ? 1 : 0;
        EXPECT_EQ(on, 2);
        EXPECT_EQ(flags.flag[5], 1);
        EXPECT_EQ(flags.flag[19], 1);
        EXPECT_EQ(out.Writes(), 0u);
    });
}

// ---- rain clearing, resets, general alarm ---------------------------------------------

TEST_P(CommandCodes, RainClearingZeroesExactlyItsNibblesAndStampsTheTotal) {
    struct Case {
        int code, reply;
        std::vector<Region> cleared;
    };
    Run([&] {
        const Case cases[] = {
            {51, 80, {{L().raintotal, 7}}},
            {52, 81, {{L().rainhist1h, 30}, {L().rain1h, 6}}},
            {53, 82, {{L().rainhist24h, 48}, {L().rain24h, 6}}},
        };
        for (const Case &c : cases) {
            for (const Region &r : c.cleared) {
                b().PokeNibbles(r.address - 1, {0xE});
                b().PokeNibbles(r.address + static_cast<uint32_t>(r.count), {0xE});
                for (int i = 0; i < r.count; ++i) b().Poke(r.address + static_cast<uint32_t>(i), 7);
            }
            CommRecord()->rain.poll_timer = 25;
            std::vector<Region> allowed = c.cleared;
            if (c.code == 51) allowed.push_back({L().raintotal_stamp, 10});
            const SimMemory before = b().Snapshot();
            const CommandOutcome out = b().Handle(MakeCommand(c.code));
            const SimMemory after = b().Snapshot();
            const std::string what = "code " + std::to_string(c.code);
            EXPECT_EQ(out.Kinds(), std::vector<int>{c.reply}) << what;
            for (const Region &r : c.cleared) {
                EXPECT_TRUE(SimNibblesAre(&after, r.address, 0, r.count)) << what;
                EXPECT_EQ(b().Peek(r.address - 1), 0xE) << what;
                if (c.code != 51) {  // the total's stamp follows it
                    EXPECT_EQ(b().Peek(r.address + static_cast<uint32_t>(r.count)), 0xE) << what;
                }
            }
            if (c.code == 51) ExpectStampNow(after, L().raintotal_stamp, out, what);
            EXPECT_EQ(CommRecord()->rain.poll_timer, 0) << what;
            EXPECT_EQ(out.eeprom_request, 1) << what;
            ExpectChangesWithin(ChangedNibbles(before, after), allowed, what);
        }
    });
}

int32_t *PollTimerOf(KORData *rec, int group) {
    switch (group) {
    case 0: return &rec->indoor_hum.poll_timer;
    case 1: return &rec->outdoor_hum.poll_timer;
    case 2: return &rec->indoor_temp.poll_timer;
    case 3: return &rec->outdoor_temp.poll_timer;
    case 4: return &rec->dewpoint.poll_timer;
    case 5: return &rec->windchill.poll_timer;
    case 6: return &rec->wind.poll_timer;
    case 7: return &rec->pressure.poll_timer;
    case 8: return &rec->rain.poll_timer;
    default: return &rec->alarm_state.poll_timer;
    }
}

TEST_P(CommandCodes, ResetsStoreThePresentValueAndTheConsolesTimeAndRereadOnlyTheirGroup) {
    struct Case {
        int code, reply, group;
        std::vector<Field> values;
        std::vector<uint32_t> stamps;
    };
    Run([&] {
        KORData *rec = CommRecord();
        rec->indoor_hum.current = 47;
        rec->outdoor_hum.current = 83;
        rec->indoor_temp.current = 21.4f;
        rec->outdoor_temp.current = -3.7f;
        rec->dewpoint.current = 5.25f;
        rec->windchill.current = -8.125f;
        rec->wind.current = 10.0f;
        rec->pressure.current = 1002.3f;
        rec->pressure.rel_offset = 10.5f;
        rec->rain.rain_1h = 3.45f;
        rec->rain.rain_24h = 27.06f;
        const SimLayout &l = L();
        const std::vector<uint8_t> wind = {0, 0, 0, 1, 0xE, 0};  // 36 km/h x 25600
        const Case cases[] = {
            {65, 83, 0, {{l.ihum.min_l, {7, 4}}, {l.ihum.max_l, {7, 4}}}, {l.ihum.min_stamp, l.ihum.max_stamp}},
            {66, 84, 1, {{l.ohum.min_l, {3, 8}}, {l.ohum.max_l, {3, 8}}}, {l.ohum.min_stamp, l.ohum.max_stamp}},
            {67, 85, 2, {{l.itemp.min_ll, {0, 0, 4, 1, 5}}, {l.itemp.max_ll, {0, 0, 4, 1, 5}}},
             {l.itemp.min_stamp, l.itemp.max_stamp}},
            {68, 86, 3, {{l.otemp.min_ll, {0, 0, 3, 6, 2}}, {l.otemp.max_ll, {0, 0, 3, 6, 2}}},
             {l.otemp.min_stamp, l.otemp.max_stamp}},
            {69, 87, 4, {{l.dew.min_ll, {0, 5, 2, 5, 3}}, {l.dew.max_ll, {0, 5, 2, 5, 3}}},
             {l.dew.min_stamp, l.dew.max_stamp}},
            {70, 88, 5, {{l.chill.min_ll, {5, 7, 8, 1, 2}}, {l.chill.max_ll, {5, 7, 8, 1, 2}}},
             {l.chill.min_stamp, l.chill.max_stamp}},
            {71, 89, 6, {{l.wind_min, wind}, {l.wind_max, wind}, {l.wind_minmax_flags, {0}}},
             {l.wind_min_stamp, l.wind_max_stamp}},
            {72, 90, 7,
             {{l.press_min, {3, 2, 0, 0, 1, 0, 6, 9, 2, 0, 8, 2, 1, 0, 1, 1, 9, 9, 2, 0}},
              {l.press_max, {3, 2, 0, 0, 1, 0, 6, 9, 2, 0, 8, 2, 1, 0, 1, 1, 9, 9, 2, 0}}},
             {l.press_min_stamp, l.press_max_stamp}},
            {73, 91, 8, {{l.rain1h_max, {5, 4, 3, 0, 0, 0}}}, {l.rain1h_max_stamp}},
            {74, 92, 8, {{l.rain24h_max, {6, 0, 7, 2, 0, 0}}}, {l.rain24h_max_stamp}},
        };
        for (const Case &c : cases) {
            const std::string what = "code " + std::to_string(c.code);
            std::vector<Region> allowed;
            for (const Field &f : c.values) {
                b().PokeNibbles(f.address, Garbled(f.nibbles));
                allowed.push_back({f.address, static_cast<int>(f.nibbles.size())});
            }
            for (uint32_t s : c.stamps) {
                b().PokeNibbles(s, {0, 0, 0, 0, 1, 0, 1, 0, 0, 0});  // 2000-01-01 00:00
                allowed.push_back({s, 10});
            }
            // The link's data-poll timer keeps counting these down by whole seconds.
            for (int g = 0; g < 10; ++g) *PollTimerOf(rec, g) = 100;
            const SimMemory before = b().Snapshot();
            const CommandOutcome out = b().Handle(MakeCommand(c.code));
            const SimMemory after = b().Snapshot();
            EXPECT_EQ(out.result, 0) << what;
            EXPECT_EQ(out.Kinds(), std::vector<int>{c.reply}) << what;
            for (const Field &f : c.values)
                EXPECT_EQ(b().Nibbles(f.address, static_cast<int>(f.nibbles.size())), f.nibbles)
                    << what << " at 0x" << std::hex << f.address;
            for (uint32_t s : c.stamps) ExpectStampNow(after, s, out, what);
            for (int g = 0; g < 10; ++g) {
                if (g == c.group) {
                    EXPECT_EQ(*PollTimerOf(rec, g), 0) << what << ", group " << g;
                } else {
                    EXPECT_GT(*PollTimerOf(rec, g), 50) << what << ", group " << g;
                }
            }
            EXPECT_EQ(out.eeprom_request, 0) << what;
            ExpectChangesWithin(ChangedNibbles(before, after), allowed, what);
        }
    });
}

TEST_P(CommandCodes, GeneralAlarmClearsOnlyItsBit) {
    Run([&] {
        b().Poke(0x020, 0xF);
        CommRecord()->alarm_state.poll_timer = 7;
        const SimMemory before = b().Snapshot();
        const CommandOutcome out = b().Handle(MakeCommand(75));
        EXPECT_EQ(out.Kinds(), std::vector<int>{93});
        EXPECT_EQ(b().Peek(0x020), 0xB);
        EXPECT_EQ(CommRecord()->alarm_state.poll_timer, 0);
        EXPECT_EQ(out.eeprom_request, 0);
        ExpectChangesWithin(ChangedNibbles(before, b().Snapshot()), {{0x020, 1}}, "code 75");
    });
}

// ---- the rest -------------------------------------------------------------------------

TEST_P(CommandCodes, WindUnitReadAndIgnoredCodesSendNothing) {
    Run([&] {
        b().Poke(L().wind_unit, 4);  // the console's mph
        CommandOutcome out = b().Handle(MakeCommand(0));
        EXPECT_EQ(StationWindUnit(), 2);
        EXPECT_TRUE(out.records.empty());
        EXPECT_GT(out.Received(), 0u);
        b().Poke(L().wind_unit, 1);  // knots
        b().Handle(MakeCommand(0));
        EXPECT_EQ(StationWindUnit(), 3);

        const SimMemory before = b().Snapshot();
        for (int code : {-5, 1, 4, 5, 7, 76, 99, 1000}) {
            out = b().Handle(MakeCommand(code));
            EXPECT_EQ(out.result, 0) << code;
            EXPECT_TRUE(out.records.empty()) << code;
            EXPECT_EQ(out.Received(), 0u) << code;
            EXPECT_EQ(out.eeprom_request, 0) << code;
        }
        EXPECT_TRUE(ChangedNibbles(before, b().Snapshot()).empty());
    });
}

TEST_P(CommandCodes, HistorySettingsWriteIntervalCountdownAndEmptyTheRing) {
    Run([&] {
        KORHistoryHeader *h = &CommRecord()->station_header;
        h->interval_code = 14;
        h->header_timer = 500;
        CommandRecord cmd = MakeCommand(2);
        cmd.param = 29;   // 30 minutes
        cmd.param2 = 7;   // next data set in 7 minutes
        const SimMemory before = b().Snapshot();
        const CommandOutcome out = b().Handle(cmd);
        EXPECT_EQ(out.result, 0);
        EXPECT_EQ(out.eeprom_request, 0);
        // The data sets still to fetch were stored at the old interval: their times are
        // counted with it until the next header read brings the new one.
        EXPECT_EQ(h->interval_code, 14);
        if (GetParam() == 1) {
            // No history memory: nothing to write, and the command must not hang.
            EXPECT_TRUE(out.records.empty());
            EXPECT_EQ(out.Received(), 0u);
            EXPECT_GT(h->header_timer, 400);  // untouched but for the data-poll timer
            return;
        }
        EXPECT_EQ(out.Kinds(), std::vector<int>{34});
        EXPECT_EQ(h->header_timer, 0);
        EXPECT_EQ(b().Nibbles(L().hist_interval, 3), (std::vector<uint8_t>{0xD, 1, 0}));
        EXPECT_EQ(b().Nibbles(L().hist_countdown, 3), (std::vector<uint8_t>{7, 0, 0}));
        EXPECT_EQ(b().Nibbles(L().hist_count, 2), (std::vector<uint8_t>{0, 0}));
        ExpectChangesWithin(ChangedNibbles(before, b().Snapshot()),
                            {{L().hist_interval, 6}, {L().hist_count, 2}}, "code 2");
    });
}

TEST_P(CommandCodes, HistoryFileChangeTakesTheFileAndReplansTheDownload) {
    Run([&] {
        KORData *rec = CommRecord();
        const std::string first = b().folder().file("first.dat");
        snprintf(rec->history_file_name, sizeof rec->history_file_name, "%s", first.c_str());
        ASSERT_EQ(InitFileHistoryHeader(&rec->file_header, first.c_str()), 1);
        rec->history_file_ok = 1;
        HistoryRecord set{};
        set.time = 1'700'000'000u;
        ASSERT_EQ(AddHistoryDataSetToFile(rec, &set), 0);

        // A new file: taken, reported, and begun with the newest data set alone.
        const std::string fresh = b().folder().file("fresh.dat");
        CommandRecord cmd = MakeCommand(3);
        snprintf(cmd.file_name, sizeof cmd.file_name, "%s", fresh.c_str());
        rec->station_header.to_read = 9;
        rec->station_header.header_timer = 300;
        CommandOutcome out = b().Handle(cmd);
        ASSERT_EQ(out.Kinds(), std::vector<int>{6});
        EXPECT_STREQ(out.records.back().text, fresh.c_str());
        EXPECT_STREQ(rec->history_file_name, fresh.c_str());
        EXPECT_EQ(flag_new_history_file, 1);
        EXPECT_EQ(rec->station_header.to_read, 0);
        EXPECT_EQ(rec->station_header.header_timer, 0);
        EXPECT_EQ(out.Received(), 0u);

        // Back to a file that holds data: a download planned for the other file is
        // dropped, so that nothing older than this file's newest set is appended to it.
        snprintf(cmd.file_name, sizeof cmd.file_name, "%s", first.c_str());
        rec->station_header.to_read = 9;
        out = b().Handle(cmd);
        ASSERT_EQ(out.Kinds(), std::vector<int>{6});
        HistoryFileHeader reported;
        memcpy(&reported, out.records.back().payload, sizeof reported);
        EXPECT_EQ(reported.count, 1);
        EXPECT_EQ(reported.last_time, set.time);
        EXPECT_EQ(rec->file_header.last_time, set.time);
        EXPECT_EQ(flag_new_history_file, 0);
        EXPECT_EQ(rec->station_header.to_read, 0);

        // A file that cannot be made: the old one stays in use, no reply.
        snprintf(cmd.file_name, sizeof cmd.file_name, "%s", "/nonexistent-dir/x/history.dat");
        out = b().Handle(cmd);
        EXPECT_TRUE(out.records.empty());
        EXPECT_STREQ(rec->history_file_name, first.c_str());
        EXPECT_EQ(rec->history_file_ok, 1);
    });
}

INSTANTIATE_TEST_SUITE_P(BothConsoles, CommandCodes, ::testing::Values(1, 2));

}  // namespace
