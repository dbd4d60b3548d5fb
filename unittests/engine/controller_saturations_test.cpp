#include "engine/controller_saturations.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "engine/controller_saturations_test_setup.h"
#include "unittests/support/example_setups.h"

namespace engine {
namespace {

using namespace saturationtest;
using testsupport::ScopedEngineUnitScales;

// The register a limit of `units` drive units gives, after the kernel's
// rounding.
double Saturation(double units) { return std::round(std::clamp(32767 - units, 0.0, 32767.0)); }

struct Limits {
  double low, high;
};
Limits LimitsOf(CVX_Setup& setup, std::string_view name) {
  const CVX_Parameter* p = setup.FindParameter(name);
  return {p->GetMinimum(), p->GetMaximum()};
}

// 2.5 A of a 3273.6 counts/A converter.
constexpr double kCurrentLimitCounts = 2.5 * kCurrentScale;

// ----- speed controller -----

TEST(SpeedSaturation, RegistersCountDownFromFullScale) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kClosedSpeed);
  EXPECT_EQ(ComputeSATS(setup), 1);
  EXPECT_EQ(ComputeIMAXS(setup), 1);
  EXPECT_EQ(Get(setup, "SATS"), Saturation(kCurrentLimitCounts));
  EXPECT_EQ(Get(setup, "IMAXS"), Saturation(0.9 * kCurrentLimitCounts));

  // No current at all: the whole register, and all of nothing for the share.
  SetBase(setup, "IlimPS", 0);
  SetBase(setup, "IPSatS", 100);
  ComputeSATS(setup);
  ComputeIMAXS(setup);
  EXPECT_EQ(Get(setup, "SATS"), 32767);
  EXPECT_EQ(Get(setup, "IMAXS"), 32767);

  // A limit past full scale leaves the full range, never a negative count.
  SetBase(setup, "IlimPS", 32768 / kCurrentScale);
  ComputeSATS(setup);
  ComputeIMAXS(setup);
  EXPECT_EQ(Get(setup, "SATS"), 0);
  EXPECT_EQ(Get(setup, "IMAXS"), 0);
}

TEST(SpeedSaturation, RecoveryShowsTheQuantisedLimitAndShare) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kClosedSpeed);
  ComputeSATS(setup);
  ComputeIMAXS(setup);
  EXPECT_EQ(RecoverIlimPS(setup), 1);
  EXPECT_EQ(RecoverIPSatS(setup), 1);
  // A whole number of counts, the nearest to 2.5 A; the share within one
  // count of it.
  const double counts = Get(setup, "IlimPS") * kCurrentScale;
  EXPECT_NEAR(counts, std::round(counts), 1e-9);
  EXPECT_NEAR(counts, kCurrentLimitCounts, 0.5);
  EXPECT_NEAR(Get(setup, "IPSatS"), 90, 100 / counts);
  EXPECT_EQ(LimitsOf(setup, "IlimPS").low, 0.001);
  EXPECT_DOUBLE_EQ(LimitsOf(setup, "IlimPS").high, 6);  // the motor's 6 A under the drive's 10 A
  EXPECT_EQ(LimitsOf(setup, "IPSatS").low, 0);
  EXPECT_EQ(LimitsOf(setup, "IPSatS").high, 100);
}

TEST(SpeedSaturation, CurrentLimitIsReadWhereTheWordsSayTheDriveHoldsIt) {
  ScopedEngineUnitScales scales;
  for (const Mode& mode : kModes) {
    CVX_Setup setup = SaturationDrive(mode);
    SetInternal(setup, "SATS", 20000);
    SetInternal(setup, "SATP", 30000);
    // Only a position loop on the current, or torque mode, keeps the
    // current limit in "SATP".
    const bool inSatp =
        mode.control == 1 && (mode.controlMode == 2 || (mode.controlMode == 0 && mode.positionType == 0));
    const double expected_A = (inSatp ? 2767 : 12767) / kCurrentScale;
    EXPECT_EQ(RecoverIlimPS(setup), 1) << mode.name;
    EXPECT_EQ(RecoverTestLimitCurrent(setup), 1) << mode.name;
    EXPECT_NEAR(Get(setup, "IlimPS"), expected_A, 1e-12) << mode.name;
    EXPECT_NEAR(Get(setup, "TestLimitCurrent"), expected_A, 1e-12) << mode.name;
    EXPECT_EQ(LimitsOf(setup, "TestLimitCurrent").low, 0) << mode.name;
  }
}

