#include "engine/loop_timing.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "engine/divider_rules.h"
#include "engine/loop_periods.h"
#include "engine/time_rescale.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using testsupport::Base;
using kernel::ValueType;

double Ticks(CVX_Setup& setup, const char* name) { return setup.GetParameterValueInInternalUnit(name); }

int g_roundTrips = 0;
void CountRoundTrip(CVX_Setup&) { ++g_roundTrips; }

// 60 MHz processor, 20 kHz PWM, fast loop every 2 PWM periods, slow loop
// every 10; the shown periods are derived values in seconds.
CVX_Setup TimingSetup(int controlType) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"DSP_freq", 60e6},
                                    {"PWM_freq", 20000},
                                    {"StepperControlType", static_cast<double>(controlType)},
                                    {"CurrentMeasurementType", 1},
                                    {"ControlMode", 2},
                                    {"SATPWM", 0}});
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 10.0}, {"SLPER_backup", 0.0}})
    testsupport::AddRegister(setup, name, value);
  for (const char* name : {"Ts_C", "Ts_S", "PWMperiod"}) testsupport::AddParameter(setup, name, 0, ValueType::kDerived, "s");
  g_roundTrips = 0;
  return setup;
}

TEST(LoopTiming, TimerAndPeriodsFromClockAndDividers) {
  CVX_Setup setup = TimingSetup(0);
  testsupport::ScopedEngineUnitScales scales;
  setup.FindParameter("PWMPER")->InitInternal(0);
  EXPECT_EQ(ComputePWMPER(setup), 1);
  EXPECT_EQ(Base(setup, "PWMPER"), 1500);
  EXPECT_EQ(RecoverPWM_freq(setup), 1);
  EXPECT_DOUBLE_EQ(Base(setup, "PWM_freq"), 20000);
  EXPECT_EQ(RecoverPWMperiod(setup), 1);
  EXPECT_NEAR(Base(setup, "PWMperiod"), 50e-6, 1e-18);
  EXPECT_EQ(RecoverTs_C(setup), 1);
  EXPECT_NEAR(Base(setup, "Ts_C"), 100e-6, 1e-18);
  EXPECT_EQ(ComputeSATPWM(setup), 1);
  EXPECT_DOUBLE_EQ(Base(setup, "SATPWM"), 2621.4);

  // Open loop: a fast-divider edit ties the slow loop to 8 fast periods.
  RememberedPeriods remembered = RememberPeriods(setup);
  EXPECT_EQ(ApplyTimingEdit(setup, TimingEdit::kFastDivider, remembered, CountRoundTrip), 1);
  EXPECT_EQ(Base(setup, "SLPER"), 16);
  EXPECT_NEAR(Base(setup, "Ts_S"), 0.8e-3, 1e-15);
  EXPECT_NEAR(remembered.slow_s, 0.8e-3, 1e-15);
  EXPECT_EQ(g_roundTrips, 1);

  setup.FindParameter("CurrentMeasurementType")->InitInternal(0);
  ComputeSATPWM(setup);
  EXPECT_EQ(Base(setup, "SATPWM"), 0);
}

TEST(DividerRules, NewPwmKeepsTheLoopPeriods) {
  for (int controlType : {0, 1}) {
    CVX_Setup setup = TimingSetup(controlType);
    if (controlType == 0) setup.FindParameter("SLPER")->InitInternal(16);
    RememberedPeriods remembered = RememberPeriods(setup);
    const double slowBefore_s = *SlowLoopPeriod(setup);
    setup.FindParameter("PWM_freq")->InitInternal(40000);
    EXPECT_EQ(ApplyTimingEdit(setup, TimingEdit::kPwmFrequency, remembered, CountRoundTrip), 1);
    EXPECT_EQ(Base(setup, "PWMPER"), 750);
    EXPECT_EQ(Base(setup, "CLPER"), 4);
    EXPECT_NEAR(*FastLoopPeriod(setup), 100e-6, 1e-18);
    // Open loop keeps its slow loop 8 fast periods long, so it keeps its
    // period too.
    EXPECT_EQ(Base(setup, "SLPER"), controlType ? 20 : 32);
    EXPECT_NEAR(*SlowLoopPeriod(setup), slowBefore_s, 1e-15);
    EXPECT_EQ(g_roundTrips, 1);
  }
}

