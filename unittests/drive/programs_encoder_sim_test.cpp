// The encoder programs on the simulated drive, read the way the encoder
// tests read them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "drive/encoder_serial.h"
#include "drive/continuous_run.h"
#include "drive/sim_bench.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"

namespace {

struct ResolutionCase {
  const char* example;
  const char* motor;   // the "motor" member of the simulation
  const char* sensor;  // "encoder" or "sincos"
  int lines;
  bool reversed;
};

std::string Simulation(const ResolutionCase& c) {
  return std::string("{\"motor\": ") + c.motor + ", \"sensors\": {\"" + c.sensor +
         "\": {\"lines\": " + std::to_string(c.lines) + ", \"reversed\": " + (c.reversed ? "true" : "false") + "}}}";
}

// The resolution test's run: positioning, then one turn in the phase
// sequence; the final count of "var_lf_long".
double FinalCount(SimBench& bench, const char* program) {
  const double current = bench.setup().GetParameterValueInInternalUnit("TestCurrent");
  if (!bench.Run("Initial_Positioning_Test", {{"In1", current}})) return kMissingValue;
  const double reference = bench.Variable("REFTST_V");
  const double pole_pairs = std::trunc(bench.setup().GetParameterValueInBaseUnit("NoMotorSteps") * 0.25);
  if (!bench.Run(program, {{"RefTest", reference}, {"PolesPairs", pole_pairs}}, nullptr, 30.0)) return kMissingValue;
  return bench.Variable("var_lf_long");
}

class EncoderResolutionSim : public testing::TestWithParam<ResolutionCase> {};

TEST_P(EncoderResolutionSim, OneTurnCountsTheLinesWithTheirDirection) {
  const ResolutionCase c = GetParam();
  SimBench bench(c.example, Simulation(c));
  const char* program =
      std::string(c.sensor) == "sincos" ? "SC_Encoder_Resolution_And_Direction_Test" : "Encoder_Resolution_And_Direction_Test";
  const double count = FinalCount(bench, program);
  ASSERT_NE(count, kMissingValue);
  // The test takes trunc(count / 4) as the line estimate: the rotor may
  // end a count or two off the exact turn, which the quarter absorbs
  // when it lands on the near side.
  // The count runs backwards when the wiring and the drive's counting
  // direction disagree: what the test reports as a reversed encoder.
  const bool counting_reversed = bench.setup().GetParameterValueInInternalUnit("COUNTINGDIR") != 0;
  const double sign = c.reversed != counting_reversed ? -1.0 : 1.0;
  EXPECT_NEAR(count * sign, 4.0 * c.lines, 3.0);
  EXPECT_EQ(std::lround(count * sign / 4.0), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, EncoderResolutionSim,
    testing::Values(
        ResolutionCase{"closed_loop_incremental_1000.json", "{}", "encoder", 1000, false},
        ResolutionCase{"closed_loop_incremental_1000.json", "{}", "encoder", 500, true},
        ResolutionCase{"closed_loop_incremental_1000.json", "{}", "encoder", 2000, false},
        ResolutionCase{"two_phase_open_loop.json", "{}", "encoder", 2500, false},
        ResolutionCase{"two_phase_open_loop.json", "{}", "sincos", 4096, true},
        ResolutionCase{"three_phase_open_loop.json", "{\"pole_pairs\": 50}", "encoder", 1000, false},
        ResolutionCase{"three_phase_open_loop.json", "{\"pole_pairs\": 50}", "encoder", 4096, true}),
    [](const testing::TestParamInfo<ResolutionCase>& info) { return CaseName(info.param, info.index); });

TEST(EncoderFaultsSim, NoPulsesLeavesTheCountAtZero) {
  SimBench bench("closed_loop_incremental_1000.json",
                 R"({"sensors": {"encoder": {"lines": 1000, "fault": "no-pulses"}}})");
  EXPECT_EQ(FinalCount(bench, "Encoder_Resolution_And_Direction_Test"), 0.0);
}

}  // namespace

namespace {

// The axis running onto a limit switch raises its bit and stops the
// program; the other switch stays quiet.
TEST(LimitSwitchSim, TravelOntoASwitchRaisesItsBitAndStopsTheProgram) {
  SimBench bench("closed_loop_incremental_1000.json",
                 R"({"limit_switches": {"positive_rad": 0.5, "negative_rad": -0.5},
                     "person": {"hand_speed_rad_s": 2.0}})");
  ContinuousRun run(bench, "Encoder_Connection_Test_SCL");
  ASSERT_TRUE(run.Start());
  run.RunFor(0.2);
  EXPECT_TRUE(bench.drive().running()) << "0.4 rad: short of the switch";
  EXPECT_EQ(static_cast<int>(bench.Variable("MER")) & 0x00C0, 0);
  run.RunFor(0.1);
  EXPECT_FALSE(bench.drive().running());
  EXPECT_EQ(static_cast<int>(bench.Variable("MER")) & 0x00C0, 0x0040);

