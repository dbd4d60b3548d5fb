// The inductance from the resolved current of a sinusoidal run, its bounds,
// and runs that measured nothing.
#include "commissioning/inductance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace commissioning {
namespace {

constexpr double kKc = 409.6;
constexpr double kKv = 32767.0 / 48.0;
constexpr double kTs = 100e-6;
constexpr double kIncrement = 1024;

// A run on a winding of r_Ohm and l_H: per period the current phasor is
// U / (R + j omega L), resolved into its part lagging the voltage and its
// part in phase with it, in counts.
InductanceRun RunOn(double r_Ohm, double l_H, int points = 400) {
  InductanceRun run;
  run.amplitude_counts = 2000.0;
  run.increment = kIncrement;
  run.period_s = kTs;
  run.current_counts_per_A = kKc;
  run.voltage_counts_per_V = kKv;
  const double omega = 2 * std::numbers::pi * kIncrement / (kTs * 65535);
  const double u_V = run.amplitude_counts / kKv;
  const double z2 = r_Ohm * r_Ohm + omega * omega * l_H * l_H;
  const double lagging = u_V * omega * l_H / z2 * kKc;
  const double in_phase = u_V * r_Ohm / z2 * kKc;
  for (int k = 0; k < points; ++k) run.means.Add(lagging, in_phase);
  return run;
}

TEST(InductanceFromSineRun, FindsTheWindingWhateverItsResistance) {
  for (const double r : {0.1, 1.2, 20.0}) {
    for (const double l : {60e-6, 3e-3, 0.5}) {
      SCOPED_TRACE(testing::Message() << r << " ohm, " << l << " H");
      const auto result = InductanceFromSineRun(RunOn(r, l));
      ASSERT_TRUE(result.ok()) << result.error();
      EXPECT_NEAR(result.value(), l, 1e-9 * l);
    }
  }
}

// The two bounds: the check and its message name the same 50 uH and 1 H,
// and each bound itself is accepted.
TEST(InductanceFromSineRun, BoundsAgreeWithTheirMessages) {
  struct Row {
    double l_H;
    bool accepted;
    const char* text;
  };
  const Row rows[] = {
      {49.9e-6, false, kInductanceTooLow},  {50e-6, true, ""},  {50.1e-6, true, ""}, {20e-6, false, kInductanceTooLow},
      {0.999, true, ""},                    {1.0, true, ""},    {1.001, false, kInductanceTooHigh},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.l_H);
    // Built so that the formula lands on the bound exactly: with x = 1,
    // P = 1 and U = omega, L is Kc / Kv.
    InductanceRun run = RunOn(1.0, 1e-3, 0);
    run.means.Add(1.0, 0.0);
    run.amplitude_counts = 2.0 * std::numbers::pi * run.increment / (run.period_s * 65535.0);
    run.current_counts_per_A = row.l_H;
    run.voltage_counts_per_V = 1.0;
    const auto result = InductanceFromSineRun(run);
    ASSERT_EQ(result.ok(), row.accepted) << (result.ok() ? "" : result.error());
    if (!row.accepted) {
      EXPECT_EQ(result.error(), row.text);
    }
  }
  EXPECT_NE(std::string(kInductanceTooLow).find("50 µH"), std::string::npos);
}

TEST(InductanceFromSineRun, NothingMeasuredIsNeverAValue) {
  // No points logged: once both means took the increment and gave U / omega.
  const auto none = InductanceFromSineRun(RunOn(1.2, 3e-3, 0));
  ASSERT_FALSE(none.ok());
  EXPECT_NE(none.error().find("logged no points"), std::string::npos);

  // An open winding: no current, P = 0.
  InductanceRun open = RunOn(1.2, 3e-3);
  open.means = SineRunMeans();
  open.means.Add(0.0, 0.0);
  const auto no_current = InductanceFromSineRun(open);
  ASSERT_FALSE(no_current.ok());
  EXPECT_NE(no_current.error().find("No current flowed"), std::string::npos);

  // The current led the voltage: a negative L is below the minimum.
  InductanceRun leading = RunOn(1.2, 3e-3);
  leading.amplitude_counts = -leading.amplitude_counts;
  const auto led = InductanceFromSineRun(leading);
  ASSERT_FALSE(led.ok());
  EXPECT_EQ(led.error(), kInductanceTooLow);

  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (double InductanceRun::*field : {&InductanceRun::amplitude_counts, &InductanceRun::increment,
                                       &InductanceRun::period_s, &InductanceRun::voltage_counts_per_V}) {
    for (const double bad : {kNaN, kInf, 0.0}) {
      InductanceRun run = RunOn(1.2, 3e-3);
      run.*field = bad;
      const auto result = InductanceFromSineRun(run);
      EXPECT_FALSE(result.ok()) << bad;
    }
  }
}

// The program logs a current without any lagging part when the sampled
// current could not resolve the winding: that is the sampling's limit, and
// the text says so instead of blaming a small inductance. A winding that
// was resolved to below 50 uH is still refused for its inductance.
TEST(InductanceFromSineRun, AnUnresolvedWindingNamesTheSamplingNotTheBound) {
  InductanceRun unresolved = RunOn(12.7, 287e-6, 0);
  for (int k = 0; k < 400; ++k) unresolved.means.Add(0.0, 2000.0 / kKv / 12.7 * kKc);
  const auto result = InductanceFromSineRun(unresolved);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(),
            "The inductance could not be measured: the winding's electrical time constant (L/R) is too short for the "
            "drive's current loop, which samples every 100 µs, so the current showed no measurable lag behind the "
            "test voltage.");

  const auto small = InductanceFromSineRun(RunOn(0.3, 40e-6));
  ASSERT_FALSE(small.ok());
  EXPECT_EQ(small.error(), kInductanceTooLow);
}

TEST(SineRunMeans, AveragesTheLaggingPartAndThePower) {
  SineRunMeans means;
  means.Add(3.0, 4.0);
  means.Add(1.0, 0.0);
  EXPECT_EQ(means.points(), 2u);
  EXPECT_DOUBLE_EQ(means.lagging(), 2.0);
  EXPECT_DOUBLE_EQ(means.power(), 13.0);
}

}  // namespace
}  // namespace commissioning
