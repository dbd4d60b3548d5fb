#pragma once

#include <cstdint>

#include "drive/drive_program.h"
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
  std::int64_t last_sample_position_ = 0;
};

}  // namespace drive
