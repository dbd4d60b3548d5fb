#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kernel/graph_axes.h"
#include "kernel/graph_document.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A step of 1, 2 or 5 times a power of ten.
bool IsRoundStep(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (std::fabs(mantissa - m) < 1e-6) return true;
  return false;
}

const std::vector<CGraphRange> kRanges{{0, 1},      {0, 0.05},   {-10, 10},  {0.0001, 0.00013}, {48, 52},
                                       {-3.3, 7.1}, {1e6, 3e6},  {-1, -0.2}, {0, 65472},        {0.2, 0.21}};

TEST(AxisTicks, RoundEquallySpacedAndInsideTheRange) {
  for (const CGraphRange& range : kRanges) {
    for (int maxTicks : {2, 5, 8, 11}) {
      SCOPED_TRACE(testing::Message() << "[" << range.min << ", " << range.max << "] at most " << maxTicks);
      const std::vector<double> ticks = kernel::AxisTicks(range, maxTicks);
      ASSERT_GE(ticks.size(), 1u);
      EXPECT_LE(static_cast<int>(ticks.size()), maxTicks);
      const double span = range.max - range.min;
      for (double t : ticks) {
        EXPECT_GE(t, range.min - span * 1e-9);
        EXPECT_LE(t, range.max + span * 1e-9);
      }
      if (ticks.size() < 2) continue;
      const double step = ticks[1] - ticks[0];
      EXPECT_TRUE(IsRoundStep(step)) << step;
      for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i] - ticks[i - 1], step, step * 1e-6);
    }
  }
}

TEST(AxisTicks, NoTicksForRangesThatAreNotRanges) {
  EXPECT_TRUE(kernel::AxisTicks({1, 1}).empty());
  EXPECT_TRUE(kernel::AxisTicks({2, 1}).empty());
  EXPECT_TRUE(kernel::AxisTicks({0, kNaN}).empty());
  EXPECT_TRUE(kernel::AxisTicks({-std::numeric_limits<double>::infinity(), 0}).empty());
}

TEST(NiceRange, HoldsTheDataWithEndsOnTicks) {
  for (const CGraphRange& data : kRanges) {
    SCOPED_TRACE(testing::Message() << "[" << data.min << ", " << data.max << "]");
    const CGraphRange nice = kernel::NiceRange(data.min, data.max);
    EXPECT_LE(nice.min, data.min);
    EXPECT_GE(nice.max, data.max);
    const std::vector<double> ticks = kernel::AxisTicks(nice);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_NEAR(ticks.front(), nice.min, (nice.max - nice.min) * 1e-9);
    EXPECT_NEAR(ticks.back(), nice.max, (nice.max - nice.min) * 1e-9);
  }
}

TEST(NiceRange, FlatSwappedAndBrokenDataStillGiveAScale) {
  const CGraphRange flat = kernel::NiceRange(48, 48);
  EXPECT_LT(flat.min, 48);
  EXPECT_GT(flat.max, 48);
  const CGraphRange zero = kernel::NiceRange(0, 0);
  EXPECT_LT(zero.min, 0);
  EXPECT_GT(zero.max, 0);
  const CGraphRange swapped = kernel::NiceRange(5, -5);
  EXPECT_LE(swapped.min, -5);
  EXPECT_GE(swapped.max, 5);
  const CGraphRange broken = kernel::NiceRange(kNaN, 1);
  EXPECT_EQ(broken.min, 0);
  EXPECT_EQ(broken.max, 1);
}

TEST(Palette, IndicesWrapAroundThePalette) {
  EXPECT_EQ(kernel::PaletteColour(0), "#000000");
  EXPECT_EQ(kernel::PaletteColour(kernel::kPaletteSize + 2), kernel::PaletteColour(2));
  EXPECT_EQ(kernel::PaletteColour(-1), kernel::PaletteColour(kernel::kPaletteSize - 1));
  EXPECT_NE(kernel::PaletteColour(2), kernel::PaletteColour(5));
}

class GraphDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document.SetColumns({{"Time", "s"}, {"Current_Reference", "A", 0.5}, {"Voltage_Reference", "V", 2.0, 1.0}});
  }
  CGraphDocument document;
};

