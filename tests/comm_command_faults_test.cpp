// Commands over a bad line: a long write that the line breaks part-way goes on at the
// first nibble the console did not acknowledge (no nibble is written twice, none is
// skipped), and reads that keep failing give up after 30 failures in one command, with
// the failure reply for read-backs and no reply at all for time stamps.
#include <gtest/gtest.h>
#include <vector>

#include "station/comm/comm_thread.h"
#include "station/comm/command_handling.h"
#include "support/comm_command_bench.h"

namespace {

SimOptions Console(int variant) {
    SimOptions o;
    o.variant = variant;
    o.seed = 5;
    o.start_time = 0;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.prefill = 4;
    o.radio_interval_s = 32;
    return o;
}

class CommandFaults : public ::testing::TestWithParam<int> {};

TEST_P(CommandFaults, BrokenClearingResumesAtTheFirstUnacknowledgedNibble) {
    SimOptions o = Console(GetParam());
    // Mask 7 sends the address before every nibble, so it meets five times the bytes.
    o.drop = GetParam() == 1 ? 0.015 : 0.05;
    CommandBench bench(o);
    const SimLayout &l = *bench.layout();
    ASSERT_EQ(bench.Run([&] {
                  for (int i = 0; i < 48; ++i) bench.Poke(l.rainhist24h + static_cast<uint32_t>(i), 9);
                  for (int i = 0; i < 6; ++i) bench.Poke(l.rain24h + static_cast<uint32_t>(i), 9);
                  const CommandOutcome out = bench.Handle(MakeCommand(53));
                  EXPECT_EQ(out.Kinds(), std::vector<int>{82});
                  EXPECT_GT(out.after.dropped, out.before.dropped) << "the line never broke";
                  // Every nibble carried out exactly once: 48 + 6.
                  EXPECT_EQ(out.Writes(), 54u);
                  const SimMemory m = bench.Snapshot();
                  EXPECT_TRUE(SimNibblesAre(&m, l.rainhist24h, 0, 48));
                  EXPECT_TRUE(SimNibblesAre(&m, l.rain24h, 0, 6));
              }),
              0);
}

TEST_P(CommandFaults, ReadsGiveUpAfterThirtyFailuresInOneCommand) {
    SimOptions o = Console(GetParam());
    o.bad_checksum = 1.0;  // every read fails; identifications and writes still pass
    CommandBench bench(o);
    ASSERT_EQ(bench.Run([&] {
                  CommandRecord read_back = MakeCommand(11);
                  read_back.read_back = 30;
                  CommandOutcome out = bench.Handle(read_back);
                  EXPECT_EQ(out.result, 0);
                  EXPECT_EQ(out.Kinds(), std::vector<int>{101});
                  EXPECT_EQ(out.after.bad_checksums - out.before.bad_checksums, 30u);

                  // The budget is per command: the next one has its own 30.
                  out = bench.Handle(MakeCommand(57));
                  EXPECT_EQ(out.result, -1);
                  EXPECT_TRUE(out.Kinds().empty());
                  EXPECT_EQ(out.after.bad_checksums - out.before.bad_checksums, 30u);

                  out = bench.Handle(MakeCommand(63));
                  EXPECT_EQ(out.result, -1);
                  EXPECT_TRUE(out.Kinds().empty());

                  const int32_t unit = StationWindUnit();
                  out = bench.Handle(MakeCommand(0));
                  EXPECT_EQ(StationWindUnit(), unit);
                  EXPECT_TRUE(out.Kinds().empty());

                  // Writes do not depend on reads: the general alarm still clears.
                  bench.Poke(0x020, 0x4);
                  out = bench.Handle(MakeCommand(75));
                  EXPECT_EQ(out.Kinds(), std::vector<int>{93});
                  EXPECT_EQ(bench.Peek(0x020), 0);
              }),
              0);
}

INSTANTIATE_TEST_SUITE_P(BothConsoles, CommandFaults, ::testing::Values(1, 2));

}  // namespace