// ----- position controller -----

TEST(PositionSaturation, LimitsFollowWhatThePositionLoopCommands) {
  ScopedEngineUnitScales scales;
  const double stepRate = 40 * kStepRate;
  const double speed = 40 * kEncoderSpeedScale;
  struct Case {
    Mode mode;
    double output, integral;  // the limits "SATP" and "IMAXP" count down from
  };
  const Case cases[] = {
      {kOpenPosition, stepRate, 0.8 * stepRate},
      {kOpenSpeed, stepRate, 0.8 * stepRate},
      {kClosedDirectPosition, kCurrentLimitCounts, 0.8 * kCurrentLimitCounts},
      {kClosedCascadePosition, speed, 0.8 * speed},
      // Speed mode: the output limit is the speed, the integral a share of
      // the current limit.
      {kClosedSpeed, speed, 0.8 * kCurrentLimitCounts},
      {kClosedTorque, kCurrentLimitCounts, 0.8 * kCurrentLimitCounts},
  };
  for (const Case& c : cases) {
    CVX_Setup setup = SaturationDrive(c.mode);
    EXPECT_EQ(ComputeSATP(setup), 1) << c.mode.name;
    EXPECT_EQ(ComputeIMAXP(setup), 1) << c.mode.name;
    EXPECT_EQ(Get(setup, "SATP"), Saturation(c.output)) << c.mode.name;
    EXPECT_EQ(Get(setup, "IMAXP"), Saturation(c.integral)) << c.mode.name;
  }
}

TEST(PositionSaturation, OpenLoopLimitCountsLoadSpeedThroughTheGear) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kOpenPosition);
  const double speed = Get(setup, "Limit_Speed");
  // The load turns three times slower than the motor: three times the
  // microsteps for the same load speed, in either direction.
  SetInternal(setup, "Motor_transmission", -3 * kTwoPi);
  SetBase(setup, "Limit_Speed", speed);
  ComputeSATP(setup);
  EXPECT_EQ(Get(setup, "SATP"), Saturation(3 * 40 * kStepRate));
}

TEST(PositionSaturation, SpeedModeShareIsRecoveredAgainstTheCurrentLimit) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kClosedSpeed);
  ComputeSATS(setup);
  ComputeSATP(setup);
  ComputeIMAXP(setup);
  // "SATP" holds about 20 counts of speed, "IMAXP" 80 % of 8184 counts of
  // current: read against "SATP" the share would be far beyond 100 %.
  ASSERT_LT(32767 - Get(setup, "SATP"), 32767 - Get(setup, "IMAXP"));
  EXPECT_EQ(RecoverIPSatP(setup), 1);
  EXPECT_NEAR(Get(setup, "IPSatP"), 80, 100 / kCurrentLimitCounts);
  EXPECT_EQ(LimitsOf(setup, "IPSatP").high, 100);

  // In every other mode the share is of the limit "SATP" holds; "SATS"
  // must not matter there.
  for (const Mode& mode : {kOpenSpeed, kClosedCascadePosition, kClosedTorque}) {
    CVX_Setup other = SaturationDrive(mode);
    ComputeSATP(other);
    ComputeIMAXP(other);
    SetInternal(other, "SATS", 0);
    EXPECT_EQ(RecoverIPSatP(other), 1) << mode.name;
    EXPECT_NEAR(Get(other, "IPSatP"), 80, 100 / (32767 - Get(other, "SATP"))) << mode.name;
  }
}

