#pragma once

#include <cmath>
#include <string_view>

#include "engine/config_bits.h"
#include "engine/setup_access.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

// How the Drive Setup dialog reads the setup for its rules: quietly, so a
// parameter the firmware lacks raises no message and reads as `missing`.
namespace drivesetup {

// The base value truncated to an integer, as the rules compare it.
inline int IntValue(CVX_Setup& setup, std::string_view name, int missing = 0) {
  const auto value = engine::Base(setup, name);
  return value ? static_cast<int>(std::trunc(*value)) : missing;
}

inline double BaseValue(CVX_Setup& setup, std::string_view name, double missing = 0.0) {
  return engine::Base(setup, name).value_or(missing);
}

inline bool Has(const CVX_Setup& setup, std::string_view name) { return kernel::HasParameter(setup, name); }

// The firmware's alternative open-loop controller drives the motor by
// voltage instead of current: a bi-phase motor in open loop whose "OSR" does
// not select the standard controller (bit 14).
inline bool UsesVoltageControl(CVX_Setup& setup) {
  return Has(setup, "SOL_controller_mode") && IntValue(setup, "StepperControlType", -1) == 0 &&
         IntValue(setup, "StepperMotorType", -1) == 0 &&
         (static_cast<engine::Word>(IntValue(setup, "OSR")) & engine::osr::kStandardOpenLoopController) == 0;
}

inline constexpr std::string_view kIncrementalReferenceCaption = "Incremental Encoder";
inline constexpr std::string_view kPulseDirectionCaption = "Pulse && Direction";

inline std::string_view DigitalReferenceCaption(CVX_Setup& setup) {
  return IntValue(setup, "DigitalReferenceType") != 0 ? kIncrementalReferenceCaption : kPulseDirectionCaption;
}

}  // namespace drivesetup
