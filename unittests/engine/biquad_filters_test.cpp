#include "engine/biquad_filters.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/biquad_design.h"
#include "engine/biquad_quantise.h"
#include "kernel/errors.h"
#include "kernel/setup.h"
#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using kernel::ValueType;
using testsupport::AddParameter;
using testsupport::ErrorCapture;
using testsupport::Internal;

constexpr double kPeriod_s = 0.0005;  // "SLPER" 10, "PWMPER" 1500 at 60 MHz
constexpr double kStale = 7;          // what every register holds before a compute

std::string Slot(int i, const char* suffix) { return "BQ" + std::to_string(i) + suffix; }

// A drive with ten slots and ten user filters, all off. `skip` names a
// parameter the firmware lacks.
void AddDrive(CVX_Setup& setup, bool fixedPoint, const std::string& skip = {}) {
  const auto add = [&](const std::string& name, double value, ValueType type = ValueType::kDouble) {
    if (name != skip) AddParameter(setup, name, value, type);
  };
  add("DSP_freq", 60e6, ValueType::kConstant);
  add("PWMPER", 1500, ValueType::kUInt16);
  add("SLPER", 10, ValueType::kUInt16);
  for (int k = 1; k <= 10; ++k) {
    add(BiquadUserName("BQFilter", k), 0);
    add(BiquadUserName("BQFilterLocation", k), 1);
    add(BiquadUserName("BQFilterType", k), 1);
    add(BiquadUserName("BQFilterF1", k), 100);
    add(BiquadUserName("BQFilterF2", k), 200);
    add(BiquadUserName("BQFilterQ", k), 0.707);
  }
  for (int i = 1; i <= 10; ++i) {
    for (const char* c : {"B0", "B1", "B2", "A1", "A2"})
      add(fixedPoint ? Slot(i, c) : Slot(i, c) + "_F", kStale, ValueType::kInt32);
    if (fixedPoint) add(Slot(i, "SF"), kStale, ValueType::kUInt16);
  }
  for (std::string_view chain : kBiquadChainRegisters) add(std::string(chain), kStale, ValueType::kUInt16);
}

void Enable(CVX_Setup& setup, int k, BiquadLocation where, BiquadType type = BiquadType::kLowPass2,
            double f1_Hz = 100) {
  AddParameter(setup, BiquadUserName("BQFilter", k), 1);
  AddParameter(setup, BiquadUserName("BQFilterLocation", k), static_cast<double>(where));
  AddParameter(setup, BiquadUserName("BQFilterType", k), static_cast<double>(type));
  AddParameter(setup, BiquadUserName("BQFilterF1", k), f1_Hz);
}

std::vector<double> Chains(const CVX_Setup& setup) {
  std::vector<double> chains;
  for (std::string_view chain : kBiquadChainRegisters) chains.push_back(Internal(setup, std::string(chain)));
  return chains;
}

std::vector<std::pair<std::string, double>> Snapshot(const CVX_Setup& setup) {
  std::vector<std::pair<std::string, double>> values;
  for (const CVX_Parameter* p : setup.GetParameters()) values.emplace_back(p->GetName(), p->GetValueInInternalUnit());
  return values;
}

// What slot i must hold for user filter k, from the designer itself.
BiquadCoefficients Designed(CVX_Setup& setup, int k) {
  const int type = static_cast<int>(Internal(setup, BiquadUserName("BQFilterType", k)));
  return *DesignBiquad({type, Internal(setup, BiquadUserName("BQFilterF1", k)) * kPeriod_s,
                        Internal(setup, BiquadUserName("BQFilterF2", k)) * kPeriod_s,
                        Internal(setup, BiquadUserName("BQFilterQ", k))});
}

