#pragma once

#include <array>

#include "drive/motor_params.h"

namespace drive {

// Terminal quantities: two-phase uses [0] and [1] (one H-bridge per phase);
// three-phase uses all three bridge legs.
using PhaseValues = std::array<double, 3>;

struct MotorState {
  PhaseValues winding_current_A{};  // current in each winding (delta: inside the triangle)
  double angle_rad = 0.0;           // mechanical, motor shaft
  double speed_rad_s = 0.0;
};

// A hybrid stepper: RL windings with sinusoidal back-EMF, torque from the
// winding currents, detent torque, inertia of rotor and reflected load,
// viscous and Coulomb friction. Pure computation; no clock of its own.
class MotorModel {
 public:
  explicit MotorModel(const MotorParams& params);

  // Advance by dt_s with the terminal voltages held (the bridge holds them
  // for a PWM period). load_torque_Nm acts at the load shaft against motion.
  //
  // Electrical part: with back-EMF held over the step, each winding is a
  // linear RL circuit with its own R and L, solved exactly
  // (i∞ + (i − i∞)·e^(−dt·R/L)); that is
  // exact for a DC step at any dt and never goes unstable when L/R is
  // shorter than the step. Mechanics: semi-implicit Euler (speed first, then
  // angle with the new speed) keeps the detent and holding oscillations from
  // gaining energy; viscous friction is taken implicitly and Coulomb
  // friction can stop the rotor exactly, so neither overshoots through zero.
  void Step(double dt_s, const PhaseValues& terminal_voltage_V, double load_torque_Nm = 0.0);

  const MotorParams& params() const { return params_; }
  const MotorState& state() const { return state_; }
  MotorState& mutable_state() { return state_; }

  double electrical_angle_rad() const { return params_.pole_pairs * state_.angle_rad; }
  double load_angle_rad() const { return state_.angle_rad / params_.transmission_ratio; }

  // Currents in the wires from the bridge (what a sensor on a leg sees).
  PhaseValues LineCurrent_A() const;
  // Back-EMF induced in each winding at the present angle and speed.
  PhaseValues BackEmf_V() const;
  double ElectromagneticTorque_Nm() const;
  double DetentTorque_Nm() const;

 private:
  void StepWindings(double dt_s, const PhaseValues& terminal_voltage_V);
  double WindingAxis_rad(int k) const;

  MotorParams params_;
  MotorState state_;
  int windings_;
};

}  // namespace drive