TEST(DividerRules, SlowDividerNeverBelowTheFastOne) {
  CVX_Setup setup = TimingSetup(1);
  setup.FindParameter("SLPER")->InitInternal(1);
  RememberedPeriods remembered = RememberPeriods(setup);
  ApplyTimingEdit(setup, TimingEdit::kSlowDivider, remembered, CountRoundTrip);
  EXPECT_EQ(Base(setup, "SLPER"), 2);
  EXPECT_DOUBLE_EQ(remembered.slow_s, *SlowLoopPeriod(setup));
  // A fast-divider edit in closed loop leaves the slow loop alone.
  setup.FindParameter("CLPER")->InitInternal(1);
  g_roundTrips = 0;
  ApplyTimingEdit(setup, TimingEdit::kFastDivider, remembered, CountRoundTrip);
  EXPECT_EQ(Base(setup, "SLPER"), 2);
  EXPECT_EQ(g_roundTrips, 0);
}

TEST(DividerRules, OpenLoopSwitchSavesAndRestoresTheSlowDivider) {
  CVX_Setup setup = TimingSetup(1);
  testsupport::ScopedEngineUnitScales scales;
  // 8 ms at the closed loop's 0.5 ms slow period.
  testsupport::AddParameter(setup, "time_ERR_pos", 16, ValueType::kDouble, "s");

  setup.FindParameter("StepperControlType")->InitInternal(0);
  EXPECT_EQ(ApplyControlTypeChange(setup, nullptr), 1);
  EXPECT_EQ(Base(setup, "ControlMode"), 0);
  EXPECT_EQ(Base(setup, "SLPER_backup"), 10);
  EXPECT_EQ(Base(setup, "SLPER"), 16);
  EXPECT_NEAR(Base(setup, "Ts_S"), 0.8e-3, 1e-15);
  EXPECT_NEAR(Base(setup, "time_ERR_pos"), 8e-3, 1e-15);
  EXPECT_DOUBLE_EQ(Ticks(setup, "time_ERR_pos"), 10);

  setup.FindParameter("StepperControlType")->InitInternal(1);
  EXPECT_EQ(ApplyControlTypeChange(setup, nullptr), 1);
  EXPECT_EQ(Base(setup, "SLPER"), 10);
  EXPECT_NEAR(Base(setup, "time_ERR_pos"), 8e-3, 1e-15);

  // Already coupled: the backup is taken, nothing else moves.
  setup.FindParameter("SLPER")->InitInternal(16);
  setup.FindParameter("StepperControlType")->InitInternal(0);
  EXPECT_EQ(ApplyControlTypeChange(setup, nullptr), 1);
  EXPECT_EQ(Base(setup, "SLPER_backup"), 16);
  EXPECT_DOUBLE_EQ(Ticks(setup, "time_ERR_pos"), 16);
}

TEST(TimeRescale, ValuesKeepTheirEngineeringUnitsWhenTheSlowPeriodDoubles) {
  CVX_Setup setup = TimingSetup(0);
  testsupport::ScopedEngineUnitScales scales;
  setup.FindParameter("SLPER")->InitInternal(16);
  CVX_DriveIdentity identity;
  identity.adcMaxValue = 65472;
  setup.SetIdentity(identity);
  testsupport::AddParameters(setup, {{"NoMotorSteps", 200}, {"NoMicroStepsPerStep", 256}, {"Motor_transmission", 1},
                                    {"Load_transmission", 1}, {"MotorSensorType", 0}, {"LoadSensorType", 0},
                                    {"ImaxPS", 5}});
  testsupport::AddRegister(setup, "OSR", 0);
  testsupport::AddParameter(setup, "time_ERR_pos", 12.5, ValueType::kDouble, "s");  // 10 ms
  testsupport::AddParameter(setup, "ERR_speed", 3, ValueType::kDouble, "rad/s");
  testsupport::AddParameter(setup, "ErefMaxAcceleration", 0.02, ValueType::kDouble, "rad/s^2");
  testsupport::AddParameter(setup, "CurrentSlope", 40, ValueType::kDouble, "A/s");
  testsupport::AddParameter(setup, "MotorJerk", 7, ValueType::kDouble, "rad/s^3");
  testsupport::AddParameter(setup, "Ts_S_min", 2, ValueType::kConstant, "s");
  testsupport::AddParameter(setup, "Dimensionless", 9);

  const char* kept[] = {"time_ERR_pos", "ERR_speed", "ErefMaxAcceleration", "CurrentSlope"};
  double before[4];
  for (int i = 0; i < 4; ++i) before[i] = Base(setup, kept[i]);
  EXPECT_NEAR(before[0], 10e-3, 1e-15);

  setup.FindParameter("SLPER")->InitInternal(32);
  EXPECT_EQ(RescaleTimeParameters(setup, 0.5, CountRoundTrip), 1);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(Base(setup, kept[i]), before[i], 1e-12 * std::fabs(before[i])) << kept[i];
  EXPECT_DOUBLE_EQ(Ticks(setup, "time_ERR_pos"), 6.25);
  EXPECT_DOUBLE_EQ(Ticks(setup, "ERR_speed"), 6);
  EXPECT_DOUBLE_EQ(Ticks(setup, "ErefMaxAcceleration"), 0.08);
  // Jerk, constants, derived values and dimensionless values stay as stored.
  EXPECT_DOUBLE_EQ(Ticks(setup, "MotorJerk"), 7);
  EXPECT_DOUBLE_EQ(Ticks(setup, "Ts_S_min"), 2);
  EXPECT_DOUBLE_EQ(Ticks(setup, "Dimensionless"), 9);
  EXPECT_EQ(g_roundTrips, 0);
}

