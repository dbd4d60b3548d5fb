#pragma once

#include <string_view>

#include "dialogs/setup_values.h"
#include "engine/config_bits.h"

// What the Drive Setup dialog's rules read from the setup.
namespace drivesetup {

using dialogs::BaseValue;
using dialogs::Has;
using dialogs::IntValue;

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
