#pragma once

class CVX_Setup;

// "ACR", the application control word: control mode, reference source,
// automatic activation, freeze control and the speed feed-forward target.
// Bits it does not own keep their value.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. A recovery first gives its user parameter the limits of
// what the word can hold. Recoveries that depend on the loop read "OSR".
namespace engine {

// Leaves "ACR" unchanged (and returns 0) for a closed-loop "ControlMode"
// outside 0..2.
int ComputeACR(CVX_Setup& setup);

int RecoverIsAutoActivatedAfterPowerOn(CVX_Setup& setup);
int RecoverDigitalReferenceType(CVX_Setup& setup);
// Needs the recovered "ControlMode".
int RecoverIsFreezeControl(CVX_Setup& setup);
// Limits 0..0 on a drive without the analogue reference input.
int RecoverIsAnalogueReference(CVX_Setup& setup);
int RecoverExternalReference(CVX_Setup& setup);
// Open loop knows position and speed mode only.
int RecoverControlMode(CVX_Setup& setup);
// 1 in open loop, which always feeds the speed forward to the current loop.
int RecoverSpeedForward(CVX_Setup& setup);

// The setup dialogs' speed feed-forward rule: unless the position loop
// drives the speed loop ("ControlMode" 0, "PositionControlType" 1), the
// feed-forward can only go to the current loop, so "SpeedForward" becomes 1
// and "ACR" bit 14 is set at once. 1 also when the rule does not apply.
int ApplySpeedForwardRule(CVX_Setup& setup);

}  // namespace engine
