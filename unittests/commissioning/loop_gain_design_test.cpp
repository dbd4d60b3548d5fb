#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "commissioning/position_gain_design.h"
#include "commissioning/speed_gain_design.h"

namespace commissioning {
namespace {

// A closed-loop motor of 2e-4 kg m^2 on 0.5 Nm/A, a drive of 10 A range
// (1638.35 counts per ampere), 2000 lines (8000 counts per turn) and a
// 1 ms slow loop.
constexpr CurrentCommandPlant kPlant{.inertia_kgm2 = 2e-4, .torqueConstant_NmPerA = 0.5,
                                     .currentScale_countsPerA = 32767.0 / 20.0};
constexpr double kSlow_s = 1e-3;
constexpr double kCountsPerRad = 8000.0 / (2.0 * std::numbers::pi);
constexpr double kSpeedScale = kCountsPerRad * kSlow_s;

SpeedDesignInputs Speed(double bandwidth = 300.0, double damping = 0.8) {
  return {.bandwidth_rad_s = bandwidth, .damping = damping, .period_s = kSlow_s, .plant = kPlant,
          .speedScale = kSpeedScale};
}

TEST(GainDesignPeriod, FastLoopOnlyWhenTheFirmwareRunsTheMotionLoopsThere) {
  EXPECT_EQ(GainDesignPeriod_s(1e-4, 1e-3, true), 1e-4);
  EXPECT_EQ(GainDesignPeriod_s(1e-4, 1e-3, false), 1e-3);
}

TEST(SpeedGainDesign, GainsPlaceBothPolesAtTheBandwidth) {
  const auto gains = DesignSpeedGains(Speed());
  ASSERT_TRUE(gains.ok()) << gains.error();
  const double perSpeedUnit = 2e-4 / 0.5 * (32767.0 / 20.0) / kSpeedScale;
  EXPECT_NEAR(gains.value().ki, 300.0 * 300.0 * kSlow_s * perSpeedUnit, 1e-12);
  EXPECT_NEAR(gains.value().kp, 2.0 * 300.0 * 0.8 * perSpeedUnit, 1e-12);
  // The loop's characteristic polynomial s^2 + (Kp/Ki Ts) w^2 ... holds
  // for any plant: the ratio depends on the design alone.
  EXPECT_NEAR(gains.value().kp / gains.value().ki, 2.0 * 0.8 / (300.0 * kSlow_s), 1e-12);
}

TEST(SpeedGainDesign, ProportionalToInertiaAndBlindToTheScaleSign) {
  const auto base = DesignSpeedGains(Speed());
  SpeedDesignInputs doubled = Speed();
  doubled.plant.inertia_kgm2 *= 2.0;
  doubled.speedScale = -kSpeedScale;  // a sensor counting the other way
  const auto twice = DesignSpeedGains(doubled);
  ASSERT_TRUE(base.ok() && twice.ok());
  EXPECT_NEAR(twice.value().kp, 2.0 * base.value().kp, 1e-12);
  EXPECT_NEAR(twice.value().ki, 2.0 * base.value().ki, 1e-12);
}

TEST(SpeedGainDesign, InputsThatWouldDivideByZeroOrOverflowFailWithTheirName) {
  struct Case {
    const char* what;
    void (*spoil)(SpeedDesignInputs&);
    const char* named;
  };
  const Case cases[] = {
      {"torque constant 0", [](SpeedDesignInputs& in) { in.plant.torqueConstant_NmPerA = 0; }, "\"K\""},
      {"inertia 0", [](SpeedDesignInputs& in) { in.plant.inertia_kgm2 = 0; }, "\"Jt\""},
      {"inertia NaN", [](SpeedDesignInputs& in) { in.plant.inertia_kgm2 = NAN; }, "\"Jt\""},
      {"current scale 0", [](SpeedDesignInputs& in) { in.plant.currentScale_countsPerA = 0; }, "ImaxPS"},
      {"speed scale 0", [](SpeedDesignInputs& in) { in.speedScale = 0; }, "speed scale"},
      {"period 0", [](SpeedDesignInputs& in) { in.period_s = 0; }, "period"},
      {"bandwidth 0", [](SpeedDesignInputs& in) { in.bandwidth_rad_s = 0; }, "bandwidth"},
      {"bandwidth infinite", [](SpeedDesignInputs& in) { in.bandwidth_rad_s = INFINITY; }, "bandwidth"},
      {"damping negative", [](SpeedDesignInputs& in) { in.damping = -0.1; }, "damping"},
      {"gain beyond the registers", [](SpeedDesignInputs& in) { in.plant.inertia_kgm2 = 10; }, "Kp_S_scl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SpeedDesignInputs in = Speed();
    c.spoil(in);
    const auto gains = DesignSpeedGains(in);
    ASSERT_FALSE(gains.ok());
    EXPECT_NE(gains.error().find(c.named), std::string::npos) << gains.error();
  }
}

TEST(PositionGainDesign, ThroughTheSpeedLoopTheSpeedLoopIsAnIntegrator) {
  // The load turns four times slower than the motor, so a load radian
  // holds four times the motor's counts.
  const PositionDesignTarget target{.bandwidth_rad_s = 50, .damping = 1, .period_s = kSlow_s,
                                    .positionScale = 4 * kCountsPerRad};
  const auto gains = DesignPositionGainsThroughSpeedLoop(target, kSpeedScale);
  ASSERT_TRUE(gains.ok()) << gains.error();
  EXPECT_NEAR(gains.value().ki, 50.0 * 50.0 * kSlow_s * kSlow_s / 4.0, 1e-15);
  EXPECT_NEAR(gains.value().kp, 2.0 * 50.0 * kSlow_s / 4.0, 1e-15);
  EXPECT_EQ(gains.value().kd, 0.0);
}

TEST(PositionGainDesign, CommandingCurrentPutsThreePolesAtTheBandwidth) {
  const PositionDesignTarget target{.bandwidth_rad_s = 40, .damping = 0.7, .period_s = kSlow_s,
                                    .positionScale = kCountsPerRad};
  const auto gains = DesignPositionGainsCommandingCurrent(target, kPlant);
  ASSERT_TRUE(gains.ok()) << gains.error();
  const double perPosition = 2e-4 / 0.5 * (32767.0 / 20.0) / kCountsPerRad;
  const double d = (2 * 0.7 + 1) * 40;
  EXPECT_NEAR(gains.value().ki, 40.0 * 40.0 * 40.0 * kSlow_s * perPosition, 1e-12);
  EXPECT_NEAR(gains.value().kp, d * 40.0 * perPosition, 1e-12);
  EXPECT_NEAR(gains.value().kd, d * perPosition / kSlow_s, 1e-9);
}

TEST(PositionGainDesign, OpenLoopCommandsTheMicrostepRate) {
  // 200 steps of 64 microsteps, position counted in the same microsteps:
  // S / P is the slow-loop period.
  const double microsteps = 200.0 * 64.0;
  const PositionDesignTarget target{.bandwidth_rad_s = 20, .damping = 1, .period_s = kSlow_s,
                                    .positionScale = microsteps / (2 * std::numbers::pi)};
  const auto gains = DesignOpenLoopPositionGains(target, microsteps);
  ASSERT_TRUE(gains.ok()) << gains.error();
  EXPECT_NEAR(gains.value().kp, 2.0 * 20.0 * kSlow_s, 1e-15);
  EXPECT_NEAR(gains.value().ki, 400.0 * kSlow_s * kSlow_s, 1e-15);
  EXPECT_EQ(gains.value().kd, 0.0);
}

TEST(PositionGainDesign, ZeroScalesAndPlantsFailAndNeverGiveANumber) {
  const PositionDesignTarget good{.bandwidth_rad_s = 40, .damping = 0.7, .period_s = kSlow_s,
                                  .positionScale = kCountsPerRad};
  PositionDesignTarget noScale = good;
  noScale.positionScale = 0;
  CurrentCommandPlant noTorque = kPlant;
  noTorque.torqueConstant_NmPerA = 0;
  PositionDesignTarget noPeriod = good;
  noPeriod.period_s = 0;  // Kd divides by it

  EXPECT_FALSE(DesignPositionGainsThroughSpeedLoop(noScale, kSpeedScale).ok());
  EXPECT_FALSE(DesignPositionGainsThroughSpeedLoop(good, 0).ok());
  EXPECT_FALSE(DesignPositionGainsCommandingCurrent(noScale, kPlant).ok());
  EXPECT_FALSE(DesignPositionGainsCommandingCurrent(good, noTorque).ok());
  EXPECT_FALSE(DesignPositionGainsCommandingCurrent(noPeriod, kPlant).ok());
  EXPECT_FALSE(DesignOpenLoopPositionGains(good, 0).ok());
  EXPECT_FALSE(DesignOpenLoopPositionGains(noScale, 12800).ok());
}

}  // namespace
}  // namespace commissioning
