#include "engine/parameter_limits.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "kernel/setup.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

// Watches the order in which SetLimitsInOrder moves the bounds.
struct RecordingLimits {
  double min;
  double max;
  std::vector<std::string> calls;
  bool invertedAfterACall = false;

  double GetMinimum() const { return min; }
  double GetMaximum() const { return max; }
  int SetMinimum(double v) { return Record("min", min, v); }
  int SetMaximum(double v) { return Record("max", max, v); }

 private:
  int Record(const char* which, double& bound, double v) {
    bound = v;
    calls.push_back(which);
    invertedAfterACall |= min > max;
    return 1;
  }
};

TEST(SetParameterLimits, RaisingPastTheMaximumMovesTheMaximumFirst) {
  RecordingLimits limits{10, 20, {}};
  EXPECT_EQ(SetLimitsInOrder(limits, 30, 40), 1);
  EXPECT_EQ(limits.calls, (std::vector<std::string>{"max", "min"}));
  EXPECT_EQ(limits.min, 30);
  EXPECT_EQ(limits.max, 40);
}

TEST(SetParameterLimits, LoweringMovesTheMinimumFirst) {
  RecordingLimits limits{10, 20, {}};
  EXPECT_EQ(SetLimitsInOrder(limits, 0, 5), 1);
  EXPECT_EQ(limits.calls, (std::vector<std::string>{"min", "max"}));
  EXPECT_EQ(limits.min, 0);
  EXPECT_EQ(limits.max, 5);
}

TEST(SetParameterLimits, InvertedRequestChangesNothing) {
  for (auto [low, high] : {std::pair{5.0, 1.0}, std::pair{double(NAN), 1.0}, std::pair{0.0, double(NAN)}}) {
    RecordingLimits limits{10, 20, {}};
    EXPECT_EQ(SetLimitsInOrder(limits, low, high), 0);
    EXPECT_TRUE(limits.calls.empty());
    EXPECT_EQ(limits.min, 10);
    EXPECT_EQ(limits.max, 20);
  }
}

TEST(SetParameterLimits, NeverLeavesTheMinimumAboveTheMaximum) {
  const std::vector<double> bounds{-INFINITY, -5, 0, 10, 20, 30, INFINITY};
  for (double presentMin : bounds)
    for (double presentMax : bounds)  // inverted present limits included
      for (double low : bounds)
        for (double high : bounds) {
          if (low > high) continue;
          RecordingLimits limits{presentMin, presentMax, {}};
          ASSERT_EQ(SetLimitsInOrder(limits, low, high), 1);
          EXPECT_FALSE(limits.invertedAfterACall)
              << "[" << presentMin << ", " << presentMax << "] -> [" << low << ", " << high << "]";
          EXPECT_EQ(limits.min, low);
          EXPECT_EQ(limits.max, high);
        }
}

TEST(SetParameterLimits, AppliesToAUserParameter) {
  CVX_Setup setup;
  CVX_Parameter* p = setup.AddParameter("Kp_C_scl");
  p->InitLimits(10, 20);
  EXPECT_EQ(SetParameterLimits(p, 30, 40), 1);
  EXPECT_EQ(p->GetMinimum(), 30);
  EXPECT_EQ(p->GetMaximum(), 40);
  EXPECT_EQ(SetParameterLimits(p, 5, 1), 0);
  EXPECT_EQ(p->GetMinimum(), 30);
  EXPECT_EQ(SetParameterLimits(nullptr, 0, 1), 0);
}

// A drive at 60 MHz with 20 kHz PWM: "PWMPER" 1500, fast loop every 2 PWM
// periods (100 us), slow loop every 16 (0.8 ms).
constexpr double kSlowPeriod_s = 0.8e-3;

using testsupport::AddParameter;

void AddTiming(CVX_Setup& setup) {
  AddParameter(setup, "DSP_freq", 60e6);
  AddParameter(setup, "PWMPER", 1500);
  AddParameter(setup, "CLPER", 2);
  AddParameter(setup, "SLPER", 16);
}

void ExpectLimits(CVX_Setup& setup, std::string_view name, double low, double high) {
  const CVX_Parameter* p = setup.FindParameter(name);
  ASSERT_NE(p, nullptr) << name;
  auto near = [](double actual, double expected) {
    return std::isinf(expected) ? actual == expected : std::fabs(actual - expected) <= std::fabs(expected) * 1e-12;
  };
  EXPECT_PRED2(near, p->GetMinimum(), low) << name;
  EXPECT_PRED2(near, p->GetMaximum(), high) << name;
}

TEST(LimitsUpdate, TimesFollowTheSlowLoopPeriod) {
  CVX_Setup setup;
  AddTiming(setup);
  for (const char* name : {"time_ERR_spd", "time_ERR_pos", "TPP", "TNP", "TPS", "TNS", "TaPS", "TaNS", "TaPP", "TaNP"})
    AddParameter(setup, name);
  EXPECT_EQ(LimitControlErrorTimes(setup), 1);
  EXPECT_EQ(LimitTestMoveTimes(setup), 1);
  ExpectLimits(setup, "time_ERR_spd", CVX_Parameter::kNoMinimum, 32767 * kSlowPeriod_s);
  ExpectLimits(setup, "time_ERR_pos", CVX_Parameter::kNoMinimum, 32767 * kSlowPeriod_s);
  for (const char* name : {"TPP", "TNP", "TPS", "TNS", "TaPS", "TaNS"})
    ExpectLimits(setup, name, kSlowPeriod_s, 65535 * kSlowPeriod_s);
  ExpectLimits(setup, "TaPP", 2 * kSlowPeriod_s, 65535 * kSlowPeriod_s);
  ExpectLimits(setup, "TaNP", 2 * kSlowPeriod_s, 65535 * kSlowPeriod_s);
}

