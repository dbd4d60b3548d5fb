#pragma once

class CVX_Setup;

// The feature word "UPGRADE" and the input/output words: active levels of
// the digital inputs ("DIGIN_ACTIVE_LEVEL"), the motor brake output
// ("BRAKECFG") and what the CAN identification saves ("LSS_Active").
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. A recovery first gives its user parameter the limits of
// what the word can hold.
namespace engine {

int ComputeUPGRADE(CVX_Setup& setup);
int RecoverIsLimitMaximum(CVX_Setup& setup);
// Bit 6, "PosSpd_in_FastLoop", is recovered with the loop timing
// (RecoverPosSpd_in_FastLoop of loop_timing.h).
// Only when the setup has "MotionCompleteDefaultSettings".
int RecoverMotionCompleteType(CVX_Setup& setup);

int ComputeDIGIN_ACTIVE_LEVEL(CVX_Setup& setup);
int RecoverEnablePolarity(CVX_Setup& setup);
int RecoverLSNPolarity(CVX_Setup& setup);
int RecoverLSPPolarity(CVX_Setup& setup);

// The output's pin and the enable bit, in internal units. A port the drive
// does not list keeps the pin the word already holds.
int ComputeBRAKECFG(CVX_Setup& setup);
int RecoverIsMotorBrake(CVX_Setup& setup);
// Limits: the drive's port numbers. A pin the drive does not list leaves the
// port as it is and returns 0.
int RecoverMotorBrake_output(CVX_Setup& setup);

int ComputeLSS_Active(CVX_Setup& setup);
int RecoverSave_CAN_baudrate(CVX_Setup& setup);
int RecoverSave_axis_id(CVX_Setup& setup);

}  // namespace engine