TEST(PositionSaturation, SpeedLimitIsRecoveredFromTheOutputSaturation) {
  ScopedEngineUnitScales scales;
  struct Case {
    Mode mode;
    double scale;  // drive units of "SATP" per rad/s
  };
  for (const Case& c : {Case{kOpenPosition, kStepRate}, Case{kClosedCascadePosition, kEncoderSpeedScale},
                        Case{kClosedSpeed, kEncoderSpeedScale}}) {
    CVX_Setup setup = SaturationDrive(c.mode);
    SetInternal(setup, "SATP", 32000);
    EXPECT_EQ(RecoverLimit_Speed(setup), 1) << c.mode.name;
    EXPECT_NEAR(Get(setup, "Limit_Speed"), 767 / c.scale, 1e-9) << c.mode.name;
    EXPECT_EQ(LimitsOf(setup, "Limit_Speed").low, 0) << c.mode.name;
    EXPECT_NEAR(LimitsOf(setup, "Limit_Speed").high, 32767 / c.scale, 1e-6) << c.mode.name;
  }

  // Torque mode: "SATP" carries the current limit, and the speed limit
  // shows it divided by the speed scale.
  CVX_Setup torque = SaturationDrive(kClosedTorque);
  ComputeSATP(torque);
  EXPECT_EQ(RecoverLimit_Speed(torque), 1);
  EXPECT_NEAR(Get(torque, "Limit_Speed"), std::round(kCurrentLimitCounts) / kEncoderSpeedScale, 1e-9);
}

// ----- gravity offset and acceleration limit -----

TEST(GravityOffset, HeldInConverterCountsWhileCompensationIsOn) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kClosedDirectPosition);
  SetBase(setup, "OffsetCurrent", -0.5);
  EXPECT_EQ(ComputeFFL(setup), 1);
  EXPECT_EQ(Get(setup, "FFL"), 0);
  EXPECT_EQ(RecoverIsCompensateGravitationalLoads(setup), 1);
  EXPECT_EQ(RecoverOffsetCurrent(setup), 1);
  EXPECT_EQ(Get(setup, "isCompensateGravitationalLoads"), 0);
  EXPECT_EQ(Get(setup, "OffsetCurrent"), 0);

  SetBase(setup, "OffsetCurrent", -0.5);
  SetInternal(setup, "isCompensateGravitationalLoads", 1);
  ComputeFFL(setup);
  EXPECT_EQ(Get(setup, "FFL"), std::round(-0.5 * kCurrentScale));
  RecoverIsCompensateGravitationalLoads(setup);
  RecoverOffsetCurrent(setup);
  EXPECT_EQ(Get(setup, "isCompensateGravitationalLoads"), 1);
  EXPECT_NEAR(Get(setup, "OffsetCurrent"), std::round(-0.5 * kCurrentScale) / kCurrentScale, 1e-12);
  EXPECT_DOUBLE_EQ(LimitsOf(setup, "OffsetCurrent").low, -3);  // the rated current either way
  EXPECT_DOUBLE_EQ(LimitsOf(setup, "OffsetCurrent").high, 3);
}

TEST(AccelerationLimit, HeldInMicrostepsPerSampleSquaredWhileEnabled) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kOpenPosition);
  SetBase(setup, "Limit_Acceleration", 1000);
  EXPECT_EQ(ComputeACC_LIMIT(setup), 1);
  EXPECT_EQ(Get(setup, "ACC_LIMIT"), 0);

  SetInternal(setup, "isLimitAcceleration", 1);
  SetInternal(setup, "Motor_transmission", -kTwoPi);  // the magnitude counts
  SetBase(setup, "Limit_Acceleration", 1000);
  EXPECT_EQ(ComputeACC_LIMIT(setup), 1);
  EXPECT_NEAR(Get(setup, "ACC_LIMIT"), 1000 * kStepAcceleration, 1e-12);

  // Recovery leaves the limits alone.
  setup.FindParameter("Limit_Acceleration")->InitLimits(-1, 1e6);
  EXPECT_EQ(RecoverLimit_Acceleration(setup), 1);
  EXPECT_EQ(RecoverIsLimitAcceleration(setup), 1);
  EXPECT_NEAR(Get(setup, "Limit_Acceleration"), 1000, 1e-9);
  EXPECT_EQ(Get(setup, "isLimitAcceleration"), 1);
  EXPECT_EQ(LimitsOf(setup, "Limit_Acceleration").low, -1);
  EXPECT_EQ(LimitsOf(setup, "Limit_Acceleration").high, 1e6);
}

// ----- tuning test defaults -----