  SimBench backwards("closed_loop_incremental_1000.json",
                     R"({"limit_switches": {"negative_rad": -0.5}, "person": {"hand_speed_rad_s": -2.0}})");
  ContinuousRun reverse(backwards, "Encoder_Connection_Test_SCL");
  ASSERT_TRUE(reverse.Start());
  reverse.RunFor(0.3);
  EXPECT_EQ(static_cast<int>(backwards.Variable("MER")) & 0x00C0, 0x0080);
}

TEST(EncoderConnectionSim, HandTurnedShaftMovesTheCounterAndCapturesTheIndex) {
  // Half a turn per second, the index mark a quarter turn from the start.
  SimBench bench("closed_loop_incremental_1000.json",
                 R"({"sensors": {"encoder": {"lines": 1000, "index_angle_rad": 1.5707963}},
                     "person": {"hand_speed_rad_s": 3.14159265}})");
  ContinuousRun run(bench, "Encoder_Connection_Test_SCL");
  ASSERT_TRUE(run.Start());
  run.RunFor(0.1);
  ASSERT_EQ(bench.setup().ExecuteString("DISCAPI;!CAP;ENCAPI1;"), 1);
  EXPECT_EQ(bench.Variable("CAPPOS"), 0.0);  // "not detected" until the mark passes
  run.RunFor(0.6);
  // The setup counts in reverse; the counter runs down as the shaft turns
  // forward, and the capture holds the count at the mark.
  const double sign = bench.setup().GetParameterValueInInternalUnit("COUNTINGDIR") != 0 ? -1.0 : 1.0;
  EXPECT_NEAR(bench.Variable("APOS_MT") * sign, 0.35 * 4000, 2.0);
  EXPECT_NEAR(bench.Variable("CAPPOS") * sign, 0.25 * 4000, 2.0);
  EXPECT_TRUE(run.Stop());
}

TEST(EncoderConnectionSim, MissingSignalsLeaveTheCounterStill) {
  for (const char* fault : {"no-pulses", "missing-channel"}) {
    SimBench bench("closed_loop_incremental_1000.json",
                   std::string(R"({"sensors": {"encoder": {"lines": 1000, "fault": ")") + fault +
                       R"("}}, "person": {"hand_speed_rad_s": 6.0}})");
    ContinuousRun run(bench, "Encoder_Connection_Test_SCL");
    ASSERT_TRUE(run.Start());
    double farthest = 0.0;
    for (int k = 0; k < 50; ++k) {
      run.RunFor(0.02);
      farthest = std::max(farthest, std::abs(bench.Variable("APOS_MT")));
    }
    // The test sees no revolution's worth of pulses: at most a dither.
    EXPECT_LE(farthest, 1.0) << fault;
    EXPECT_TRUE(run.Stop());
  }
}

TEST(SerialEncoderConnectionSim, ReadsTheAbsolutePositionAndFlagsBadFrames) {
  SimBench bench("closed_loop_ssi_17bit.json",
                 R"({"sensors": {"ssi": {"bits": 17, "offset": 5000}}, "person": {"hand_speed_rad_s": 1.0}})");
  ContinuousRun run(bench, "SSI_Encoder_Connection_Test");
  ASSERT_TRUE(run.Start());
  run.RunFor(0.5);
  // 0.5 rad past the start, from the encoder's own reading there; the
  // hand moves the shaft 2 counts per fast step between two reads.
  EXPECT_NEAR(bench.Variable("APOS_MT"), 5000 + 0.5 / (2 * std::numbers::pi) * 131072, 5.0);
  EXPECT_TRUE(run.Stop());

  SimBench broken("closed_loop_ssi_17bit.json", R"({"sensors": {"ssi": {"bits": 17, "fault": "no-response"}}})");
  ContinuousRun dead(broken, "SSI_Encoder_Connection_Test");
  ASSERT_TRUE(dead.Start());
  dead.RunFor(0.05);
  EXPECT_FALSE(broken.drive().running());
  EXPECT_EQ(static_cast<int>(broken.Variable("MER")) & 0x0020, 0x0020);  // "Feedback error."
}

}  // namespace