TEST_F(GraphDocumentTest, PointsAreFittedToTheColumnsAndShownInTheirUnits) {
  document.AddPoint({0.001, 10});
  document.AddPoint({0.002, 20, 3, 99});
  ASSERT_EQ(document.GetPointCount(), 2u);
  EXPECT_TRUE(std::isnan(document.GetPoint(0)[2])) << "a missing value";
  EXPECT_EQ(document.GetPoint(1).size(), 3u) << "an extra value is dropped";
  EXPECT_DOUBLE_EQ(document.GetShownValue(1, 1), 10.0);
  EXPECT_DOUBLE_EQ(document.GetShownValue(1, 2), 8.0);
  EXPECT_TRUE(std::isnan(document.GetShownValue(2, 1)));
  EXPECT_TRUE(std::isnan(document.GetShownValue(0, 7)));
  EXPECT_EQ(document.GetColumn(1)->Title(), "Current_Reference [A]");
  EXPECT_EQ((CGraphColumn{"STARTED", ""}.Title()), "STARTED");
}

TEST_F(GraphDocumentTest, SetPointOverwritesOrAppendsButLeavesNoHole) {
  document.AddPoint({0, 1, 1});
  EXPECT_TRUE(document.SetPoint(0, {0, 2, 2}));
  EXPECT_TRUE(document.SetPoint(1, {1, 3, 3}));
  EXPECT_FALSE(document.SetPoint(3, {3, 4, 4}));
  ASSERT_EQ(document.GetPointCount(), 2u);
  EXPECT_EQ(document.GetPoint(0)[1], 2);
}

TEST_F(GraphDocumentTest, EveryChangeRaisesTheRevision) {
  std::uint64_t last = document.GetRevision();
  const auto raised = [&] {
    const bool up = document.GetRevision() > last;
    last = document.GetRevision();
    return up;
  };
  document.AddPoint({0, 1, 1});
  EXPECT_TRUE(raised());
  document.SetPoint(0, {0, 2, 2});
  EXPECT_TRUE(raised());
  document.GetFilter().AddCurve(CXYCurve(0, 1));
  EXPECT_TRUE(raised());
  document.GetFilter().ZoomOut();
  EXPECT_TRUE(raised());
  document.ClearPoints();
  EXPECT_TRUE(raised());
}

TEST_F(GraphDocumentTest, ZoomOutFitsEachAxisToItsOwnCurves) {
  CGraphFilter& filter = document.GetFilter();
  filter.AddCurve(CXYCurve(0, 1, 1, 2, 2));
  filter.AddCurve(CXYCurve(0, 2, 2, 8, 2));
  for (int k = 0; k <= 10; ++k) document.AddPoint({k * 0.001, k * 10.0, k * 1.0});
  filter.ZoomOut();
  EXPECT_LE(filter.GetRange(0).min, 0.0);
  EXPECT_GE(filter.GetRange(0).max, 0.01);
  EXPECT_LE(filter.GetRange(1).min, 0.0);
  EXPECT_GE(filter.GetRange(1).max, 50.0);
  EXPECT_LT(filter.GetRange(1).max, 100.0) << "the left axis follows its own curve only";
  EXPECT_GE(filter.GetRange(2).max, 22.0);
}

TEST_F(GraphDocumentTest, AFixedRangeAndAnAxisWithoutDataKeepTheirRange) {
  CGraphFilter& filter = document.GetFilter();
  filter.AddCurve(CXYCurve(0, 1));
  ASSERT_TRUE(filter.SetRange(1, {-0.2, 1.2}, true));
  ASSERT_TRUE(filter.SetRange(2, {-5, 5}));
  document.AddPoint({0, 100, 0});
  document.AddPoint({1, 300, 0});
  filter.ZoomOut();
  EXPECT_EQ(filter.GetRange(1).min, -0.2);
  EXPECT_EQ(filter.GetRange(1).max, 1.2);
  EXPECT_EQ(filter.GetRange(2).min, -5) << "no curve on the right axis";
  EXPECT_TRUE(filter.IsFixed(1));
  EXPECT_FALSE(filter.IsFixed(2));
}

TEST_F(GraphDocumentTest, RangesThatAreNotRangesAreRefused) {
  CGraphFilter& filter = document.GetFilter();
  EXPECT_FALSE(filter.SetRange(1, {1, 1}));
  EXPECT_FALSE(filter.SetRange(1, {2, 1}));
  EXPECT_FALSE(filter.SetRange(1, {0, kNaN}));
  EXPECT_FALSE(filter.SetRange(3, {0, 1}));
  EXPECT_EQ(filter.GetRange(1).max, 1.0);
}

TEST(CXYCurve, AnAxisOtherThanTwoIsOneAndLinesAreAtLeastOneWide) {
  EXPECT_EQ(CXYCurve(0, 1, 7).GetAxis(), 1);
  EXPECT_EQ(CXYCurve(0, 1, 2).GetAxis(), 2);
  EXPECT_EQ(CXYCurve(0, 1, 1, 0, 0).GetLineWidth(), 1);
}

}  // namespace
