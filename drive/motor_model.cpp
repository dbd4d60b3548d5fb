#include "drive/motor_model.h"

#include <cmath>
#include <numbers>

namespace drive {

MotorModel::MotorModel(const MotorParams& params)
    : params_(params), windings_(WindingCount(params.winding)) {}

double MotorModel::WindingAxis_rad(int k) const {
  // Two phases sit a quarter of an electrical turn apart, three a third.
  return windings_ == 2 ? k * std::numbers::pi / 2 : k * 2 * std::numbers::pi / 3;
}

PhaseValues MotorModel::BackEmf_V() const {
  PhaseValues emf{};
  const double theta_e = electrical_angle_rad();
  for (int k = 0; k < windings_; ++k) {
    emf[k] = -params_.torque_constant_Nm_per_A * state_.speed_rad_s * std::sin(theta_e - WindingAxis_rad(k));
  }
  return emf;
}

double MotorModel::ElectromagneticTorque_Nm() const {
  // The same shape function as the back-EMF, so that Σ e·i = T·ω.
  double torque = 0.0;
  const double theta_e = electrical_angle_rad();
  for (int k = 0; k < windings_; ++k) {
    torque -= params_.torque_constant_Nm_per_A * state_.winding_current_A[k] * std::sin(theta_e - WindingAxis_rad(k));
  }
  return torque;
}

double MotorModel::DetentTorque_Nm() const {
  // One detent per full step: 2·windings full steps per electrical turn.
  const double harmonic = 2.0 * windings_ * params_.pole_pairs;
  return -params_.detent_torque_Nm * std::sin(harmonic * state_.angle_rad);
}

PhaseValues MotorModel::LineCurrent_A() const {
  const PhaseValues& i = state_.winding_current_A;
  if (params_.winding != Winding::ThreeDelta) return i;
  // Winding k joins terminal k to terminal k+1.
  return {i[0] - i[2], i[1] - i[0], i[2] - i[1]};
}

PhaseValues MotorModel::WindingDrive_V(const PhaseValues& v, const PhaseValues& emf) const {
  switch (params_.winding) {
    case Winding::TwoPhase:
      return {v[0] - emf[0], v[1] - emf[1], 0.0};
    case Winding::ThreeStar: {
      // The floating star point settles where the winding currents sum to
      // zero: for equal windings it is mean(v) − mean(e).
      const double v_mean = (v[0] + v[1] + v[2]) / 3;
      const double e_mean = (emf[0] + emf[1] + emf[2]) / 3;
      PhaseValues drive{};
      for (int k = 0; k < 3; ++k) drive[k] = (v[k] - v_mean) - (emf[k] - e_mean);
      return drive;
    }
    case Winding::ThreeDelta:
      return {v[0] - v[1] - emf[0], v[1] - v[2] - emf[1], v[2] - v[0] - emf[2]};
  }
  return {};
}

void MotorModel::Step(double dt_s, const PhaseValues& terminal_voltage_V, double load_torque_Nm) {
  const PhaseValues drive_V = WindingDrive_V(terminal_voltage_V, BackEmf_V());
  const double r = params_.resistance_ohm;
  const double l = params_.inductance_H;
  if (r > 0.0) {
    const double decay = std::exp(-dt_s * r / l);
    for (int k = 0; k < windings_; ++k) {
      const double final_A = drive_V[k] / r;
      state_.winding_current_A[k] = final_A + (state_.winding_current_A[k] - final_A) * decay;
    }
  } else {
    for (int k = 0; k < windings_; ++k) state_.winding_current_A[k] += drive_V[k] * dt_s / l;
  }

  const double inertia = TotalInertia_kgm2(params_);
  const double driving_Nm =
      ElectromagneticTorque_Nm() + DetentTorque_Nm() - load_torque_Nm / params_.transmission_ratio;
  double speed = state_.speed_rad_s + dt_s * driving_Nm / inertia;
  // Coulomb friction removes at most Tc·dt/J of speed in a step; if that is
  // enough to stop the rotor it sticks instead of chattering around zero.
  const double coulomb_dv = dt_s * params_.coulomb_friction_Nm / inertia;
  if (std::abs(speed) <= coulomb_dv) {
    speed = 0.0;
  } else {
    speed -= std::copysign(coulomb_dv, speed);
  }
  speed /= 1.0 + dt_s * params_.viscous_friction_Nm_s_per_rad / inertia;
  state_.speed_rad_s = speed;
  state_.angle_rad += dt_s * speed;
}

}  // namespace drive
