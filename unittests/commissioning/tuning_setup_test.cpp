#include "commissioning/tuning_setup.h"

#include <cmath>
#include <gtest/gtest.h>

#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "kernel/parameter.h"
#include "unittests/support/example_setups.h"

namespace commissioning {
namespace {

class TuningSetup : public ::testing::Test {
 protected:
  void Use(std::string_view example) {
    setup = testsupport::LoadExample(example);
    ASSERT_NE(setup, nullptr);
  }
  double Base(const char* name) { return setup->FindParameter(name)->GetValueInBaseUnit(); }
  double Internal(const char* name) { return setup->FindParameter(name)->GetValueInInternalUnit(); }
  void SetBase(const char* name, double value) { ASSERT_TRUE(setup->FindParameter(name)->SetValueInBaseUnit(value)); }
  void SetInternal(const char* name, double value) {
    ASSERT_TRUE(setup->FindParameter(name)->SetValueInInternalUnit(value));
  }
  CurrentCommandPlant Plant() {
    return {.inertia_kgm2 = Base("Jt"), .torqueConstant_NmPerA = Base("K"),
            .currentScale_countsPerA = *engine::CurrentScale(*setup)};
  }

  testsupport::ScopedEngineUnitScales scales;
  std::unique_ptr<CVX_Setup> setup;
};

TEST_F(TuningSetup, TuneDesignsFromTheSetupAndKeepsWhatTheRegistersHold) {
  Use(testsupport::kClosedLoopIncremental);
  const auto expected = DesignSpeedGains(SpeedDesignInputs{.bandwidth_rad_s = Base("PB_S"), .damping = Base("Dump_S"),
                                                           .period_s = *engine::SlowLoopPeriod(*setup),
                                                           .plant = Plant(),
                                                           .speedScale = *engine::SpeedScale(*setup)});
  const auto tuned = TuneSpeedController(*setup);
  ASSERT_TRUE(tuned.ok()) << tuned.error();
  EXPECT_DOUBLE_EQ(tuned.value().kp, expected.value().kp);
  // The shown gains are what the 15-bit mantissas hold: within 2^-14 of the
  // design.
  EXPECT_NEAR(Base("Kp_S_scl"), expected.value().kp, expected.value().kp * 0x1p-14);
  EXPECT_NEAR(Base("Ki_S_scl"), expected.value().ki, expected.value().ki * 0x1p-14);
  EXPECT_EQ(Base("Kp_S_scl"), Internal("KPS") * std::exp2(Internal("SFTKPS")) / 32767.0);

  SetInternal("PosSpd_in_FastLoop", 1);
  const auto fast = DesignSpeedGains(*setup);
  ASSERT_TRUE(fast.ok());
  EXPECT_NEAR(fast.value().ki / tuned.value().ki, *engine::FastLoopPeriod(*setup) / *engine::SlowLoopPeriod(*setup),
              1e-12)
      << "the integral gain follows the period the loop runs at";
}

TEST_F(TuningSetup, AFailedDesignLeavesGainsAndRegistersAsTheyWere) {
  Use(testsupport::kClosedLoopIncremental);
  const double kp = Base("Kp_S_scl");
  const double kps = Internal("KPS");
  SetBase("Jt", 50.0);  // far beyond what the registers hold
  const auto tuned = TuneSpeedController(*setup);
  ASSERT_FALSE(tuned.ok());
  EXPECT_NE(tuned.error().find("Kp_S_scl"), std::string::npos) << tuned.error();
  EXPECT_EQ(Base("Kp_S_scl"), kp);
  EXPECT_EQ(Internal("KPS"), kps);
}

TEST_F(TuningSetup, ThePositionDesignFollowsTheControlType) {
  Use(testsupport::kClosedLoopIncremental);
  const PositionDesignTarget target{.bandwidth_rad_s = Base("PB_P"), .damping = Base("Dump_P"),
                                    .period_s = *engine::SlowLoopPeriod(*setup),
                                    .positionScale = *engine::PositionScale(*setup)};
  SetInternal("PositionControlType", 1);
  const auto throughSpeed = TunePositionController(*setup);
  ASSERT_TRUE(throughSpeed.ok()) << throughSpeed.error();
  EXPECT_DOUBLE_EQ(throughSpeed.value().kp,
                   DesignPositionGainsThroughSpeedLoop(target, *engine::SpeedScale(*setup)).value().kp);
  EXPECT_EQ(Base("Kd_P_scl"), 0.0);

  SetInternal("PositionControlType", 0);
  const auto commandingCurrent = TunePositionController(*setup);
  ASSERT_TRUE(commandingCurrent.ok()) << commandingCurrent.error();
  EXPECT_DOUBLE_EQ(commandingCurrent.value().kd, DesignPositionGainsCommandingCurrent(target, Plant()).value().kd);
  EXPECT_NEAR(Base("Kd_P_scl"), commandingCurrent.value().kd, commandingCurrent.value().kd * 0x1p-14);

  Use(testsupport::kOpenLoop);
  const auto openLoop = DesignPositionGains(*setup);
  ASSERT_TRUE(openLoop.ok()) << openLoop.error();
  const PositionDesignTarget openTarget{.bandwidth_rad_s = Base("PB_P"), .damping = Base("Dump_P"),
                                        .period_s = *engine::SlowLoopPeriod(*setup),
                                        .positionScale = *engine::PositionScale(*setup)};
  EXPECT_DOUBLE_EQ(openLoop.value().ki,
                   DesignOpenLoopPositionGains(openTarget, Base("NoMotorSteps") * Base("NoMicroStepsPerStep"))
                       .value()
                       .ki);
}

TEST_F(TuningSetup, TheTestSpeedIsStoredQuantised) {
  Use(testsupport::kClosedLoopIncremental);
  const double perBase = Internal("TestSpeed") / Base("TestSpeed");
  SetInternal("isSpeedEstimator", 0);
  SetBase("TestSpeed", 10.3 / perBase);
  EXPECT_EQ(QuantiseTestSpeed(*setup), 10.0);
  EXPECT_EQ(Internal("TestSpeed"), 10.0);

  SetInternal("isSpeedEstimator", 1);
  SetBase("TestSpeed", 10.3 / perBase);
  EXPECT_EQ(*QuantiseTestSpeed(*setup) * 65536.0, std::round(10.3 * 65536.0));

  SetInternal("isSpeedEstimator", 0);
  SetBase("TestSpeed", -0.2 / perBase);
  EXPECT_EQ(QuantiseTestSpeed(*setup), -1.0);
  EXPECT_EQ(Internal("TestSpeed"), -1.0);
}

TEST_F(TuningSetup, ProfilesRunTheSetupsTimesInSlowLoopSamples) {
  Use(testsupport::kClosedLoopIncremental);
  const auto speed = QuantiseTestSpeed(*setup);
  ASSERT_TRUE(speed);
  const auto profile = SpeedProfileOf(*setup, *speed);
  ASSERT_TRUE(profile.ok());
  // The times are stored as slow-loop samples.
  EXPECT_EQ(profile.value()[0].count, Internal("TaPS") - 1);
  EXPECT_EQ(profile.value()[2].count, Internal("TPS"));
  EXPECT_EQ(ProfileReach_q16(profile.value(), 2), static_cast<std::int64_t>(*speed * 65536));
  EXPECT_EQ(ProfileEnd_q16(profile.value()), 0);

  const auto position = TestPositionCounts(*setup);
  ASSERT_TRUE(position);
  EXPECT_NEAR(*position, Base("TestPosition") * *engine::PositionScale(*setup), 0.5);
  const auto positionProfile = PositionProfileOf(*setup, *position);
  ASSERT_TRUE(positionProfile.ok());
  EXPECT_EQ(positionProfile.value()[0].count, Internal("TaPP") - 1);
  EXPECT_EQ(ProfileReach_q16(positionProfile.value(), 2), static_cast<std::int64_t>(*position * 65536));

  SetInternal("PWMPER", 0);  // no loop period: no profile, whatever the times
  EXPECT_FALSE(SpeedProfileOf(*setup, *speed).ok());
}

}  // namespace
}  // namespace commissioning
