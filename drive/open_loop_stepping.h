#pragma once

#include <cstdint>

#include "drive/drive_program.h"

namespace drive {

// Open-loop microstepping as the drive does it for a stepper without
// feedback: the current vector sits at the commanded microstep position,
// with the run current ("IDRSTEP") while the position moves and the stand-by
// current ("SBYCRT") once it has stood still for "TIMESBC" slow-loop
// samples. Both currents are in current counts.
class OpenLoopStepper {
 public:
  // `microsteps_per_turn`: microsteps per electrical turn, four full steps.
  OpenLoopStepper(const NamedValues& registers, double microsteps_per_turn);

  // One fast step: commands the current for `position_microsteps`.
  void Step(ProgramContext& context, double position_microsteps);

  double amplitude_counts() const { return amplitude_counts_; }
  bool standing_by() const { return still_samples_ > standby_after_samples_; }

 private:
  double run_counts_;
  double standby_counts_;
  std::int64_t standby_after_samples_;
  double microsteps_per_turn_;
  double last_position_ = 0.0;
  std::int64_t still_samples_ = 0;
  double amplitude_counts_;
};

}  // namespace drive
