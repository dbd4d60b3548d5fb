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

void MotorModel::StepWindings(double dt_s, const PhaseValues& v) {
  const PhaseValues emf = BackEmf_V();
  // Each winding with its drive voltage u held over the step follows
  // i' = d·i + b·u exactly, with d = e^(−dt·R/L) and b = (1 − d)/R.
  PhaseValues d{};
  PhaseValues b{};
  for (int k = 0; k < windings_; ++k) {
    if (params_.winding_open[k]) continue;  // d = b = 0: no current flows
    const double r = WindingResistance_ohm(params_, k);
    const double l = WindingInductance_H(params_, k);
    d[k] = r > 0.0 ? std::exp(-dt_s * r / l) : 1.0;
    b[k] = r > 0.0 ? (1.0 - d[k]) / r : dt_s / l;
  }
  PhaseValues u{};
  switch (params_.winding) {
    case Winding::TwoPhase:
      u = {v[0] - emf[0], v[1] - emf[1], 0.0};
      break;
    case Winding::ThreeStar: {
      // The floating star point settles where the new winding currents sum
      // to zero; for equal windings that is mean(v) − mean(e).
      double num = 0.0;
      double den = 0.0;
      for (int k = 0; k < 3; ++k) {
        num += d[k] * state_.winding_current_A[k] + b[k] * (v[k] - emf[k]);
        den += b[k];
      }
      const double star_V = den > 0.0 ? num / den : 0.0;
      for (int k = 0; k < 3; ++k) u[k] = v[k] - star_V - emf[k];
      break;
    }
    case Winding::ThreeDelta:
      u = {v[0] - v[1] - emf[0], v[1] - v[2] - emf[1], v[2] - v[0] - emf[2]};
      break;
  }
  for (int k = 0; k < windings_; ++k) {
    state_.winding_current_A[k] = d[k] * state_.winding_current_A[k] + b[k] * u[k];
  }
}

void MotorModel::Step(double dt_s, const PhaseValues& terminal_voltage_V, double load_torque_Nm) {
  StepWindings(dt_s, terminal_voltage_V);

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
