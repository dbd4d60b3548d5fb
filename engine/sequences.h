#pragma once

#include <span>

#include "engine/feedback_options.h"
#include "engine/load_units.h"
#include "engine/step_units.h"

#include "kernel/setup.h"

// The fixed sequences in which the register functions run, and the
// capability probes by which they adapt to the firmware's parameter set.
namespace engine {

using SetupStepFn = int (*)(CVX_Setup& setup);
using ProbeFn = bool (*)(CVX_Setup& setup);

// One step of a sequence; it runs only when it has no probe or its probe
// holds. A step that fails (returns 0) does not stop the steps after it.
struct SequenceStep {
  SetupStepFn run;
  ProbeFn probe = nullptr;
};

void RunSequence(CVX_Setup& setup, std::span<const SequenceStep> steps);

// Register computation: user parameters -> register parameters.
void ComputeRegisterParameters(CVX_Setup& setup);
// User value recovery: registers -> user parameters, each with its limits.
void RecoverUserParameters(CVX_Setup& setup);
// Limits that follow the loop timing, the register widths and the options.
void UpdateParameterLimits(CVX_Setup& setup);
// Brings every derived user value, limit, option and unit up to date from
// the stored registers, in this order: user value recovery, the limits, the
// feedback and mode options, the load-side units, the step units. It writes
// no register.
void ComputeAllOptions(CVX_Setup& setup);

// A copy of `setup` after register computation and user value recovery:
// its user values are those the drive will use, as the next opening of any
// dialog shows them. `setup` itself does not change.
CVX_Setup RoundTripCopy(const CVX_Setup& setup);

// Capability probes: quiet look-ups, true when the firmware has the feature.
bool HasDriveWarningLimits(CVX_Setup& setup);   // "II2TWARLIM_D", "I2TWARLIM_M"
bool HasSpeedFeedForward(CVX_Setup& setup);     // "KFFS_scl", "KFFS", "SFTSFFW"
bool HasSoftwareLimitSwitches(CVX_Setup& setup);  // "isSWLS"
bool HasSpeedEstimator(CVX_Setup& setup);       // "isSpeedEstimator"
bool HasAnalogueReference(CVX_Setup& setup);    // variable and parameter "CADIN"
bool HasCanIdentification(CVX_Setup& setup);    // "save_CAN_baudrate", "save_axis_id"
bool HasBrake(CVX_Setup& setup);                // "BRAKECFG", "isMotorBrake"
bool HasFreezeControl(CVX_Setup& setup);        // "POSOKLIM_FC", "TONPOSOK_FC"
bool HasEncoderFilter(CVX_Setup& setup);        // "isFilterEnc_MT", "FilterEncValue_MT"
bool HasLongResolutions(CVX_Setup& setup);      // "ENCRESLONG", "STEPRESLONG"
// The drive reads an SSI (3) or BiSS (4) sensor on the motor (load) side.
bool HasSerialMotorSensor(CVX_Setup& setup);
bool HasSerialLoadSensor(CVX_Setup& setup);

}  // namespace engine
