// The phase connection pass rule on the wirings a commissioning engineer
// meets: good, an open phase, a reversed phase, unbalanced windings.
#include "commissioning/phase_connection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace commissioning {
namespace {

TEST(PhaseCurrent, ConvertsCountsAndRoundsToHundredths) {
  // 5 A "ImaxPS" over a 4095-count converter: 2047.5 counts is 5 A.
  EXPECT_DOUBLE_EQ(PhaseCurrent_A(2047.5, 5.0, 4095.0), 5.0);
  EXPECT_DOUBLE_EQ(PhaseCurrent_A(-409.5, 5.0, 4095.0), -1.0);
  EXPECT_DOUBLE_EQ(PhaseCurrent_A(100.0, 5.0, 4095.0), 0.24);  // 0.2442
  EXPECT_TRUE(std::isnan(PhaseCurrent_A(100.0, 5.0, 0.0)));
}

// Phase currents in amperes for a test current of 1 A.
struct Row {
  double ia;
  double ib;
  bool pass;
  const char* wiring;
};

template <std::size_t N>
void ExpectRule(const Row (&rows)[N], bool three_phase) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.wiring);
    EXPECT_EQ(PhaseConnectionPasses(row.ia, row.ib, 1.0, three_phase), row.pass);
  }
}

TEST(PhaseConnectionRule, TwoPhases) {
  const Row rows[] = {
      {1.0, -1.0, true, "both phases"},
      {1.0, 1.0, true, "phase B reversed: only the direction changes"},
      {1.0, 0.0, false, "phase B open (ratio 1000)"},
      {0.0, -1.0, false, "phase A open"},
      {1.0, -0.7, false, "unbalanced (ratio 1.43)"},
      {1.0, -0.85, true, "within the 20 % band"},
      {0.5, -0.5, false, "IA not above half the test current"},
      {0.51, -0.51, true, "IA just above half"},
  };
  ExpectRule(rows, false);
}

TEST(PhaseConnectionRule, ThreePhases) {
  const Row rows[] = {
      {1.0, -0.5, true, "star, all phases"},
      {1.0, 0.5, false, "IB must be negative"},
      {1.0, -1.0, false, "ratio 1: phase C open"},
      {1.0, 0.0, false, "phase B open"},
      {1.5, -0.75, false, "IA above 1.4 I"},
      {0.6, -0.3, false, "IA not above 0.6 I"},
      {1.0, -0.41, true, "ratio 2.44"},
      {1.0, -0.4, false, "ratio 2.5"},
  };
  ExpectRule(rows, true);
}

TEST(PhaseConnectionRule, NonFiniteCurrentsNeverPass) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const bool three : {false, true}) {
    EXPECT_FALSE(PhaseConnectionPasses(nan, -1.0, 1.0, three));
    EXPECT_FALSE(PhaseConnectionPasses(1.0, nan, 1.0, three));
    EXPECT_FALSE(PhaseConnectionPasses(1.0, -1.0, nan, three));
  }
  EXPECT_EQ(PhaseCurrentRatio(1.0, 0.0), 1000.0);
}

}  // namespace
}  // namespace commissioning
