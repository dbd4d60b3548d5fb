// The resistance from two runs: the true winding resistance whatever the
// bridge's own voltage drop, and a named cause when the runs cannot give one.
#include "commissioning/resistance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace commissioning {
namespace {

constexpr double kKc = 409.6;           // counts per A
constexpr double kKv = 32767.0 / 48.0;  // counts per V

// The voltage a run needs for `current_counts` through `r_Ohm`, with a
// constant drop of `drop_V` in the bridge, clipped at the supply.
ResistanceRun Run(double current_counts, double r_Ohm, double drop_V) {
  if (current_counts == 0.0) return {.voltage_counts = drop_V * kKv, .current_counts = 0.0};
  const double wanted_V = drop_V + r_Ohm * current_counts / kKc;
  const double voltage_V = std::min(wanted_V, 48.0);
  const double reached = current_counts * (voltage_V - drop_V) / (wanted_V - drop_V);
  return {.voltage_counts = voltage_V * kKv, .current_counts = reached};
}

ResistanceRuns Runs(double test_counts, double r_Ohm, double drop_V = 0.7) {
  return {.test_current_counts = test_counts,
          .full = Run(test_counts, r_Ohm, drop_V),
          .half = Run(std::floor(test_counts / 2), r_Ohm, drop_V),
          .current_counts_per_A = kKc,
          .voltage_counts_per_V = kKv};
}

TEST(ResistanceFromTwoRuns, TheBridgeDropCancels) {
  for (const double r : {0.05, 1.2, 20.0}) {
    SCOPED_TRACE(r);
    const auto result = ResistanceFromTwoRuns(Runs(819, r));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_NEAR(result.value(), r, 1e-9 * r);
  }
}

TEST(ResistanceFromTwoRuns, ASupplyThatCannotDriveTheTestCurrentIsNamed) {
  // 20 A would need 1200 V through 60 ohm: both runs clip at the same
  // current, which once gave 0 / 0.
  const auto both = ResistanceFromTwoRuns(Runs(8192, 60.0));
  ASSERT_FALSE(both.ok());
  EXPECT_NE(both.error().find("supply voltage is too low"), std::string::npos) << both.error();

  // Equal currents although the first run reached its target: the drive
  // reported the same point twice.
  ResistanceRuns same = Runs(819, 1.2);
  same.half = same.full;
  const auto equal = ResistanceFromTwoRuns(same);
  ASSERT_FALSE(equal.ok());
  EXPECT_NE(equal.error().find("the same current"), std::string::npos) << equal.error();
  EXPECT_NE(equal.error().find("supply voltage cannot drive the test current"), std::string::npos);
}

TEST(ResistanceFromTwoRuns, ATestCurrentTooSmallToHalveFails) {
  // One count halves to 0 by integer division; the step of one count is
  // still a slope, but a test current of 0 is none.
  EXPECT_TRUE(ResistanceFromTwoRuns(Runs(1, 1.2, 0.0)).ok());
  const auto zero = ResistanceFromTwoRuns(Runs(0, 1.2));
  ASSERT_FALSE(zero.ok());
  EXPECT_NE(zero.error().find("above 0 A"), std::string::npos);
}

TEST(ResistanceFromTwoRuns, NeverGivesANonFiniteOrNegativeResistance) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  ResistanceRuns falling = Runs(819, 1.2);
  std::swap(falling.full.voltage_counts, falling.half.voltage_counts);  // the voltage fell as the current rose
  ResistanceRuns nan_voltage = Runs(819, 1.2);
  nan_voltage.full.voltage_counts = kNaN;
  ResistanceRuns inf_current = Runs(819, 1.2);
  inf_current.half.current_counts = -kInf;
  ResistanceRuns no_scale = Runs(819, 1.2);
  no_scale.voltage_counts_per_V = 0.0;
  ResistanceRuns flat = Runs(819, 1.2);
  flat.half.voltage_counts = flat.full.voltage_counts;
  for (const ResistanceRuns& runs : {falling, nan_voltage, inf_current, no_scale, flat}) {
    const auto result = ResistanceFromTwoRuns(runs);
    ASSERT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
  }
}

}  // namespace
}  // namespace commissioning
