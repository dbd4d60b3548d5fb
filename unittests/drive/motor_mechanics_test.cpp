#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drive/motor_model.h"

namespace drive {
namespace {

constexpr double kStep_s = 10e-6;
constexpr double kFullStep_rad = 2 * std::numbers::pi / 200;

// Mechanics alone: with torque constant 0 the windings neither drive nor
// brake the rotor (zero volts on a spinning motor would short its back-EMF).
MotorParams MechanicalOnly() {
  MotorParams p;
  p.torque_constant_Nm_per_A = 0.0;
  return p;
}

void RunFor(MotorModel& motor, double duration_s, const PhaseValues& v, double load_torque_Nm = 0.0) {
  const int steps = static_cast<int>(std::lround(duration_s / kStep_s));
  for (int n = 0; n < steps; ++n) motor.Step(kStep_s, v, load_torque_Nm);
}

TEST(MotorMechanics, HeldCurrentGivesPeakHoldingTorqueKtTimesI) {
  MotorParams p;
  MotorModel motor(p);
  const double current_A = 2.0;
  motor.mutable_state().winding_current_A = {current_A, 0.0, 0.0};
  double peak_Nm = 0.0;
  for (int n = 0; n < 3600; ++n) {
    motor.mutable_state().angle_rad = n * 2 * std::numbers::pi / 3600 / p.pole_pairs;
    peak_Nm = std::max(peak_Nm, std::abs(motor.ElectromagneticTorque_Nm()));
  }
  EXPECT_NEAR(peak_Nm, p.torque_constant_Nm_per_A * current_A, 1e-6);
  // The peak lies a quarter electrical turn (one full step) from the held position.
  motor.mutable_state().angle_rad = -kFullStep_rad;
  EXPECT_NEAR(motor.ElectromagneticTorque_Nm(), p.torque_constant_Nm_per_A * current_A, 1e-12);
}

TEST(MotorMechanics, RotorWithoutCurrentSettlesInTheNearestDetent) {
  // One detent per full step: 200 per turn for two phases, 300 for three.
  for (const Winding w : {Winding::TwoPhase, Winding::ThreeStar}) {
    MotorParams p;
    p.winding = w;
    p.detent_torque_Nm = 0.02;
    p.viscous_friction_Nm_s_per_rad = 2e-3;  // damps the detent oscillation well within 0.5 s
    const double detent_rad = 2 * std::numbers::pi / (2 * WindingCount(w) * p.pole_pairs);
    struct Case { double start_steps, expected_steps; };
    for (const Case c : {Case{0.3, 0.0}, Case{0.7, 1.0}, Case{-1.4, -1.0}}) {
      MotorModel motor(p);
      motor.mutable_state().angle_rad = c.start_steps * detent_rad;
      RunFor(motor, 0.5, {0.0, 0.0, 0.0});
      EXPECT_NEAR(motor.state().angle_rad / detent_rad, c.expected_steps, 1e-4) << c.start_steps;
    }
  }
}

TEST(MotorMechanics, HeldPhaseBCurrentPullsRotorToItsStepAgainstALoad) {
  for (const Winding w : {Winding::TwoPhase, Winding::ThreeStar}) {
    MotorParams p;
    p.winding = w;
    p.viscous_friction_Nm_s_per_rad = 2e-3;
    MotorModel motor(p);
    const double current_A = 1.5;
    PhaseValues v{};
    double peak_Nm = p.torque_constant_Nm_per_A * current_A;
    if (w == Winding::TwoPhase) {
      v = {0.0, current_A * p.resistance_ohm, 0.0};
    } else {
      // Star: B at +I·R, A and C at −I·R/2 puts I in B and −I/2 in A and C,
      // whose torques add to 1.5·Kt·I along B's axis.
      v = {-current_A * p.resistance_ohm / 2, current_A * p.resistance_ohm, -current_A * p.resistance_ohm / 2};
      peak_Nm *= 1.5;
    }
    const double axis_rad = (w == Winding::TwoPhase ? std::numbers::pi / 2 : 2 * std::numbers::pi / 3) / p.pole_pairs;
    const double load_Nm = 0.4 * peak_Nm;
    RunFor(motor, 1.0, v, load_Nm);
    // The rotor lags its axis until the holding torque balances the load.
    const double lag_rad = std::asin(load_Nm / peak_Nm) / p.pole_pairs;
    EXPECT_NEAR(motor.state().angle_rad, axis_rad - lag_rad, 1e-5);
    EXPECT_NEAR(motor.state().speed_rad_s, 0.0, 1e-6);
  }
}

TEST(MotorMechanics, ConstantTorqueAcceleratesAtTorqueOverReflectedInertia) {
  MotorParams p = MechanicalOnly();
  p.rotor_inertia_kgm2 = 3e-5;
  p.load_inertia_kgm2 = 9e-4;
  p.transmission_ratio = 5.0;
  MotorModel motor(p);
  const double load_side_Nm = -0.5;  // negative load torque drives the shaft forward
  const double duration_s = 0.1;
  RunFor(motor, duration_s, {0.0, 0.0, 0.0}, load_side_Nm);
  const double accel_rad_s2 = (-load_side_Nm / p.transmission_ratio) / (3e-5 + 9e-4 / 25);
  // Speed is exact for constant torque; the semi-implicit angle gains a·t·dt/2,
  // 1e-4 of the ideal here.
  EXPECT_NEAR(motor.state().speed_rad_s, accel_rad_s2 * duration_s, 1e-9 * accel_rad_s2);
  EXPECT_NEAR(motor.state().angle_rad / (0.5 * accel_rad_s2 * duration_s * duration_s), 1.0, 2e-4);
  EXPECT_NEAR(motor.load_angle_rad(), motor.state().angle_rad / 5.0, 1e-12);
}

TEST(MotorMechanics, CoulombFrictionStopsACoastingRotorAndHoldsIt) {
  MotorParams p = MechanicalOnly();
  p.coulomb_friction_Nm = 0.05;
  MotorModel motor(p);
  const double start_rad_s = 20.0;
  motor.mutable_state().speed_rad_s = start_rad_s;
  const double stop_s = TotalInertia_kgm2(p) * start_rad_s / p.coulomb_friction_Nm;
  RunFor(motor, stop_s - 2 * kStep_s, {0.0, 0.0, 0.0});
  EXPECT_GT(motor.state().speed_rad_s, 0.0);
  RunFor(motor, 3 * kStep_s, {0.0, 0.0, 0.0});
  EXPECT_EQ(motor.state().speed_rad_s, 0.0);
  // A drive torque below the friction level must not creep the rotor.
  const double angle_rad = motor.state().angle_rad;
  RunFor(motor, 0.1, {0.0, 0.0, 0.0}, -0.9 * p.coulomb_friction_Nm);
  EXPECT_EQ(motor.state().angle_rad, angle_rad);
}

TEST(MotorMechanics, ViscousFrictionDecaysSpeedExponentially) {
  MotorParams p = MechanicalOnly();
  p.viscous_friction_Nm_s_per_rad = 3e-4;  // J/B = 0.1 s
  MotorModel motor(p);
  motor.mutable_state().speed_rad_s = 50.0;
  RunFor(motor, 0.2, {0.0, 0.0, 0.0});
  // Implicit Euler's decay per step is 1/(1 + dt/τ): over 2τ in 1e-4τ steps
  // it is off e^−2 by about 1e-4 relative.
  EXPECT_NEAR(motor.state().speed_rad_s / (50.0 * std::exp(-2.0)), 1.0, 3e-4);
}

}  // namespace
}  // namespace drive
