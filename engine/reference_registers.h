#pragma once

#include <optional>

class CVX_Setup;

// The external reference: the analogue input (span, offset, dead band; its
// filter "FILTER1" is with the other first-order filters in gain_registers.h),
// the limits of an external reference and the electronic gear.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing or a value would not be finite (a zero position, speed or
// acceleration scale, converter full scale, input range or gear master). A
// recovery first gives its user parameter the limits the registers can hold.
namespace engine {

// ----- analogue reference (only when the drive has the analogue input) -----

// The span of the active reference range ("POS_*", "SPD_*" or "CRT_*" by
// "ControlMode"; 0 for another mode), from its minimum as "AD5OFF" holds
// it, in drive units per 2^15 converter counts, signed like the position
// scale. "CADIN" holds it as a ranged mantissa with the shift "SFTADIN"; a
// negative span takes the shift of its magnitude.
std::optional<double> AnalogueReferenceSpan(CVX_Setup& setup);

int ComputeCADIN(CVX_Setup& setup);
int ComputeSFTADIN(CVX_Setup& setup);
// The internal value of the active range's minimum; fails for a
// "ControlMode" outside 0..2.
int ComputeAD5OFF(CVX_Setup& setup);
// The dead band's centre and width in converter counts; on the 20 V input
// the centre counts from -10 V.
int ComputeLEVEL_AD5(CVX_Setup& setup);
int ComputeE_LEVEL_AD5(CVX_Setup& setup);

// Limits by the input range (-10..10, 0..5 or 0..3.3 V).
int RecoverDeadBand_Point(CVX_Setup& setup);
// Limits 0 .. the room the point leaves (the whole range under the option
// "NewDeadBand").
int RecoverDeadBand_Range(CVX_Setup& setup);

// Every range's minimum is "AD5OFF" and its maximum "AD5OFF" plus the span
// the input registers hold, in internal units, whatever the control mode.
// Each is limited by the register width and the other end of its pair as
// it is being recovered, so that neither end clips the other.
int RecoverPOS_min(CVX_Setup& setup);
int RecoverPOS_max(CVX_Setup& setup);
int RecoverCRT_min(CVX_Setup& setup);
int RecoverCRT_max(CVX_Setup& setup);
int RecoverSPD_min(CVX_Setup& setup);
int RecoverSPD_max(CVX_Setup& setup);

// ----- external reference limits -----

// "ErefMaxSpeed" times the magnitude of the speed scale.
int ComputeCSPD(CVX_Setup& setup);
int RecoverErefMaxSpeed(CVX_Setup& setup);
// "ErefMaxAcceleration" times the magnitude of the acceleration scale.
int ComputeCACC(CVX_Setup& setup);
int RecoverErefMaxAcceleration(CVX_Setup& setup);
// "GEARSLAVE" / "GEARMASTER"; no recovery.
int ComputeGEAR(CVX_Setup& setup);

}  // namespace engine