void ExpectFixedSlot(CVX_Setup& setup, int i, int k) {
  const int type = static_cast<int>(Internal(setup, BiquadUserName("BQFilterType", k)));
  const FixedBiquad q = QuantiseFixed(Designed(setup, k), DcGainOf(type));
  EXPECT_EQ(
      (std::vector<double>{Internal(setup, Slot(i, "B0")), Internal(setup, Slot(i, "B1")), Internal(setup, Slot(i, "B2")),
                           Internal(setup, Slot(i, "A1")), Internal(setup, Slot(i, "A2")), Internal(setup, Slot(i, "SF"))}),
      (std::vector<double>{double(q.b0), double(q.b1), double(q.b2), double(q.a1), double(q.a2), q.sf}))
      << "slot " << i << " filter " << k;
}

void ExpectSlotZero(const CVX_Setup& setup, int i, bool fixedPoint) {
  for (const char* c : {"B0", "B1", "B2", "A1", "A2"})
    EXPECT_EQ(Internal(setup, fixedPoint ? Slot(i, c) : Slot(i, c) + "_F"), 0) << Slot(i, c);
  if (fixedPoint) {
    EXPECT_EQ(Internal(setup, Slot(i, "SF")), 0) << i;
  }
}

// Collects what reaches the kernel's error channel.
TEST(BiquadSlots, LocationsInOrderThenFilterNumbersSkippingFiltersThatAreOff) {
  CVX_Setup setup;
  AddDrive(setup, true);
  Enable(setup, 1, BiquadLocation::kSpeedFeedback, BiquadType::kLowPass1);
  Enable(setup, 2, BiquadLocation::kPositionControllerOutput);
  AddParameter(setup, "BQFilter2", 0);
  Enable(setup, 3, BiquadLocation::kPositionControllerOutput, BiquadType::kNotch, 250);
  Enable(setup, 5, BiquadLocation::kSpeedFeedback, BiquadType::kHighPass, 20);
  Enable(setup, 6, BiquadLocation::kSpeedControllerOutput, BiquadType::kLeadLag2, 40);
  Enable(setup, 10, BiquadLocation::kSpeedFeedback);

  const auto assignment = AssignBiquadSlots(setup);
  ASSERT_TRUE(assignment);
  EXPECT_EQ(assignment->slotFilter, (std::vector<int>{3, 6, 1, 5, 10}));
  ASSERT_EQ(ComputeBiquadFilters(setup), 1);
  EXPECT_EQ(Chains(setup), (std::vector<double>{1, 1, 3}));
  for (size_t i = 0; i < assignment->slotFilter.size(); ++i)
    ExpectFixedSlot(setup, static_cast<int>(i) + 1, assignment->slotFilter[i]);
  for (int i = 6; i <= 10; ++i) ExpectSlotZero(setup, i, true);
}

