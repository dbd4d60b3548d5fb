#pragma once

class CVX_Setup;

// "OSR" (operating setup: control type, motor type, load sensor, start
// mode, open-loop controller) and "ASR" (application setup: input polarity,
// transmission sign, long resolutions, movement direction, software limit
// switches, new-style speed estimator). Both keep the bits they do not own.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. A recovery first gives its user parameter the limits of
// what the word can hold.
namespace engine {

int ComputeOSR(CVX_Setup& setup);
// Limits 0..3; needs "StartMode" and, for mode 2, the recovered sensor types.
int RecoverStartMode(CVX_Setup& setup);
int RecoverSOLmodeEncOnLoad(CVX_Setup& setup);
int RecoverStepperControlType(CVX_Setup& setup);
// Only an open-loop two-phase axis has the alternative controller; for any
// other the value is left as it is (and 1 returned).
int RecoverSOL_controller_mode(CVX_Setup& setup);

int ComputeASR(CVX_Setup& setup);
int RecoverInputsPolarityType(CVX_Setup& setup);
int RecoverIsReverseMovementDirection(CVX_Setup& setup);
int RecoverIsSWLS(CVX_Setup& setup);

}  // namespace engine
