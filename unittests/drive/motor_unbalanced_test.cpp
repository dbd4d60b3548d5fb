#include <gtest/gtest.h>

#include <cmath>

#include "drive/motor_model.h"

namespace drive {
namespace {

constexpr double kStep_s = 10e-6;

// Windings held still (no back-EMF) until the currents have settled.
PhaseValues SettledCurrents(MotorParams p, const PhaseValues& v) {
  p.rotor_inertia_kgm2 = 1e6;  // a locked rotor
  MotorModel motor(p);
  for (int n = 0; n < 20000; ++n) motor.Step(kStep_s, v);
  return motor.state().winding_current_A;
}

TEST(MotorUnbalanced, StarWithUnequalResistancesSettlesAsTheCircuitDoes) {
  // Phase A driven against B and C in parallel: ia = V / (Ra + Rb·Rc/(Rb + Rc)),
  // split between B and C inversely to their resistances.
  MotorParams p;
  p.winding = Winding::ThreeStar;
  p.winding_resistance_ohm = {2.0, 1.0, 3.0};
  const double v = 6.0;
  const PhaseValues i = SettledCurrents(p, {v, 0.0, 0.0});
  const double ia = v / (2.0 + 1.0 * 3.0 / 4.0);
  EXPECT_NEAR(i[0], ia, 1e-6);
  EXPECT_NEAR(i[1], -ia * 3.0 / 4.0, 1e-6);
  EXPECT_NEAR(i[2], -ia * 1.0 / 4.0, 1e-6);
}

TEST(MotorUnbalanced, AnOpenWindingCarriesNoCurrentInEveryWiring) {
  for (const Winding winding : {Winding::TwoPhase, Winding::ThreeStar, Winding::ThreeDelta}) {
    SCOPED_TRACE(static_cast<int>(winding));
    MotorParams p;
    p.winding = winding;
    p.winding_open = {false, true, false};
    const PhaseValues i = SettledCurrents(p, {4.0, -3.0, 1.0});
    EXPECT_EQ(i[1], 0.0);
    EXPECT_NE(i[0], 0.0) << "the other windings still conduct";
    if (winding == Winding::ThreeStar) {
      EXPECT_NEAR(i[0] + i[2], 0.0, 1e-9) << "the star point takes no current";
    }
  }
}

TEST(MotorUnbalanced, EachWindingFollowsItsOwnTimeConstant) {
  MotorParams p;
  p.winding = Winding::TwoPhase;
  p.resistance_ohm = 1.0;
  p.winding_inductance_H = {1e-3, 4e-3, 0.0};
  p.rotor_inertia_kgm2 = 1e6;
  MotorModel motor(p);
  // After one time constant of phase A, A is at 63 %, B (four times slower) at 22 %.
  for (int n = 0; n < 100; ++n) motor.Step(kStep_s, {1.0, 1.0, 0.0});
  EXPECT_NEAR(motor.state().winding_current_A[0], 1 - std::exp(-1.0), 1e-9);
  EXPECT_NEAR(motor.state().winding_current_A[1], 1 - std::exp(-0.25), 1e-9);
}

}  // namespace
}  // namespace drive
