// The current controller's gain design against the closed-loop behaviour it
// promises, and the slider ranges around the designed gains.
#include "commissioning/current_gain_design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace commissioning {
namespace {

// The default example's motor and drive: 1.2 ohm, 3 mH, a 10 kHz current
// loop, 4096 counts over 2 x 5 A and a 48 V supply.
CurrentLoopPlant Plant() {
  return {.resistance_Ohm = 1.2,
          .inductance_H = 3e-3,
          .delta = false,
          .period_s = 100e-6,
          .current_counts_per_A = 4096.0 / 10.0,
          .voltage_counts_per_V = 32767.0 / 48.0};
}

TEST(CurrentGainDesign, SlowMotorPlacesThePolesOfTheContinuousLoop) {
  const CurrentLoopPlant plant = Plant();
  const CurrentLoopTarget target{.bandwidth_rad_s = 2000.0, .damping = 0.7};
  const auto gains = DesignCurrentGains(plant, target);
  ASSERT_TRUE(gains.ok()) << gains.error();
  EXPECT_TRUE(gains.value().pole_placement);
  // The loop (Kp + Ki / (s Ts)) / (R + s L), in volts per ampere, has the
  // characteristic s^2 L + s (R + Kp') + Ki' / Ts: its natural frequency and
  // damping are the target's.
  const double to_ohm = plant.current_counts_per_A / plant.voltage_counts_per_V;
  const double kp_Ohm = gains.value().kp * to_ohm;
  const double ki_Ohm_per_s = gains.value().ki * to_ohm / plant.period_s;
  const double wn = std::sqrt(ki_Ohm_per_s / plant.inductance_H);
  const double zeta = (plant.resistance_Ohm + kp_Ohm) / (2.0 * plant.inductance_H * wn);
  EXPECT_NEAR(wn, target.bandwidth_rad_s, 1e-9 * wn);
  EXPECT_NEAR(zeta, target.damping, 1e-9);
}

TEST(CurrentGainDesign, TauOfExactlyFourSamplesTakesTheFastMotorRule) {
  CurrentLoopPlant plant = Plant();
  plant.inductance_H = 4.0 * plant.period_s * plant.resistance_Ohm;
  const double k = plant.resistance_Ohm * plant.voltage_counts_per_V / plant.current_counts_per_A;
  const auto gains = DesignCurrentGains(plant, {.bandwidth_rad_s = 3000.0, .damping = 0.7});
  ASSERT_TRUE(gains.ok());
  EXPECT_FALSE(gains.value().pole_placement);
  EXPECT_DOUBLE_EQ(gains.value().kp, (4.0 / (2.0 * std::sqrt(2.0)) - 1.0) * k);
  EXPECT_DOUBLE_EQ(gains.value().ki, 3000.0 * plant.period_s * k);

  plant.inductance_H *= 1.000001;
  EXPECT_TRUE(DesignCurrentGains(plant, {.bandwidth_rad_s = 3000.0, .damping = 0.7}).value().pole_placement);
}

TEST(CurrentGainDesign, DeltaKeepsTheFullResistanceInTauAndAThirdInTheGains) {
  CurrentLoopPlant star = Plant();
  CurrentLoopPlant delta = star;
  delta.delta = true;
  const CurrentLoopTarget target{.bandwidth_rad_s = 2000.0, .damping = 1.0};
  const auto a = DesignCurrentGains(star, target);
  const auto b = DesignCurrentGains(delta, target);
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(a.value().pole_placement, b.value().pole_placement) << "tau = L / R with the full R";
  EXPECT_DOUBLE_EQ(b.value().kp, a.value().kp / 3.0);
  EXPECT_DOUBLE_EQ(b.value().ki, a.value().ki / 3.0);
}

TEST(CurrentGainDesign, ANegativeProportionalGainIsHeldAtZero) {
  // 2 zeta omega tau < 1: the motor's own time constant is already faster
  // than the bandwidth asked for.
  const auto slow = DesignCurrentGains(Plant(), {.bandwidth_rad_s = 100.0, .damping = 0.7});
  ASSERT_TRUE(slow.ok());
  EXPECT_EQ(slow.value().kp, 0.0);
  EXPECT_TRUE(slow.value().kp_held_at_zero);
  EXPECT_GT(slow.value().ki, 0.0);

  CurrentLoopPlant fast = Plant();
  fast.inductance_H = 1e-4;  // tau below 2 sqrt2 samples
  const auto f = DesignCurrentGains(fast, {.bandwidth_rad_s = 2000.0, .damping = 0.7});
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.value().kp, 0.0);
  EXPECT_TRUE(f.value().kp_held_at_zero);
}

TEST(CurrentGainDesign, InvalidInputsFailWithTheirCauseAndNoGains) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const CurrentLoopTarget target{.bandwidth_rad_s = 2000.0, .damping = 0.7};
  struct Row {
    const char* what;
    void (*spoil)(CurrentLoopPlant&, CurrentLoopTarget&);
    const char* cause;
  };
  const Row rows[] = {
      {"R = 0", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.resistance_Ohm = 0; }, "resistance and inductance"},
      {"R < 0", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.resistance_Ohm = -1; }, "resistance and inductance"},
      {"L NaN", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.inductance_H = kNaN; }, "resistance and inductance"},
      {"Ts = 0", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.period_s = 0; }, "loop period"},
      {"Kv inf", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.voltage_counts_per_V = kInf; }, "supply voltage"},
      {"Kc = 0", [](CurrentLoopPlant& p, CurrentLoopTarget&) { p.current_counts_per_A = 0; }, "current range"},
      {"omega 0", [](CurrentLoopPlant&, CurrentLoopTarget& t) { t.bandwidth_rad_s = 0; }, "bandwidth"},
      {"zeta < 0", [](CurrentLoopPlant&, CurrentLoopTarget& t) { t.damping = -0.1; }, "damping"},
      {"zeta NaN", [](CurrentLoopPlant&, CurrentLoopTarget& t) { t.damping = kNaN; }, "damping"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CurrentLoopPlant plant = Plant();
    CurrentLoopTarget t = target;
    row.spoil(plant, t);
    const auto gains = DesignCurrentGains(plant, t);
    ASSERT_FALSE(gains.ok());
    EXPECT_NE(gains.error().find(row.cause), std::string::npos) << gains.error();
  }
}

TEST(GainSliderRange, HalfToOneAndAHalfTimesTheValueWithinTheLimits) {
  const SliderRange inside = GainSliderRange(10.0, 0.0, 100.0);
  EXPECT_EQ(inside.low, 5.0);
  EXPECT_EQ(inside.high, 15.0);

  const SliderRange clipped = GainSliderRange(80.0, 50.0, 100.0);
  EXPECT_EQ(clipped.low, 50.0);
  EXPECT_EQ(clipped.high, 100.0);

  const SliderRange zero = GainSliderRange(0.0, 0.0, 16384.0);
  EXPECT_EQ(zero.low, 0.0);
  EXPECT_EQ(zero.high, 0.0);

  // A value of 0 below a positive minimum: the range collapses onto the
  // minimum rather than running backwards.
  const SliderRange above = GainSliderRange(0.0, 1.0, 16384.0);
  EXPECT_EQ(above.low, 1.0);
  EXPECT_EQ(above.high, 1.0);

  const SliderRange nan = GainSliderRange(std::numeric_limits<double>::quiet_NaN(), 0.0, 16384.0);
  EXPECT_EQ(nan.low, 0.0);
  EXPECT_EQ(nan.high, 16384.0);
}

}  // namespace
}  // namespace commissioning
