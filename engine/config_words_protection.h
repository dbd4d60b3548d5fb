#pragma once

class CVX_Setup;

// "PCR", the protection control word: one enable bit per protection. Bits 6
// and 8-15 are the drive's own and keep their value.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. Each recovery gives its flag the limits 0..1 first.
namespace engine {

int ComputePCR(CVX_Setup& setup);

int RecoverIsOverCurrent(CVX_Setup& setup);
int RecoverIsMotorI2t(CVX_Setup& setup);
// Limits 0..0 when the option "DisableMotorTemperature" is set.
int RecoverIsMotorOverTemp(CVX_Setup& setup);
int RecoverIsDriveOverTemp(CVX_Setup& setup);
int RecoverIsOverVoltage(CVX_Setup& setup);
int RecoverIsUnderVoltage(CVX_Setup& setup);
int RecoverIsDriveI2t(CVX_Setup& setup);

}  // namespace engine