// Clears the clipping limit, as the recovery's new limits would.
void WidenLimits(CVX_Setup& setup) {
  ++g_roundTrips;
  setup.FindParameter("t_I2t_M")->SetMaximum(100);
}

TEST(TimeRescale, ClippedValueIsWrittenAgainAfterTheRoundTrip) {
  CVX_Setup setup = TimingSetup(1);
  testsupport::AddParameter(setup, "t_I2t_M", 10, ValueType::kDouble, "s")->SetMaximum(15);
  testsupport::AddParameter(setup, "I_I2t_M", 2);
  EXPECT_EQ(RescaleTimeParameters(setup, 2, WidenLimits), 1);
  EXPECT_EQ(g_roundTrips, 1);
  EXPECT_DOUBLE_EQ(Ticks(setup, "t_I2t_M"), 20);
  EXPECT_DOUBLE_EQ(Base(setup, "I_I2t_M"), 2);
}

TEST(TimeRescale, ClippedI2tTimeRaisesItsCurrentToKeepTheProduct) {
  CVX_Setup setup = TimingSetup(1);
  testsupport::AddParameter(setup, "t_I2t_D", 10, ValueType::kDouble, "s")->SetMaximum(15);
  testsupport::AddParameter(setup, "I_I2t_D", 2);
  testsupport::AddParameter(setup, "t_I2t_M", 3, ValueType::kDouble, "s");
  testsupport::AddParameter(setup, "I_I2t_M", 4);
  EXPECT_EQ(RescaleTimeParameters(setup, 2, CountRoundTrip), 1);
  EXPECT_EQ(g_roundTrips, 1);
  EXPECT_DOUBLE_EQ(Base(setup, "t_I2t_D"), 15);
  EXPECT_DOUBLE_EQ(Base(setup, "I_I2t_D"), 2 * std::sqrt(20.0 / 15.0));
  EXPECT_DOUBLE_EQ(Base(setup, "t_I2t_M"), 6);
  EXPECT_DOUBLE_EQ(Base(setup, "I_I2t_M"), 4);
}

TEST(TimeRescale, RatioThatIsNotAPositiveNumberChangesNothing) {
  CVX_Setup setup = TimingSetup(1);
  testsupport::AddParameter(setup, "time_ERR_pos", 10, ValueType::kDouble, "s");
  for (double ratio : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(RescaleTimeParameters(setup, ratio, CountRoundTrip), 0) << ratio;
    EXPECT_EQ(Ticks(setup, "time_ERR_pos"), 10) << ratio;
  }
}