TEST(TuningTestDefaults, SetFromTheMotorAndTheDriveOnRecovery) {
  ScopedEngineUnitScales scales;
  CVX_Setup setup = SaturationDrive(kClosedCascadePosition);
  SetInternal(setup, "IMAXPROT", 16368);
  SetInternal(setup, "SATP", 32000);  // "Limit_Speed" 767 / kEncoderSpeedScale, about 1506 rad/s
  RecoverLimit_Speed(setup);
  for (auto recover : {RecoverTestCurrent, RecoverTestProtectionCurrent, RecoverTestMaxSpeed, RecoverJload_over_J})
    EXPECT_EQ(recover(setup), 1);

  EXPECT_NEAR(Get(setup, "TestCurrent"), 3, 1e-12);  // the motor's 3 A under the drive's 5 A
  EXPECT_NEAR(LimitsOf(setup, "TestCurrent").low, 0.001, 0);
  EXPECT_NEAR(LimitsOf(setup, "TestCurrent").high, 5.4, 1e-12);
  EXPECT_NEAR(Get(setup, "TestProtectionCurrent"), 16368 / kCurrentScale, 1e-12);
  EXPECT_DOUBLE_EQ(LimitsOf(setup, "TestProtectionCurrent").high, 6);
  EXPECT_NEAR(Get(setup, "TestMaxSpeed"), 48 / 0.5 / 3, 1e-9);
  EXPECT_NEAR(LimitsOf(setup, "TestMaxSpeed").high, Get(setup, "Limit_Speed"), 0);
  EXPECT_NEAR(Get(setup, "Jload_over_J"), 2, 1e-12);

  // The test speed never exceeds the speed limit; a total inertia below the
  // motor's shows no load.
  SetInternal(setup, "SATP", 32757);
  RecoverLimit_Speed(setup);
  SetInternal(setup, "Jt", 0.5e-4);
  RecoverTestMaxSpeed(setup);
  RecoverJload_over_J(setup);
  EXPECT_NEAR(Get(setup, "TestMaxSpeed"), 10 / kEncoderSpeedScale, 1e-9);
  EXPECT_EQ(Get(setup, "Jload_over_J"), 0);
}

// ----- guards -----

