#pragma once

#include <cstdint>

#include "drive/drive_program.h"
#include "drive/inertia_swing.h"
#include "drive/motor_feedback.h"

namespace drive {

// A motor commutated from its position sensor, for the programs that close
// the speed or position loop. Built at the program's first step from the
// aligned rotor (the positioning program left it at electrical angle 0):
// the electrical angle is then the counts since that instant times
// "ENC2THL", the electrical angle per count in 2^-32 turns.
// Electrical cycles per motor turn as the registers give them ("ENC2THL",
// the electrical angle per count in 2^-32 turns, times "MECRESL", the
// counts per turn); the true motor's when the setup lacks them.
double ElectricalCyclesPerTurn(const ProgramContext& context);

class ClosedLoopAxis {
 public:
  explicit ClosedLoopAxis(ProgramContext& context);

  // Reads the sensor; call once per fast step before commanding. False on a
  // feedback error (an invalid serial frame).
  bool Update(ProgramContext& context);

  // A torque-producing current (converter counts, signed) at right angles
  // to the rotor's field, and the part of the measured current that lies there.
  void CommandTorqueCurrent(ProgramContext& context, double current_counts) const;
  double MeasuredTorqueCurrent(const ProgramContext& context) const;

  // Takes the rotor's present position as its electrical zero: the program
  // has just aligned it there itself.
  void ZeroHere();
  // Commutation counts since the zero (a serial encoder's counts as the
  // commutation reads them), and the electrical angle of one of them.
  std::int64_t commutation_counts() const;
  double angle_per_count_rad() const;
  // From the zero the angle is the count's lower edge: a coarse encoder then
  // puts the field behind the rotor by up to a whole count, and the torque
  // falls short. Given the electrical angle at which the count steps from
  // the zero's count to the next, the angle is taken at the middle of each
  // count instead.
  void CentreOnEdge(double edge_rad);
  // The angle as a function of the position, for a position known between
  // the counts.
  Commutation commutation() const;

  // The position change since the previous call, 16 fraction bits; call once
  // per slow-loop step.
  std::int64_t SampleSpeed_q16();

  std::int64_t position() const { return feedback_.position(); }
  double electrical_angle_rad() const;
  const MotorFeedback& feedback() const { return feedback_; }

 private:
  MotorFeedback feedback_;
  std::uint64_t angle_per_count_;  // 2^-32 electrical turns
  std::int64_t start_position_ = 0;  // a serial encoder starts at its absolute reading
  double offset_rad_ = 0.0;
  std::int64_t last_sample_position_ = 0;
};

}  // namespace drive
