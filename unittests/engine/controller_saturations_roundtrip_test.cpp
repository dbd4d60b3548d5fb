#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "engine/config_words_control.h"
#include "engine/config_words_operation.h"
#include "engine/controller_saturations.h"
#include "engine/controller_saturations_test_setup.h"
#include "engine/sequences.h"
#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"

namespace engine {
namespace {

using namespace saturationtest;
using testsupport::ScopedEngineUnitScales;

// The family's steps in the order of the two sequences, with the words and
// the choices they read.
constexpr SequenceStep kCompute[] = {
    {ComputeOSR}, {ComputeACR}, {ComputeFFL},  {ComputeIMAXS},     {ComputeSATS},
    {ComputeIMAXP}, {ComputeSATP}, {ComputeACC_LIMIT},
};
constexpr SequenceStep kRecover[] = {
    {RecoverControlMode},
    {RecoverIlimPS},
    {RecoverTestCurrent},
    {RecoverTestProtectionCurrent},
    {RecoverIsCompensateGravitationalLoads},
    {RecoverOffsetCurrent},
    {RecoverIPSatS},
    {RecoverTestLimitCurrent},
    {RecoverJload_over_J},
    {RecoverIPSatP},
    {RecoverLimit_Speed},
    {RecoverTestMaxSpeed},
    {RecoverLimit_Acceleration},
    {RecoverIsLimitAcceleration},
    {RecoverStepperControlType},
};

void RoundTrip(CVX_Setup& setup) {
  RunSequence(setup, kCompute);
  RunSequence(setup, kRecover);
}

const char* const kRegisters[] = {"SATS", "IMAXS", "SATP", "IMAXP", "FFL", "ACC_LIMIT", "OSR", "ACR"};

struct Snapshot {
  std::vector<std::string> names;
  std::vector<double> internal;
};
Snapshot Take(const CVX_Setup& setup) {
  Snapshot s;
  for (const CVX_Parameter* p : setup.GetParameters()) {
    s.names.push_back(p->GetName());
    s.internal.push_back(p->GetValueInInternalUnit());
  }
  return s;
}

// Registers exactly; user values to the last few bits of a double.
void ExpectUnchanged(const Snapshot& before, const Snapshot& after, const std::string& where) {
  ASSERT_EQ(before.names, after.names);
  for (size_t i = 0; i < before.names.size(); ++i) {
    const double a = before.internal[i], b = after.internal[i];
    ASSERT_TRUE(std::isfinite(b)) << where << ": " << before.names[i];
    bool isRegister = false;
    for (const char* r : kRegisters) isRegister |= before.names[i] == r;
    if (isRegister)
      EXPECT_EQ(a, b) << where << ": " << before.names[i];
    else
      EXPECT_NEAR(a, b, 1e-12 * std::max(1.0, std::fabs(a))) << where << ": " << before.names[i];
  }
}

// User values drawn across their ranges and beyond what the registers hold,
// with the switches both ways.
void Randomise(CVX_Setup& setup, std::mt19937& rng, const Mode& mode) {
  auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(rng); };
  const double speedScale = mode.control == 0 ? kStepRate : kEncoderSpeedScale;
  SetBase(setup, "IlimPS", uniform(0.001, 6));
  SetBase(setup, "IPSatS", uniform(0, 100));
  SetBase(setup, "IPSatP", uniform(0, 100));
  SetBase(setup, "Limit_Speed", uniform(0, 1.2 * 32767 / speedScale));
  SetInternal(setup, "isCompensateGravitationalLoads", rng() % 2);
  SetBase(setup, "OffsetCurrent", uniform(-3, 3));
  SetInternal(setup, "isLimitAcceleration", rng() % 2);
  SetBase(setup, "Limit_Acceleration", uniform(0, 1e5));
}

TEST(SaturationRoundTrip, SecondRoundTripChangesNothingInEveryMode) {
  ScopedEngineUnitScales scales;
  std::mt19937 rng(20240611);
  for (const Mode& mode : kModes) {
    for (int trial = 0; trial < 200; ++trial) {
      CVX_Setup setup = SaturationDrive(mode);
      if (trial > 0) Randomise(setup, rng, mode);
      RoundTrip(setup);
      const Snapshot first = Take(setup);
      RoundTrip(setup);
      ExpectUnchanged(first, Take(setup), std::string(mode.name) + ", trial " + std::to_string(trial));
      if (HasFailure()) return;
    }
  }
}

TEST(SaturationRoundTrip, EdgeValuesSettleAfterOneRoundTrip) {
  ScopedEngineUnitScales scales;
  struct Edge {
    const char* name;
    double value;
  };
  const Edge edges[] = {{"IlimPS", 0.001}, {"IlimPS", 6},     {"IPSatS", 0},        {"IPSatS", 100},
                        {"IPSatP", 0},     {"IPSatP", 100},   {"Limit_Speed", 0},   {"OffsetCurrent", 3},
                        {"OffsetCurrent", -3}};
  for (const Mode& mode : kModes) {
    for (const Edge& edge : edges) {
      CVX_Setup setup = SaturationDrive(mode);
      SetInternal(setup, "isCompensateGravitationalLoads", 1);
      SetBase(setup, edge.name, edge.value);
      RoundTrip(setup);
      const Snapshot first = Take(setup);
      RoundTrip(setup);
      ExpectUnchanged(first, Take(setup), std::string(mode.name) + ", " + edge.name + " " + std::to_string(edge.value));
    }
  }
}

TEST(SaturationRoundTrip, SharesComeBackWithinOneCountInEveryMode) {
  ScopedEngineUnitScales scales;
  for (const Mode& mode : kModes) {
    CVX_Setup setup = SaturationDrive(mode);
    RoundTrip(setup);
    // One count of the smallest limit any share here is taken of: 20 counts
    // of closed-loop speed.
    const double oneCount_percent = 100 / (40 * kEncoderSpeedScale) + 1e-9;
    EXPECT_NEAR(Get(setup, "IPSatS"), 90, 100 / (2.5 * kCurrentScale)) << mode.name;
    EXPECT_NEAR(Get(setup, "IPSatP"), 80, oneCount_percent) << mode.name;
    EXPECT_NEAR(Get(setup, "IlimPS"), 2.5, 0.5 / kCurrentScale + 1e-12) << mode.name;
  }
}

// ----- the example setups -----

class SaturationExamples : public testing::TestWithParam<const char*> {};

// The examples hold registers computed from their user values and user
// values recovered from their registers; this family must reproduce both.
TEST_P(SaturationExamples, ReproduceTheStoredRegistersAndUserValues) {
  ScopedEngineUnitScales scales;
  const std::unique_ptr<CVX_Setup> example = testsupport::LoadExample(GetParam());
  ASSERT_TRUE(example);
  CVX_Setup& setup = *example;
  const Snapshot stored = Take(setup);
  RoundTrip(setup);
  ExpectUnchanged(stored, Take(setup), GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllFiles, SaturationExamples, testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
}  // namespace engine
