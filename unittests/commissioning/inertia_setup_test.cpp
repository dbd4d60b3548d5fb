#include "commissioning/inertia_setup.h"

#include <gtest/gtest.h>

#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "kernel/parameter.h"
#include "unittests/support/example_setups.h"

namespace commissioning {
namespace {

class InertiaSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    setup = testsupport::LoadExample(testsupport::kClosedLoopIncremental);
    ASSERT_NE(setup, nullptr);
  }
  double Base(const char* name) { return setup->FindParameter(name)->GetValueInBaseUnit(); }
  void SetBase(const char* name, double value) { ASSERT_TRUE(setup->FindParameter(name)->SetValueInBaseUnit(value)); }

  testsupport::ScopedEngineUnitScales scales;
  std::unique_ptr<CVX_Setup> setup;
};

TEST_F(InertiaSetup, TotalAndRatioFollowEachOtherWhileTheMotorInertiaIsKnown) {
  SetBase("Jm", 4e-5);
  SetBase("Jt", 1.3e-4);
  ASSERT_TRUE(FollowTotalInertia(*setup));
  EXPECT_DOUBLE_EQ(Base("Jload_over_J"), 2.25);
  SetBase("Jload_over_J", 0.5);
  ASSERT_TRUE(FollowLoadInertiaRatio(*setup));
  EXPECT_NEAR(Base("Jt"), 6e-5, 1e-15) << "kept to the nine decimals of Jt";
  EXPECT_FALSE(TotalInertiaBelowMotor(*setup));
  SetBase("Jt", 3e-5);
  EXPECT_TRUE(TotalInertiaBelowMotor(*setup));

  SetBase("isMotorInertiaUnknown", 1);
  SetBase("Jt", 2e-4);
  EXPECT_FALSE(FollowTotalInertia(*setup));
  EXPECT_DOUBLE_EQ(Base("Jload_over_J"), 0.5) << "the ratio means nothing without the motor inertia";
  EXPECT_FALSE(FollowLoadInertiaRatio(*setup));
  EXPECT_EQ(Base("Jt"), 2e-4);
  EXPECT_FALSE(TotalInertiaBelowMotor(*setup));
}

TEST_F(InertiaSetup, TheMeasurementCountsTheMotorSensorWhateverTheTransmission) {
  // A 3:1 gear makes the load's position scale three times the motor's;
  // the inertia at the motor must not change with it.
  SetBase("Motor_transmission", 3.0);
  SetBase("Load_transmission", 1.0);
  const double current = 1000.0;
  const double inertia = 2e-4;
  const double torque = current / *engine::CurrentScale(*setup) * Base("K");
  const double samples = 400;
  const double speed = torque / inertia * samples * *engine::SlowLoopPeriod(*setup) * *engine::MotorSpeedScale(*setup);
  const auto measured = MeasuredTotalInertia(*setup, {.testFlag = 1, .deltaTime_samples = samples, .deltaSpeed = speed},
                                             current);
  ASSERT_TRUE(measured.ok()) << measured.error();
  EXPECT_NEAR(measured.value(), inertia, inertia * 1e-9);
}

}  // namespace
}  // namespace commissioning