TEST(BiquadSlots, OrderFollowsLocationThenNumber) {
  const std::optional<int> feedback = 2, position = 0, nowhere = 3;
  const std::vector<std::optional<int>> locations{feedback, position, feedback, std::nullopt, nowhere};
  const BiquadAssignment a = OrderBiquadSlots(locations, 10);
  EXPECT_EQ(a.slotFilter, (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(a.chainLength, (std::array<int, 3>{1, 0, 2}));
  EXPECT_FALSE(a.tooMany);
  EXPECT_FALSE(OrderBiquadSlots(locations, 3).tooMany);
  const BiquadAssignment over = OrderBiquadSlots(locations, 2);
  EXPECT_TRUE(over.tooMany);
  EXPECT_EQ(over.chainLength, (std::array<int, 3>{0, 0, 0}));
}

TEST(BiquadSlots, TooManyFiltersReportOnceAndLeaveEveryChainEmpty) {
  CVX_Setup setup;
  AddDrive(setup, true);
  setup.SetOption("MaxFilters", "3");
  for (int k : {1, 2, 3}) Enable(setup, k, BiquadLocation::kSpeedControllerOutput);
  Enable(setup, 4, BiquadLocation::kSpeedFeedback);
  const std::optional<int> output = 1, feedback = 2;
  const std::vector<std::optional<int>> locations{output, output, output, feedback};
  ErrorCapture errors;
  EXPECT_EQ(WriteBiquadFilters(setup, OrderBiquadSlots(locations, BiquadSlotCount(setup))), 1);
  EXPECT_EQ(errors.errors, (std::vector<std::string>{std::string(kTooManyBiquadFiltersError)}));
  EXPECT_EQ(Chains(setup), (std::vector<double>{0, 0, 0}));
}

// The dialog offers only the available filters, so one beyond them that is
// still on cannot be switched off there; it is left out, without a message
// that every later computation would repeat.
TEST(BiquadSlots, FiltersBeyondTheAvailableOnesAreLeftOut) {
  CVX_Setup setup;
  AddDrive(setup, true);
  setup.SetOption("MaxFilters", "3");
  for (int k : {1, 3, 6}) Enable(setup, k, BiquadLocation::kSpeedControllerOutput);
  ErrorCapture errors;
  EXPECT_EQ(ComputeBiquadFilters(setup), 1);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_EQ(Chains(setup), (std::vector<double>{0, 2, 0}));
  ExpectSlotZero(setup, 3, true);
  EXPECT_EQ(Internal(setup, "BQ4B0"), kStale);  // beyond the firmware's slots
}

TEST(BiquadSlots, WithoutFiltersOnlyTheChainsAreWritten) {
  struct Case {
    const char* maxFilters;  // nullptr: the option is absent
    double fastLoop;
  };
  for (const Case& c : {Case{"0", 0}, Case{nullptr, 1}, Case{"10", 1}, Case{"-2", 0}}) {
    CVX_Setup setup;
    AddDrive(setup, true);
    AddParameter(setup, "PosSpd_in_FastLoop", c.fastLoop);
    if (c.maxFilters) setup.SetOption("MaxFilters", c.maxFilters);
    Enable(setup, 1, BiquadLocation::kSpeedFeedback);
    ErrorCapture errors;
    EXPECT_EQ(ComputeBiquadFilters(setup), 1);
    EXPECT_TRUE(errors.errors.empty());
    EXPECT_EQ(Chains(setup), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(Internal(setup, "BQ1B0"), kStale);
    EXPECT_EQ(Internal(setup, "BQ10SF"), kStale);
  }
}

TEST(BiquadSlots, AbsentOptionOffersTenFilters) {
  CVX_Setup setup;
  AddDrive(setup, true);
  for (int k = 1; k <= 10; ++k) Enable(setup, k, BiquadLocation::kSpeedFeedback, BiquadType::kLowPass2, 10.0 * k);
  ErrorCapture errors;
  EXPECT_EQ(ComputeBiquadFilters(setup), 1);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_EQ(Chains(setup), (std::vector<double>{0, 0, 10}));
  ExpectFixedSlot(setup, 10, 10);
}

TEST(BiquadSlots, FloatingPointDriveHoldsBitPatterns) {
  CVX_Setup setup;
  AddDrive(setup, false);
  Enable(setup, 4, BiquadLocation::kPositionControllerOutput, BiquadType::kLeadLag1, 40);
  Enable(setup, 2, BiquadLocation::kPositionControllerOutput, BiquadType::kBandPass, 180);
  ASSERT_EQ(ComputeBiquadFilters(setup), 1);
  EXPECT_EQ(Chains(setup), (std::vector<double>{2, 0, 0}));
  const FloatBiquad first = QuantiseFloat(Designed(setup, 2), DcGain::kZero);
  const FloatBiquad second = QuantiseFloat(Designed(setup, 4), DcGain::kUnity);
  EXPECT_EQ(Internal(setup, "BQ1B0_F"), first.b0);
  EXPECT_EQ(Internal(setup, "BQ1B2_F"), first.b2);
  EXPECT_EQ(Internal(setup, "BQ2B1_F"), second.b1);
  EXPECT_EQ(Internal(setup, "BQ2A1_F"), second.a1);
  for (int i = 3; i <= 10; ++i) ExpectSlotZero(setup, i, false);
}

TEST(BiquadSlots, SecondComputeChangesNothing) {
  for (bool fixedPoint : {true, false}) {
    CVX_Setup setup;
    AddDrive(setup, fixedPoint);
    Enable(setup, 1, BiquadLocation::kSpeedControllerOutput, BiquadType::kNotch, 333);
    Enable(setup, 7, BiquadLocation::kSpeedFeedback, BiquadType::kHighPass, 3);
    Enable(setup, 9, BiquadLocation::kPositionControllerOutput, BiquadType::kLeadLag2, 20);
    ASSERT_EQ(ComputeBiquadFilters(setup), 1);
    const auto first = Snapshot(setup);
    ASSERT_EQ(ComputeBiquadFilters(setup), 1);
    EXPECT_EQ(Snapshot(setup), first) << fixedPoint;
  }
}

TEST(BiquadSlots, WritesNothingWhenAFilterCannotBeDesignedOrHeld) {
  struct Case {
    const char* what;
    std::string skip;
    double f1_Hz;
    double slper;
    BiquadType type;
    double lag_Hz;
  };
  const Case cases[] = {
      {"Q missing", "BQFilterQ3", 100, 10, BiquadType::kNotch, 200},
      {"corner at Nyquist", "", 1000, 10, BiquadType::kLowPass2, 200},
      {"zero slow-loop divider", "", 100, 0, BiquadType::kLowPass2, 200},
      {"chain register missing", "ASPD_BQ_INI", 100, 10, BiquadType::kLowPass2, 200},
      {"coefficient register missing", "BQ2A2", 100, 10, BiquadType::kLowPass2, 200},
      {"location missing", "BQFilterLocation3", 100, 10, BiquadType::kLowPass2, 200},
      // Twice a lead of 1 Hz over a lag of 999 Hz needs SF = 2^19.
      {"scale factor beyond its register", "", 1, 10, BiquadType::kLeadLag2, 999},
  };
  for (const Case& c : cases) {
    CVX_Setup setup;
    AddDrive(setup, true, c.skip);
    AddParameter(setup, "SLPER", c.slper, ValueType::kUInt16);
    Enable(setup, 1, BiquadLocation::kSpeedFeedback);
    if (c.skip == "BQFilterLocation3") {
      AddParameter(setup, "BQFilter3", 1);
    } else {
      Enable(setup, 3, BiquadLocation::kSpeedFeedback, c.type, c.f1_Hz);
      AddParameter(setup, "BQFilterF23", c.lag_Hz);
    }
    const auto before = Snapshot(setup);
    EXPECT_EQ(ComputeBiquadFilters(setup), 0) << c.what;
    EXPECT_EQ(Snapshot(setup), before) << c.what;
  }
}

// The example setups' registers were computed from their filters; the
// designer must give them back exactly.
TEST(BiquadSlots, ExampleSetupsKeepTheirRegisters) {
  testsupport::ScopedEngineUnitScales scales;
  for (const char* name : {"closed_loop_incremental_1000", "closed_loop_ssi_17bit", "two_phase_open_loop"}) {
    const std::unique_ptr<CVX_Setup> example = testsupport::LoadExample(name);
    ASSERT_TRUE(example);
    CVX_Setup& setup = *example;
    ASSERT_TRUE(HasBiquadFilters(setup));
    const auto before = Snapshot(setup);
    ErrorCapture errors;
    EXPECT_EQ(ComputeBiquadFilters(setup), 1) << name;
    EXPECT_EQ(Snapshot(setup), before) << name;
    EXPECT_TRUE(errors.errors.empty()) << name;
  }
}

}  // namespace
}  // namespace engine
