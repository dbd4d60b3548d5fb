#include "commissioning/encoder_resolution_estimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "kernel/resolution.h"

namespace commissioning {
namespace {

TEST(StandardResolutions, TheNearestStandardLineCount) {
  const CResolution standards;
  EXPECT_EQ(standards.FindBestResolution(1000), 1000);
  EXPECT_EQ(standards.FindBestResolution(1011), 1000);
  EXPECT_EQ(standards.FindBestResolution(1013), 1024);
  EXPECT_EQ(standards.FindBestResolution(1012), 1000) << "the smaller of two equally near";
  EXPECT_EQ(standards.FindBestResolution(0), standards.GetResolution(0));
  EXPECT_EQ(standards.FindBestResolution(-500), standards.GetResolution(0));
  EXPECT_EQ(standards.FindBestResolution(1 << 30), standards.GetResolution(standards.GetResolutionCount() - 1));
  EXPECT_EQ(standards.GetResolution(-1), standards.GetResolution(0));
  EXPECT_TRUE(std::is_sorted(CResolution::kLines.begin(), CResolution::kLines.end()));
}

// A 200-step motor: its revolution is 50 electrical cycles.
constexpr int kCycles = 50;

TEST(EncoderResolutionEstimate, FourEdgesPerLineToTheNearestStandard) {
  const CResolution standards;
  for (int lines : {200, 500, 1000, 1024, 2048, 2500, 4096, 10000}) {
    SCOPED_TRACE(lines);
    const auto estimate = EstimateEncoderLines(4.0 * lines, true, kCycles, standards);
    ASSERT_TRUE(estimate.ok()) << estimate.error();
    EXPECT_EQ(estimate.value(), lines);
  }
  // A turn a few edges short or long still names its encoder.
  EXPECT_EQ(EstimateEncoderLines(3991, true, kCycles, standards).value(), 1000);
  EXPECT_EQ(EstimateEncoderLines(4011, true, kCycles, standards).value(), 1000);
}

// Every standard resolution, counted by a rotor that rests behind the field
// by up to an eighth of an electrical cycle more after the turn than before
// it, either way, and a few edges off: on motors of 50 and 100 electrical
// cycles to the revolution the count still names the encoder.
TEST(EncoderResolutionEstimate, AStandardEncoderMeasuredWithItsErrorsIsThatStandard) {
  const CResolution standards;
  for (int cycles : {50, 100}) {
    for (int lines : CResolution::kLines) {
      const double cycle_counts = 4.0 * lines / cycles;
      for (double lag : {-0.125, -0.05, 0.0, 0.05, 0.125}) {
        for (double edges : {-2.0, 0.0, 2.0}) {
          SCOPED_TRACE(::testing::Message() << lines << " lines, " << cycles << " cycles, lag " << lag << ", edges "
                                            << edges);
          const double count = std::round(4.0 * lines + lag * cycle_counts + edges);
          const auto estimate = EstimateEncoderLines(count, true, cycles, standards);
          ASSERT_TRUE(estimate.ok()) << estimate.error();
          EXPECT_EQ(estimate.value(), lines);
        }
      }
    }
  }
}

// An encoder whose resolution lies near a standard one but farther than the
// measurement can be off is not reported as that standard: the failure names
// the measured count.
TEST(EncoderResolutionEstimate, ANonStandardEncoderNearAStandardIsNotTakenForIt) {
  const CResolution standards;
  struct Case {
    int lines;
    int cycles;
  };
  for (const Case c : {Case{1100, 50}, Case{1050, 50}, Case{1010, 100}, Case{2100, 50}, Case{520, 50},
                       Case{4200, 100}, Case{9500, 50}, Case{5900, 50}}) {
    SCOPED_TRACE(::testing::Message() << c.lines << " lines, " << c.cycles << " cycles");
    const auto estimate = EstimateEncoderLines(4.0 * c.lines + 1, true, c.cycles, standards);
    ASSERT_FALSE(estimate.ok()) << "reported " << estimate.value();
    EXPECT_NE(estimate.error().find("The encoder counted " + std::to_string(c.lines) + " lines"), std::string::npos)
        << estimate.error();
    EXPECT_NE(estimate.error().find("If the encoder has " + std::to_string(c.lines) + " lines, enter them by hand."),
              std::string::npos)
        << estimate.error();
  }
}

TEST(EncoderResolutionEstimate, TheErrorBoundGrowsWithTheElectricalCycle) {
  // A quarter of the electrical cycle, plus a line for the counter's edges.
  EXPECT_DOUBLE_EQ(EncoderLinesError(1000, 50), 6.0);
  EXPECT_DOUBLE_EQ(EncoderLinesError(1000, 100), 3.5);
  EXPECT_DOUBLE_EQ(EncoderLinesError(1000, 0), 251.0) << "no cycles known: one to the revolution";
  // The bound decides: 1000 at 1006 lines is within it, 1007 is not.
  const CResolution standards;
  EXPECT_EQ(EstimateEncoderLines(4 * 1006, true, 50, standards).value(), 1000);
  EXPECT_FALSE(EstimateEncoderLines(4 * 1007, true, 50, standards).ok());
}

TEST(EncoderResolutionEstimate, TwoStandardsWithinTheErrorAreNotGuessedBetween) {
  // Five electrical cycles to the revolution: a quarter cycle is 5 % of the
  // count, wider than 1000 and 1024 lie apart.
  const CResolution standards;
  const auto estimate = EstimateEncoderLines(4 * 1012, true, 5, standards);
  ASSERT_FALSE(estimate.ok()) << "reported " << estimate.value();
  EXPECT_EQ(estimate.error(),
            "The encoder counted 1012 lines in one revolution of the motor: with 5 electrical cycles to the revolution "
            "the test cannot tell the standard resolutions 1000 and 1024 apart. Enter the encoder's lines by hand.");
}

TEST(EncoderResolutionEstimate, WhatTheCountCannotTell) {
  const CResolution standards;
  const std::string noMotion(kResolutionNoMotionText);
  const std::string wrongWay(kResolutionWrongDirectionText);
  EXPECT_EQ(EstimateEncoderLines(0, false, kCycles, standards).error(), noMotion);
  EXPECT_EQ(EstimateEncoderLines(-3, true, kCycles, standards).error(), noMotion) << "jitter below the first standard";
  EXPECT_EQ(EstimateEncoderLines(-4000, true, kCycles, standards).error(), wrongWay) << "a whole turn the wrong way";
  EXPECT_EQ(EstimateEncoderLines(4000, false, kCycles, standards).error(), wrongWay)
      << "a count that appeared only at the end";
  EXPECT_EQ(EstimateEncoderLines(10, true, kCycles, standards).error(), noMotion) << "a few edges are no turn";
  EXPECT_EQ(EstimateEncoderLines(NAN, true, kCycles, standards).error(), noMotion);
  EXPECT_FALSE(EstimateEncoderLines(1e30, true, kCycles, standards).ok());
}

}  // namespace
}  // namespace commissioning