namespace {

struct OffsetCase {
  const char* example;
  const char* protocol;
  bool gray;
  bool reversed;
  std::uint64_t offset;
};

class SerialOffsetSim : public testing::TestWithParam<OffsetCase> {};

TEST_P(SerialOffsetSim, AlignedRotorReadsTheEncoderOffsetExactly) {
  const OffsetCase c = GetParam();
  // The rotor starts near the second electrical zero of the turn, so the
  // aligned reading lies 0.44 counts inside a code (131072 / 50 = 2621.44)
  // rather than on an edge.
  const double aligned_rad = 2 * std::numbers::pi / 50;
  const std::string simulation =
      std::string(R"({"motor": {"pole_pairs": 50}, "initial_angle_rad": )") + std::to_string(aligned_rad + 0.02) +
      R"(, "sensors": {"ssi": {"bits": 17, "protocol": ")" + c.protocol + R"(", "gray": )" +
      (c.gray ? "true" : "false") + R"(, "reversed": )" + (c.reversed ? "true" : "false") +
      R"(, "offset": )" + std::to_string(c.offset) + "}}}";
  SimBench bench(c.example, simulation);
  // The setup describes the encoder as it is.
  bench.setup().SetParameterValueInInternalUnit("SSIREV", 17);
  bench.setup().SetParameterValueInInternalUnit("SSITYPE", c.gray ? 1 : 0);
  bench.setup().SetParameterValueInInternalUnit("SSISENSE", c.reversed ? -1 : 1);
  bench.setup().SetParameterValueInInternalUnit("SSIFDBKTYPE", std::string(c.protocol) == "biss" ? 2 : 1);
  ASSERT_TRUE(bench.Run("SSI_Encoder_Offset_Detection_Test", {{"RefTest", 0}, {"RIncTest", 0}}));
  EXPECT_EQ(bench.Variable("var_i1"), 1.0);
  EXPECT_EQ(bench.Variable("MER"), 0.0);

  const drive::SerialEncoderParams truth{
      .protocol = std::string(c.protocol) == "biss" ? drive::SerialProtocol::BiSS : drive::SerialProtocol::SSI,
      .single_turn_bits = 17, .offset_counts = c.offset, .gray = c.gray, .reversed = c.reversed};
  const drive::SerialEncoderReader reader({.protocol = truth.protocol, .single_turn_bits = 17, .gray = c.gray,
                                           .reverse = c.reversed});
  const auto expected = reader.SingleTurn(drive::SerialEncoder(truth).Read(aligned_rad));
  ASSERT_TRUE(expected.has_value());
  // The test keeps ZAOFF modulo one turn; the program already reports it so.
  EXPECT_EQ(static_cast<std::uint64_t>(bench.Variable("ZAOFF")) % 131072, *expected);
}

INSTANTIATE_TEST_SUITE_P(Encoders, SerialOffsetSim,
                         testing::Values(OffsetCase{"closed_loop_ssi_17bit.json", "ssi", false, false, 874},
                                         OffsetCase{"closed_loop_ssi_17bit.json", "ssi", true, false, 100000},
                                         OffsetCase{"closed_loop_ssi_17bit.json", "biss", false, true, 5000},
                                         OffsetCase{"closed_loop_ssi_17bit.json", "biss", true, true, 131000},
                                         OffsetCase{"three_phase_open_loop.json", "ssi", false, false, 874},
                                         OffsetCase{"three_phase_open_loop.json", "biss", true, true, 70000}),
    [](const testing::TestParamInfo<OffsetCase>& info) { return CaseName(info.param, info.index); });

}  // namespace