TEST(MinimumPeriods, MessageOnlyWhenAPositiveMinimumExceedsThePeriod) {
  CVX_Setup setup = TimingSetup(1);
  EXPECT_FALSE(FastLoopMinimumMessage(setup)) << "absent minimum";
  testsupport::AddParameters(setup, {{"Ts_C_min", 0}, {"Ts_S_min", 0}});
  EXPECT_FALSE(FastLoopMinimumMessage(setup)) << "zero minimum";
  EXPECT_FALSE(SlowLoopMinimumMessage(setup));
  setup.FindParameter("Ts_C_min")->InitInternal(100e-6);
  EXPECT_FALSE(FastLoopMinimumMessage(setup)) << "a period equal to the minimum is long enough";
  setup.FindParameter("Ts_C_min")->InitInternal(0.2e-3);
  setup.FindParameter("Ts_S_min")->InitInternal(1e-3);
  EXPECT_EQ(FastLoopMinimumMessage(setup),
            "The minimum value for Fast loop sampling period is 0.200 ms!\nPlease adjust the PWM frequency and/or "
            "the Fast loop sampling frequency divider until this condition is fulfilled!");
  EXPECT_EQ(SlowLoopMinimumMessage(setup),
            "The minimum value for Slow loop sampling period is 1.000 ms!\nPlease adjust the PWM frequency and/or "
            "the Slow loop sampling frequency divider until this condition is fulfilled!");
  EXPECT_EQ(SlowLoopPeriodCaption(true),
            "Speed/position loop sampling period = PWM period  x  Fast loop divider  x  8");
  EXPECT_EQ(SlowLoopPeriodCaption(false), "Speed/position loop sampling period = PWM period  x  Slow loop divider");
}

TEST(LoopTiming, PositionAndSpeedLoopsInTheFastLoopFromUpgradeBit6) {
  CVX_Setup setup = TimingSetup(1);
  EXPECT_EQ(RecoverPosSpd_in_FastLoop(setup), 1) << "firmware without the switch";
  testsupport::AddRegister(setup, "UPGRADE", 0x0040);
  CVX_Parameter* fastLoop = testsupport::AddParameter(setup, "PosSpd_in_FastLoop", 0);
  EXPECT_EQ(RecoverPosSpd_in_FastLoop(setup), 1);
  EXPECT_EQ(fastLoop->GetValueInBaseUnit(), 1);
  EXPECT_EQ(fastLoop->GetMinimum(), 0);
  EXPECT_EQ(fastLoop->GetMaximum(), 1);
  setup.FindParameter("UPGRADE")->InitInternal(0xFFBF);
  RecoverPosSpd_in_FastLoop(setup);
  EXPECT_EQ(fastLoop->GetValueInBaseUnit(), 0);
}

TEST(TimingGuards, ZeroClockRateOrDividerWritesNothing) {
  CVX_Setup setup = TimingSetup(1);
  for (const char* name : {"PWMperiod", "Ts_C", "Ts_S"}) setup.FindParameter(name)->InitInternal(7);
  setup.FindParameter("PWMPER")->InitInternal(0);
  EXPECT_EQ(RecoverPWM_freq(setup), 0);
  EXPECT_EQ(RecoverPWMperiod(setup), 0);
  EXPECT_EQ(RecoverTs_C(setup), 0);
  EXPECT_EQ(RecoverTs_S(setup), 0);
  EXPECT_EQ(Base(setup, "PWM_freq"), 20000);
  for (const char* name : {"PWMperiod", "Ts_C", "Ts_S"}) EXPECT_EQ(Ticks(setup, name), 7) << name;

  setup.FindParameter("PWMPER")->InitInternal(1500);
  setup.FindParameter("PWM_freq")->InitInternal(0);
  EXPECT_EQ(ComputePWMPER(setup), 0);
  EXPECT_EQ(Base(setup, "PWMPER"), 1500);
  EXPECT_EQ(KeepPeriodsAtNewPwm(setup, {}), 0);
  EXPECT_EQ(Base(setup, "CLPER"), 2);

  // Unknown remembered periods leave the dividers as they are.
  setup.FindParameter("PWM_freq")->InitInternal(40000);
  EXPECT_EQ(KeepPeriodsAtNewPwm(setup, {}), 1);
  EXPECT_EQ(Base(setup, "CLPER"), 2);
  EXPECT_EQ(Base(setup, "SLPER"), 10);

  setup.FindParameter("SLPER_backup")->InitInternal(0);
  EXPECT_EQ(ApplyControlTypeChange(setup, nullptr), 1);
  EXPECT_EQ(Base(setup, "SLPER"), 10) << "a backup of 0 is no divider";
}

}  // namespace
}  // namespace engine