TEST(LimitsUpdate, NothingChangesWithoutALoopPeriod) {
  CVX_Setup setup;
  AddParameter(setup, "PWMPER", 1500);
  AddParameter(setup, "SLPER", 16);
  AddParameter(setup, "TPP")->InitLimits(1, 2);
  AddParameter(setup, "filter")->InitLimits(0, 7);
  EXPECT_EQ(LimitTestMoveTimes(setup), 0);
  EXPECT_EQ(LimitAnalogueFilter(setup), 0);
  ExpectLimits(setup, "TPP", 1, 2);
  ExpectLimits(setup, "filter", 0, 7);
}

TEST(LimitsUpdate, BandwidthsTakeTheirStoredRanges) {
  CVX_Setup setup;
  for (const char* loop : {"C", "S", "P"}) AddParameter(setup, std::string("PB_") + loop);
  AddParameter(setup, "PB_C_minim", 100);
  AddParameter(setup, "PB_C_maxim", 3000);
  AddParameter(setup, "PB_S_minim", 10);
  AddParameter(setup, "PB_S_maxim", 300);
  EXPECT_EQ(LimitBandwidths(setup), 0);  // "PB_P" has no stored range
  ExpectLimits(setup, "PB_C", 100, 3000);
  ExpectLimits(setup, "PB_S", 10, 300);
  ExpectLimits(setup, "PB_P", CVX_Parameter::kNoMinimum, CVX_Parameter::kNoMaximum);
}

TEST(LimitsUpdate, DeadBandFollowsTheInputRange) {
  struct Case {
    double range_V, point_V;
    bool newDeadBand;
    double low, high, bandMax;
  };
  for (const Case& c : {Case{20, 4, false, -10, 10, 6}, Case{20, 4, true, -10, 10, 20}, Case{5, 1, false, 0, 5, 1},
                        Case{10, 3, false, 0, 3.3, 0.3}, Case{20, 15, false, -10, 10, 0}}) {
    CVX_Setup setup;
    AddParameter(setup, "AnalogueInputsRange", c.range_V);
    AddParameter(setup, "DeadBand_Point", c.point_V);
    AddParameter(setup, "DeadBand_Range");
    if (c.newDeadBand) setup.SetOption("NewDeadBand", "1");
    EXPECT_EQ(LimitDeadBand(setup), 1);
    ExpectLimits(setup, "DeadBand_Point", c.low, c.high);
    const CVX_Parameter* band = setup.FindParameter("DeadBand_Range");
    EXPECT_EQ(band->GetMinimum(), 0) << c.range_V << " " << c.point_V;
    EXPECT_NEAR(band->GetMaximum(), c.bandMax, 1e-12) << c.range_V << " " << c.point_V;
  }
}

TEST(LimitsUpdate, SmallLimitsTakeTheirRanges) {
  CVX_Setup setup;
  AddTiming(setup);
  AddParameter(setup, "In", 3);
  AddParameter(setup, "InPS", 2.5);
  AddParameter(setup, "MAX_CURRENT");
  AddParameter(setup, "NoMicroStepsPerStep", 256);
  AddParameter(setup, "SSI_No_Bits_Revolution", 40);
  AddParameter(setup, "SSI_Offset")->InitLimits(0, 100);
  AddParameter(setup, "filter");
  EXPECT_EQ(LimitMaxCurrent(setup), 1);
  EXPECT_EQ(LimitMicrosteps(setup), 1);
  EXPECT_EQ(LimitSsiOffset(setup), 1);
  EXPECT_EQ(LimitAnalogueFilter(setup), 1);
  ExpectLimits(setup, "MAX_CURRENT", 0, 2.5);
  ExpectLimits(setup, "NoMicroStepsPerStep", 0, 512);
  ExpectLimits(setup, "SSI_Offset", 0, std::exp2(32));
  ExpectLimits(setup, "filter", CVX_Parameter::kNoMinimum, 625);
}

TEST(LimitsUpdate, BiquadCornersOnlyForTheFiltersTheFirmwareOffers) {
  auto limited = [](CVX_Setup& setup) {
    int count = 0;
    for (int k = 1; k <= 12; ++k)
      if (setup.FindParameter("BQFilterF1" + std::to_string(k))->HasMaximum()) ++count;
    return count;
  };
  auto build = [](CVX_Setup& setup) {
    AddTiming(setup);
    for (int k = 1; k <= 12; ++k) AddParameter(setup, "BQFilterF1" + std::to_string(k));
  };
  {
    CVX_Setup setup;
    build(setup);
    EXPECT_EQ(LimitBiquadCorners(setup), 1);
    EXPECT_EQ(limited(setup), 10);
    ExpectLimits(setup, "BQFilterF110", CVX_Parameter::kNoMinimum, 0.5 / kSlowPeriod_s - 1);
  }
  {
    CVX_Setup setup;
    build(setup);
    setup.SetOption("MaxFilters", "3");
    LimitBiquadCorners(setup);
    EXPECT_EQ(limited(setup), 3);
  }
  {
    CVX_Setup setup;
    build(setup);
    AddParameter(setup, "PosSpd_in_FastLoop", 1);
    LimitBiquadCorners(setup);
    EXPECT_EQ(limited(setup), 0);
  }
}

}  // namespace
}  // namespace engine
