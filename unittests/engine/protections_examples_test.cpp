#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "kernel/setup_file.h"
#include "protections_test_setup.h"
#include "unittests/support/example_setups.h"

// The protection family on the example setups, whose registers were computed
// from their user values and whose user values were recovered from those
// registers (with the rounder I2t factor of 16, which the engine no longer
// uses).
namespace protectiontest {
namespace {

class ProtectionExample : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    setup_ = testsupport::LoadExample(GetParam());
    ASSERT_TRUE(setup_);
  }

  testsupport::ScopedEngineUnitScales scales_;
  std::unique_ptr<CVX_Setup> setup_;
};

TEST_P(ProtectionExample, ComputationStaysWithinOneCountOfTheFile) {
  // The I2t warnings are taken from the registers' limit and time, which may
  // put them one count off what the user values gave the file.
  const auto file = Snapshot(*setup_);
  for (Step step : kComputeSteps) EXPECT_EQ(step(*setup_), 1);
  for (const auto& [name, now] : Snapshot(*setup_)) EXPECT_NEAR(now.internal, file.at(name).internal, 1.0) << name;
}

TEST_P(ProtectionExample, RecoveryGivesTheFileUserValuesBack) {
  const auto file = Snapshot(*setup_);
  for (Step step : kComputeSteps) step(*setup_);
  for (Step step : kRecoverSteps) EXPECT_EQ(step(*setup_), 1);
  // The trip currents move by the quantisation of their integral limit, a
  // few parts in 10^8; the factor 16 moved them by 3 parts in 10^5.
  constexpr double kRelative = 1e-6;
  auto near = [](double a, double b) { return a == b || std::fabs(a - b) <= kRelative * std::max(1.0, std::fabs(b)); };
  for (const auto& [name, now] : Snapshot(*setup_)) {
    const Stored& was = file.at(name);
    EXPECT_TRUE(near(now.internal, was.internal)) << name << " " << now.internal << " was " << was.internal;
    EXPECT_TRUE(near(now.min, was.min) && near(now.max, was.max)) << name;
  }
}

TEST_P(ProtectionExample, SecondRoundTripChangesNothing) {
  RoundTrip(*setup_);
  const auto first = Snapshot(*setup_);
  RoundTrip(*setup_);
  EXPECT_EQ(Changes(first, Snapshot(*setup_)), "");
}

INSTANTIATE_TEST_SUITE_P(Examples, ProtectionExample, ::testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
}  // namespace protectiontest
