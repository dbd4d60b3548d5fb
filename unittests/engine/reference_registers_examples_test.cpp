// The reference, limit and I/O register families on the bundled example
// setups, and on one whose scales are all zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "kernel/errors.h"
#include "reference_registers_test_setup.h"
#include "unittests/support/example_setups.h"

namespace reftest {
namespace {

// User values may differ by the rounding of the unit conversions.
bool Near(double a, double b) { return a == b || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)); }

void ExpectReproduced(const std::map<std::string, Stored>& before, const std::map<std::string, Stored>& after,
                      const std::string& what) {
  for (const auto& [name, value] : after) {
    const Stored& was = before.at(name);
    EXPECT_TRUE(Near(was.internal, value.internal))
        << what << " " << name << ": " << was.internal << " -> " << value.internal;
    EXPECT_TRUE(Near(was.minimum, value.minimum) && Near(was.maximum, value.maximum))
        << what << " " << name << " limits";
  }
}

class ReferenceRegistersExample : public ::testing::TestWithParam<const char*> {};

// The examples hold registers computed from their user values and user
// values recovered from those registers: the families give back both, and a
// second round trip changes nothing at all.
TEST_P(ReferenceRegistersExample, ReproducesTheFileAndSettles) {
  testsupport::ScopedEngineUnitScales scales;
  const auto setup = testsupport::LoadExample(GetParam());
  ASSERT_TRUE(setup);
  const auto original = Snapshot(*setup);
  EXPECT_EQ(RunSteps(*setup, kComputeSteps), int(std::size(kComputeSteps)));
  ExpectReproduced(original, Snapshot(*setup), "compute");
  EXPECT_EQ(RunSteps(*setup, kRecoverSteps), int(std::size(kRecoverSteps)));
  ExpectReproduced(original, Snapshot(*setup), "recover");
  const auto first = Snapshot(*setup);
  RoundTrip(*setup);
  EXPECT_EQ(Snapshot(*setup), first);
}

INSTANTIATE_TEST_SUITE_P(Examples, ReferenceRegistersExample, ::testing::ValuesIn(testsupport::kExampleNames));

// Every scale these families divide by or convert through is zero or
// missing: no step writes anything or reports an error, and only the steps
// that need no scale succeed (with the values the file already holds).
TEST(ReferenceRegistersGuards, ZeroScalesWriteNothing) {
  testsupport::ScopedEngineUnitScales scales;
  const auto setup = testsupport::LoadExample("two_phase_open_loop");
  ASSERT_TRUE(setup);
  SetAdcMax(*setup, 0);
  for (const char* name : {"SLPER", "ImaxPS", "Vdc", "NoMotorSteps", "GEARMASTER", "AnalogueInputsRange"})
    setup->FindParameter(name)->InitInternal(0);
  const auto before = Snapshot(*setup);
  const std::string lastError = GetLastErrorText();

  const std::set<Step> needNoScale{engine::ComputeAAR_table,
                                   engine::RecoverAxis_ID_list,
                                   engine::ComputePOSRANGEDEF,
                                   engine::RecoverIsPosRange,
                                   engine::ComputeMINPOSRANGE,
                                   engine::ComputeMAXPOSRANGE,          // the range is off
                                   engine::ComputeAD5OFF,               // a copy
                                   engine::RecoverPhaseAdvance_speed};  // none to recover
  for (const auto& steps : {std::vector<Step>(std::begin(kComputeSteps), std::end(kComputeSteps)),
                            std::vector<Step>(std::begin(kRecoverSteps), std::end(kRecoverSteps))})
    for (size_t i = 0; i < steps.size(); ++i)
      EXPECT_EQ(steps[i](*setup), needNoScale.count(steps[i]) ? 1 : 0) << "step " << i;
  EXPECT_EQ(Snapshot(*setup), before);
  EXPECT_EQ(GetLastErrorText(), lastError);
}

}  // namespace
}  // namespace reftest
