#include "drive/open_loop_stepping.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drive {

OpenLoopStepper::OpenLoopStepper(const NamedValues& registers, double microsteps_per_turn)
    : run_counts_(registers.Get("IDRSTEP")),
      // Without a stand-by setting the run current stays.
      standby_counts_(registers.Get("SBYCRT", registers.Get("IDRSTEP"))),
      standby_after_samples_(std::llround(registers.Get("TIMESBC", 0.0))),
      microsteps_per_turn_(std::max(1.0, microsteps_per_turn)),
      amplitude_counts_(run_counts_) {}

void OpenLoopStepper::Step(ProgramContext& context, double position_microsteps) {
  if (position_microsteps != last_position_) {
    still_samples_ = 0;
    last_position_ = position_microsteps;
  } else if (context.IsSlowLoopStep()) {
    ++still_samples_;
  }
  amplitude_counts_ = standing_by() ? standby_counts_ : run_counts_;
  context.CommandCurrentAtAngle(2 * std::numbers::pi * position_microsteps / microsteps_per_turn_, amplitude_counts_);
}

}  // namespace drive