// Each case breaks one quantity a function divides by or scales with; the
// function must then return 0 and leave its target as it was.
TEST(SaturationGuards, ZeroScalesAndEmptyLimitsWriteNothing) {
  ScopedEngineUnitScales scales;
  struct Case {
    std::string what;
    Mode mode;
    std::function<void(CVX_Setup&)> breakIt;
    int (*function)(CVX_Setup&);
    const char* target;
  };
  const auto noCurrentScale = [](CVX_Setup& s) { SetInternal(s, "ImaxPS", 0); };
  const auto noSteps = [](CVX_Setup& s) { SetInternal(s, "NoMotorSteps", 0); };
  const auto noEncoder = [](CVX_Setup& s) { SetInternal(s, "MotorSensorType", 0); };
  const auto fullSats = [](CVX_Setup& s) { SetInternal(s, "SATS", 32767); };
  const auto fullSatp = [](CVX_Setup& s) { SetInternal(s, "SATP", 32767); };
  const Case cases[] = {
      {"current scale, SATS", kClosedSpeed, noCurrentScale, ComputeSATS, "SATS"},
      {"current scale, IMAXS", kClosedSpeed, noCurrentScale, ComputeIMAXS, "IMAXS"},
      {"current scale, SATP", kClosedTorque, noCurrentScale, ComputeSATP, "SATP"},
      {"current scale, IMAXP", kClosedSpeed, noCurrentScale, ComputeIMAXP, "IMAXP"},
      {"current scale, FFL", kClosedTorque,
       [](CVX_Setup& s) {
         SetInternal(s, "isCompensateGravitationalLoads", 1);
         SetInternal(s, "ImaxPS", 0);
       },
       ComputeFFL, "FFL"},
      {"current scale, OffsetCurrent", kClosedTorque, noCurrentScale, RecoverOffsetCurrent, "OffsetCurrent"},
      {"current scale, TestProtectionCurrent", kClosedTorque, noCurrentScale, RecoverTestProtectionCurrent,
       "TestProtectionCurrent"},
      {"step rate, SATP", kOpenPosition, noSteps, ComputeSATP, "SATP"},
      {"step rate, IMAXP", kOpenSpeed, noSteps, ComputeIMAXP, "IMAXP"},
      {"step rate, Limit_Speed", kOpenPosition, noSteps, RecoverLimit_Speed, "Limit_Speed"},
      {"step acceleration, ACC_LIMIT", kOpenPosition,
       [](CVX_Setup& s) {
         SetInternal(s, "isLimitAcceleration", 1);
         SetInternal(s, "NoMicroStepsPerStep", 0);
       },
       ComputeACC_LIMIT, "ACC_LIMIT"},
      {"step acceleration, Limit_Acceleration", kOpenPosition,
       [](CVX_Setup& s) { SetInternal(s, "NoMicroStepsPerStep", 0); }, RecoverLimit_Acceleration,
       "Limit_Acceleration"},
      {"speed scale, SATP", kClosedSpeed, noEncoder, ComputeSATP, "SATP"},
      {"speed scale, IMAXP", kClosedCascadePosition, noEncoder, ComputeIMAXP, "IMAXP"},
      {"speed scale, Limit_Speed", kClosedSpeed, noEncoder, RecoverLimit_Speed, "Limit_Speed"},
      {"no speed limit to share, IPSatS", kClosedSpeed, fullSats, RecoverIPSatS, "IPSatS"},
      {"no current limit to share, IPSatP", kClosedSpeed, fullSats, RecoverIPSatP, "IPSatP"},
      {"no position limit to share, IPSatP", kClosedCascadePosition, fullSatp, RecoverIPSatP, "IPSatP"},
      {"torque constant, TestMaxSpeed", kClosedSpeed, [](CVX_Setup& s) { SetInternal(s, "K", 0); },
       RecoverTestMaxSpeed, "TestMaxSpeed"},
      {"motor inertia, Jload_over_J", kClosedSpeed, [](CVX_Setup& s) { SetInternal(s, "Jm", 0); },
       RecoverJload_over_J, "Jload_over_J"},
  };
  for (const Case& c : cases) {
    CVX_Setup setup = SaturationDrive(c.mode);
    CVX_Parameter* target = setup.FindParameter(c.target);
    target->InitInternal(123);
    c.breakIt(setup);
    EXPECT_EQ(c.function(setup), 0) << c.what;
    EXPECT_EQ(target->GetValueInInternalUnit(), 123) << c.what;
    EXPECT_TRUE(std::isinf(target->GetMaximum())) << c.what << ": limits set although nothing was written";
  }
}

TEST(SaturationGuards, MissingChoicesWriteNothing) {
  ScopedEngineUnitScales scales;
  for (const char* name : {"ControlMode", "StepperControlType"}) {
    CVX_Setup setup = Without(SaturationDrive(kClosedSpeed), name);
    SetInternal(setup, "SATP", 4321);
    SetInternal(setup, "IMAXP", 4321);
    EXPECT_EQ(ComputeSATP(setup), 0) << name;
    EXPECT_EQ(ComputeIMAXP(setup), 0) << name;
    EXPECT_EQ(Get(setup, "SATP"), 4321) << name;
    EXPECT_EQ(Get(setup, "IMAXP"), 4321) << name;
  }
  // The position type only matters in closed-loop position mode.
  CVX_Setup position = Without(SaturationDrive(kClosedCascadePosition), "PositionControlType");
  EXPECT_EQ(ComputeSATP(position), 0);
  EXPECT_EQ(ComputeIMAXP(position), 0);
  CVX_Setup speed = Without(SaturationDrive(kClosedSpeed), "PositionControlType");
  EXPECT_EQ(ComputeSATP(speed), 1);
  EXPECT_EQ(ComputeIMAXP(speed), 1);
  // Without its words the drive's mode is unknown.
  CVX_Setup noWords = Without(SaturationDrive(kClosedSpeed), "ACR");
  EXPECT_EQ(RecoverIPSatP(noWords), 0);
  EXPECT_EQ(RecoverIlimPS(noWords), 0);
}

}  // namespace
}  // namespace engine
