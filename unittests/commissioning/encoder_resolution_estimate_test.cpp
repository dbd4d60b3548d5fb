#include "commissioning/encoder_resolution_estimate.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(EncoderResolutionEstimate, FourEdgesPerLineToTheNearestStandard) {
  const CResolution standards;
  for (int lines : {200, 500, 1000, 1024, 2048, 2500, 4096, 10000}) {
    SCOPED_TRACE(lines);
    const auto estimate = EstimateEncoderLines(4.0 * lines, true, standards);
    ASSERT_TRUE(estimate.ok()) << estimate.error();
    EXPECT_EQ(estimate.value(), lines);
  }
  // A turn a few edges short or long still names its encoder.
  EXPECT_EQ(EstimateEncoderLines(3991, true, standards).value(), 1000);
  EXPECT_EQ(EstimateEncoderLines(4011, true, standards).value(), 1000);
}

TEST(EncoderResolutionEstimate, WhatTheCountCannotTell) {
  const CResolution standards;
  const std::string noMotion(kResolutionNoMotionText);
  const std::string wrongWay(kResolutionWrongDirectionText);
  EXPECT_EQ(EstimateEncoderLines(0, false, standards).error(), noMotion);
  EXPECT_EQ(EstimateEncoderLines(-3, true, standards).error(), noMotion) << "jitter below the first standard";
  EXPECT_EQ(EstimateEncoderLines(-4000, true, standards).error(), wrongWay) << "a whole turn the wrong way";
  EXPECT_EQ(EstimateEncoderLines(4000, false, standards).error(), wrongWay)
      << "a count that appeared only at the end";
  EXPECT_EQ(EstimateEncoderLines(10, true, standards).error(), noMotion) << "a few edges are no turn";
  EXPECT_EQ(EstimateEncoderLines(4 * 5900, true, standards).error(), noMotion) << "no standard near 5900";
  EXPECT_EQ(EstimateEncoderLines(NAN, true, standards).error(), noMotion);
  EXPECT_EQ(EstimateEncoderLines(1e30, true, standards).error(), noMotion);
}

}  // namespace
}  // namespace commissioning
