#pragma once

#include <array>

namespace drive {

// How the windings are wired: two separate phases, each on its own H-bridge,
// or three windings on a three-leg bridge joined in star or delta.
enum class Winding { TwoPhase, ThreeStar, ThreeDelta };

// The true motor and load. Inductance, inertias and transmission ratio must
// be positive; resistance may be 0, the current then integrates the voltage. Defaults are a typical 200-step NEMA-23 class
// motor so that tests only state what they depend on.
struct MotorParams {
  Winding winding = Winding::TwoPhase;
  double resistance_ohm = 1.2;               // per winding
  double inductance_H = 3.0e-3;              // per winding
  double torque_constant_Nm_per_A = 0.5;     // peak torque of one winding; equals the back-EMF in V·s/rad
  double detent_torque_Nm = 0.0;             // peak of the cogging torque
  int pole_pairs = 50;                       // 200 full steps per turn for two phases
  double rotor_inertia_kgm2 = 3.0e-5;
  double load_inertia_kgm2 = 0.0;            // at the load shaft
  double transmission_ratio = 1.0;           // motor turns per load turn
  double viscous_friction_Nm_s_per_rad = 0.0;  // at the motor shaft
  double coulomb_friction_Nm = 0.0;            // at the motor shaft

  // An unbalanced motor: per-winding values, where 0 takes resistance_ohm
  // or inductance_H. An open winding (a disconnected phase) carries no
  // current at all.
  std::array<double, 3> winding_resistance_ohm{};
  std::array<double, 3> winding_inductance_H{};
  std::array<bool, 3> winding_open{};
};

inline double WindingResistance_ohm(const MotorParams& p, int k) {
  return p.winding_resistance_ohm[k] > 0.0 ? p.winding_resistance_ohm[k] : p.resistance_ohm;
}
inline double WindingInductance_H(const MotorParams& p, int k) {
  return p.winding_inductance_H[k] > 0.0 ? p.winding_inductance_H[k] : p.inductance_H;
}

inline int WindingCount(Winding winding) { return winding == Winding::TwoPhase ? 2 : 3; }

// Inertia seen at the motor shaft: the load turns 1/ratio as fast, so its
// kinetic energy reflects with 1/ratio².
inline double TotalInertia_kgm2(const MotorParams& p) {
  return p.rotor_inertia_kgm2 + p.load_inertia_kgm2 / (p.transmission_ratio * p.transmission_ratio);
}

}  // namespace drive
