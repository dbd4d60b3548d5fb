#include "engine/step_units.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "kernel/errors.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"

namespace engine {
namespace {

constexpr double kTwoPi = 6.283185307179586;

void Build(CVX_Setup& setup, double controlType, double loadTurns = 1) {
  for (std::string_view family : kStepBaseUnits) setup.AddUnitFamily(family);
  const std::pair<const char*, double> values[] = {{"StepperControlType", controlType},
                                                   {"Motor_transmission", 3},
                                                   {"Load_transmission", loadTurns},
                                                   {"NoMotorSteps", 200},
                                                   {"NoMicroStepsPerStep", 256}};
  for (auto [name, value] : values) setup.AddParameter(name)->InitInternal(value);
}

TEST(StepUnits, OpenLoopDerivesStepsAndMicrostepsPerLoadRadian) {
  CVX_Setup setup;
  Build(setup, 0);
  EXPECT_TRUE(UpdateStepUnits(setup));
  const double stepsPerRad = 3.0 * 200 / kTwoPi;
  for (size_t i = 0; i < kStepUnits.size(); ++i) {
    const CVX_Unit* steps = setup.FindUnit(kStepUnits[i]);
    const CVX_Unit* microsteps = setup.FindUnit(kMicrostepUnits[i]);
    ASSERT_TRUE(steps && microsteps) << kStepUnits[i];
    EXPECT_EQ(steps->family, kStepBaseUnits[i]);
    EXPECT_EQ(microsteps->family, kStepBaseUnits[i]);
    EXPECT_NEAR(steps->factor, stepsPerRad, 1e-12);
    EXPECT_NEAR(microsteps->factor, stepsPerRad * 256, 1e-9);
    EXPECT_EQ(steps->offset, 0);
  }
  EXPECT_NEAR(setup.FindUnit("µsteps")->FromBase(kTwoPi), 3 * 200 * 256, 1e-6);
}

TEST(StepUnits, ClosedLoopRemovesThemAgain) {
  CVX_Setup setup;
  Build(setup, 0);
  ASSERT_TRUE(UpdateStepUnits(setup));
  setup.FindParameter("StepperControlType")->InitInternal(1);
  EXPECT_TRUE(UpdateStepUnits(setup));
  for (std::string_view unit : kStepUnits) EXPECT_EQ(setup.FindUnit(unit), nullptr) << unit;
  for (std::string_view unit : kMicrostepUnits) EXPECT_EQ(setup.FindUnit(unit), nullptr) << unit;
  EXPECT_TRUE(UpdateStepUnits(setup));  // nothing left to remove
}

TEST(StepUnits, RefusedChangesReportFalseWithoutAMessage) {
  const testsupport::ErrorCapture shown;

  CVX_Setup zeroLoad;  // an infinite factor is refused at the first merge
  Build(zeroLoad, 0, 0);
  EXPECT_FALSE(UpdateStepUnits(zeroLoad));
  EXPECT_EQ(zeroLoad.FindUnit("steps"), nullptr);

  CVX_Setup partial;  // one step unit is gone: its removal fails, the rest go
  Build(partial, 0);
  ASSERT_TRUE(UpdateStepUnits(partial));
  partial.RemoveUnit("steps/s^2");
  partial.FindParameter("StepperControlType")->InitInternal(1);
  EXPECT_FALSE(UpdateStepUnits(partial));
  EXPECT_EQ(partial.FindUnit("steps"), nullptr);
  EXPECT_EQ(partial.FindUnit("µsteps/s^3"), nullptr);

  CVX_Setup withoutSteps;
  for (std::string_view family : kStepBaseUnits) withoutSteps.AddUnitFamily(family);
  withoutSteps.AddParameter("StepperControlType");
  EXPECT_FALSE(UpdateStepUnits(withoutSteps));
  EXPECT_EQ(withoutSteps.FindUnit("steps"), nullptr);

  EXPECT_TRUE(shown.errors.empty()) << shown.errors.front();
}

}  // namespace
}  // namespace engine