namespace {

// Motors the field used to lose at its fixed voltage and pace (the
// inductance ate the current, the back-EMF the voltage, a heavy load the
// torque), which then counted 318, 1688 or 81 for a 1000-line encoder. The
// count is the lines' exactly, or 0, the count of a shaft that did not
// turn; never a count that reads as a wrong line count.
TEST(EncoderResolutionSim, ARotorThatDoesNotFollowCountsZeroNeverAWrongLineCount) {
  struct Case {
    const char* motor;
    double test_current_A;
    bool follows;  // the current can move it along the program's slow turn
  };
  int exact = 0;
  for (const Case& c : {Case{R"({"K": 0.5, "L": 0.003, "R": 0.5, "Jm": 1e-4})", 0.6, true},
                        Case{R"({"K": 0.1, "L": 0.003, "R": 0.5, "Jm": 1e-4})", 0.6, true},
                        Case{R"({"K": 0.5, "L": 0.03, "R": 2, "Jm": 1e-4})", 0.2, true},
                        Case{R"({"K": 0.03, "Jm": 5e-4, "Jload": 5e-3, "L": 0.04, "R": 2})", 0.5, false}}) {
    SCOPED_TRACE(c.motor);
    SimBench bench("closed_loop_incremental_1000.json",
                   std::string(R"({"motor": )") + c.motor + R"(, "sensors": {"encoder": {"lines": 1000, "reversed": true}}})");
    const double current = c.test_current_A * bench.CurrentScale();
    ASSERT_TRUE(bench.Run("Initial_Positioning_Test", {{"In1", current}}));
    ASSERT_TRUE(bench.Run("Encoder_Resolution_And_Direction_Test",
                          {{"RefTest", bench.Variable("REFTST_V")}, {"PolesPairs", 50}}, nullptr, 30.0));
    const double count = bench.Variable("var_lf_long");
    // The setup counts in reverse, as the encoder is wired: a turn counts up.
    if (count != 0.0) {
      EXPECT_NEAR(count, 4000.0, 2.0);
      ++exact;
    }
  }
  EXPECT_GE(exact, 3) << "the motors that can move at their test current are counted";
}

// The encoder's reading at the electrical zero nearest `offset`, modulo the
// 17-bit turn, for a rotor of 50 pole pairs: the distance in counts.
double CountsOffAnElectricalZero(double offset) {
  const drive::SerialEncoderParams truth{.single_turn_bits = 17, .offset_counts = 874};
  const drive::SerialEncoderReader reader({.single_turn_bits = 17});
  double nearest = 131072;
  for (int k = 0; k < 50; ++k) {
    const auto reading = reader.SingleTurn(drive::SerialEncoder(truth).Read(2 * std::numbers::pi * k / 50));
    nearest = std::min(nearest, std::abs(std::remainder(offset - static_cast<double>(reading.value_or(0)), 131072.0)));
  }
  return nearest;
}

// A winding of 20 ohm on 12 V cannot carry the drive's current limit: the
// voltage saturated and the rotor settled 271 counts (and 55, from another
// start) off its zero. Now the alignment current stops where the voltage
// runs out, and the offset is exact, or the drive flags its feedback as
// unusable and never reports one: with the friction of the setup's rated
// current the half ampere the supply drives leaves too wide a band; with
// a tenth of it the rotor aligns.
TEST(SerialOffsetSim, AWindingTheSupplyCannotFeedAtTheLimitStillAlignsOrSaysItCannot) {
  struct Case {
    double start_rad;
    const char* friction;
  };
  int exact = 0;
  for (const Case& c : {Case{0.013, ""}, Case{0.5, ""}, Case{0.5, R"(, "coulomb_friction": 0.001)"}}) {
    SCOPED_TRACE(c.start_rad);
    SCOPED_TRACE(c.friction);
    SimBench bench("closed_loop_ssi_17bit.json",
                   std::string(R"({"supply_V": 12, "motor": {"R": 20, "L": 0.01, "K": 0.1, "Jm": 4e-6, "pole_pairs": 50)") +
                       c.friction + R"(}, "initial_angle_rad": )" + std::to_string(c.start_rad) +
                       R"(, "sensors": {"ssi": {"bits": 17, "offset": 874}}})");
    bench.setup().SetParameterValueInInternalUnit("SSIREV", 17);
    ASSERT_TRUE(bench.Run("SSI_Encoder_Offset_Detection_Test", {{"RefTest", 0}, {"RIncTest", 0}}, nullptr, 20.0));
    if ((static_cast<int>(bench.Variable("MER")) & 0x0020) != 0) {
      EXPECT_EQ(bench.Variable("var_i1"), 0.0);
      continue;
    }
    EXPECT_EQ(bench.Variable("var_i1"), 1.0);
    EXPECT_LE(CountsOffAnElectricalZero(bench.Variable("ZAOFF")), 1.0);
    ++exact;
  }
  EXPECT_GE(exact, 1);
}

// Friction no current at hand can overcome: the rotor stays wherever it
// was, so the offset is not worth having and the program says so.
TEST(SerialOffsetSim, ARotorFrictionHoldsGivesNoOffset) {
  SimBench bench("closed_loop_ssi_17bit.json",
                 R"({"motor": {"coulomb_friction": 50, "pole_pairs": 50}, "initial_angle_rad": 0.01,
                     "sensors": {"ssi": {"bits": 17, "offset": 874}}})");
  bench.setup().SetParameterValueInInternalUnit("SSIREV", 17);
  ASSERT_TRUE(bench.Run("SSI_Encoder_Offset_Detection_Test", {{"RefTest", 0}, {"RIncTest", 0}}, nullptr, 20.0));
  EXPECT_EQ(static_cast<int>(bench.Variable("MER")) & 0x0020, 0x0020);
  EXPECT_EQ(bench.Variable("var_i1"), 0.0);
}

}  // namespace
