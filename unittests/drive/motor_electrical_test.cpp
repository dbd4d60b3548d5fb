#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drive/motor_model.h"

namespace drive {
namespace {

constexpr double kCurrentLoopStep_s = 10e-6;

MotorParams Motor(Winding winding) {
  MotorParams p;
  p.winding = winding;
  return p;
}

void RunFor(MotorModel& motor, double duration_s, const PhaseValues& v) {
  const int steps = static_cast<int>(std::lround(duration_s / kCurrentLoopStep_s));
  for (int n = 0; n < steps; ++n) motor.Step(kCurrentLoopStep_s, v);
}

TEST(MotorElectrical, DcStepSettlesToVOverRWithTimeConstantLOverR) {
  // The last case has L/R = 0.5 µs, twenty times shorter than the step: an
  // explicit integrator would diverge, the exact one must still settle.
  struct Case { double r_ohm, l_H; };
  for (const Case c : {Case{1.2, 3e-3}, Case{0.3, 0.6e-3}, Case{10.0, 5e-6}}) {
    MotorParams p = Motor(Winding::TwoPhase);
    p.resistance_ohm = c.r_ohm;
    p.inductance_H = c.l_H;
    MotorModel motor(p);  // rotor at θe = 0: phase A current gives no torque, so no back-EMF
    const double volts = 12.0;
    const double tau_s = c.l_H / c.r_ohm;
    const double final_A = volts / c.r_ohm;
    if (tau_s > 10 * kCurrentLoopStep_s) {
      RunFor(motor, tau_s, {volts, 0.0, 0.0});
      EXPECT_NEAR(motor.state().winding_current_A[0], final_A * (1 - std::exp(-1.0)), 0.005 * final_A);
      RunFor(motor, 9 * tau_s, {volts, 0.0, 0.0});
    } else {
      RunFor(motor, 100 * kCurrentLoopStep_s, {volts, 0.0, 0.0});
    }
    EXPECT_NEAR(motor.state().winding_current_A[0], final_A, 0.005 * final_A) << "R " << c.r_ohm;
    EXPECT_EQ(motor.state().winding_current_A[1], 0.0);
  }
}

TEST(MotorElectrical, BackEmfPeakIsTorqueConstantTimesSpeedInEveryWinding) {
  for (const Winding w : {Winding::TwoPhase, Winding::ThreeStar, Winding::ThreeDelta}) {
    MotorModel motor(Motor(w));
    const double speed_rad_s = 7.0;
    motor.mutable_state().speed_rad_s = speed_rad_s;
    PhaseValues peak_V{};
    // One electrical turn in fine steps: the sampled peak is within 1e-4 of the true one.
    for (int n = 0; n < 3600; ++n) {
      motor.mutable_state().angle_rad = n * 2 * std::numbers::pi / 3600 / motor.params().pole_pairs;
      const PhaseValues emf = motor.BackEmf_V();
      for (int k = 0; k < WindingCount(w); ++k) peak_V[k] = std::max(peak_V[k], std::abs(emf[k]));
    }
    for (int k = 0; k < WindingCount(w); ++k) {
      EXPECT_NEAR(peak_V[k], motor.params().torque_constant_Nm_per_A * speed_rad_s, 1e-3) << "winding " << k;
    }
  }
}

TEST(MotorElectrical, ElectricalPowerFromBackEmfEqualsMechanicalPower) {
  // A sign slip between torque and back-EMF would create or destroy energy.
  for (const Winding w : {Winding::TwoPhase, Winding::ThreeStar, Winding::ThreeDelta}) {
    MotorModel motor(Motor(w));
    for (int n = 0; n < 50; ++n) {
      MotorState& s = motor.mutable_state();
      s.angle_rad = 0.0137 * n;
      s.speed_rad_s = 3.0 - 0.1 * n;
      s.winding_current_A = {std::sin(0.3 * n), std::cos(0.7 * n), w == Winding::TwoPhase ? 0.0 : 0.4};
      const PhaseValues emf = motor.BackEmf_V();
      double electrical_W = 0.0;
      for (int k = 0; k < 3; ++k) electrical_W += emf[k] * s.winding_current_A[k];
      EXPECT_NEAR(electrical_W, motor.ElectromagneticTorque_Nm() * s.speed_rad_s, 1e-12);
    }
  }
}

double ApparentResistance_ohm(Winding w) {
  // Terminals A and B at ±V/2 and C at 0 is the same as C left open, by symmetry.
  // Torque constant 0 keeps the rotor still: only the windings' wiring counts.
  MotorParams p = Motor(w);
  p.torque_constant_Nm_per_A = 0.0;
  MotorModel motor(p);
  RunFor(motor, 0.1, {6.0, -6.0, 0.0});  // 40 time constants of 2.5 ms: e^−40 left
  return 12.0 / motor.LineCurrent_A()[0];
}

TEST(MotorElectrical, StarAndDeltaShowTheirResistanceBetweenTwoTerminals) {
  const double r = Motor(Winding::ThreeStar).resistance_ohm;
  // Star: two windings in series. Delta: one winding across two in series.
  EXPECT_NEAR(ApparentResistance_ohm(Winding::ThreeStar), 2 * r, 1e-9);
  EXPECT_NEAR(ApparentResistance_ohm(Winding::ThreeDelta), 2 * r / 3, 1e-9);
}

TEST(MotorElectrical, BalancedSupplyGivesRootThreeBetweenLineAndWindingQuantities) {
  for (const Winding w : {Winding::ThreeStar, Winding::ThreeDelta}) {
    MotorModel motor(Motor(w));
    const double amplitude_V = 10.0;
    const double omega_rad_s = 2 * std::numbers::pi * 50;
    double t_s = 0.0;
    double line_peak_A = 0.0;
    double winding_peak_A = 0.0;
    double sum_star_A = 0.0;
    for (int n = 0; n < 40000; ++n, t_s += kCurrentLoopStep_s) {
      PhaseValues v{};
      for (int k = 0; k < 3; ++k) v[k] = amplitude_V * std::cos(omega_rad_s * t_s - k * 2 * std::numbers::pi / 3);
      motor.mutable_state().speed_rad_s = 0.0;  // rotor held: only the windings' own relations
      motor.mutable_state().angle_rad = 0.0;
      motor.Step(kCurrentLoopStep_s, v);
      if (t_s < 0.3) continue;  // 0.3 s: over a hundred time constants, transient gone
      line_peak_A = std::max(line_peak_A, std::abs(motor.LineCurrent_A()[0]));
      winding_peak_A = std::max(winding_peak_A, std::abs(motor.state().winding_current_A[0]));
      const PhaseValues& i = motor.state().winding_current_A;
      sum_star_A = std::max(sum_star_A, std::abs(i[0] + i[1] + i[2]));
    }
    // Sampling 2000 points per cycle resolves the peak to 1.3e-6 relative.
    const double ratio = line_peak_A / winding_peak_A;
    EXPECT_NEAR(ratio, w == Winding::ThreeStar ? 1.0 : std::sqrt(3.0), 1e-4);
    EXPECT_LT(sum_star_A, 1e-9);  // no zero-sequence current circulates in either
  }
}

}  // namespace
}  // namespace drive
