#pragma once

class CVX_Setup;

// The drive's axis identifier, the motor brake delays and what the open-loop
// step drive applies to the phases: run and stand-by currents, the start
// alignment time, the voltage boost and the phase-advance correction.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing or a value would not be finite (a zero slow-loop period,
// current scale or supply voltage). A recovery first gives its user
// parameter the limits the registers can hold.
namespace engine {

// "Axis_ID_list" (a whole number) + 256 in the axis address table; 0 (the
// identifier set by the hardware pins) stays 0. Recovery limits 0..511.
int ComputeAAR_table(CVX_Setup& setup);
int RecoverAxis_ID_list(CVX_Setup& setup);

// Brake delays in slow-loop samples (only when the setup has the brake).
int ComputeBRAKEAPPLYDELAY(CVX_Setup& setup);
int ComputeBRAKERELEASEDELAY(CVX_Setup& setup);
int RecoverMotorBrake_applytime(CVX_Setup& setup);
int RecoverMotorBrake_releasetime(CVX_Setup& setup);

// Start alignment time "time_AB" in both phase registers: in hundredths of a
// second when "UPGRADE" bit 9 is set (limits 0.01..655.35 s), else as a
// fraction of a second in 1/65535 (limits 0.01..1 s).
int ComputeT1ONA(CVX_Setup& setup);
int ComputeT1ONB(CVX_Setup& setup);
int RecoverTime_AB(CVX_Setup& setup);

// Phase advance (only when the setup has "THT_CORRECTION"): 16384 over the
// speed in internal units, at most 16384; 0 when the speed is not positive.
int ComputeTHT_CORRECTION(CVX_Setup& setup);
int RecoverPhaseAdvance_speed(CVX_Setup& setup);

// Voltage boost: the motor voltage scale times the phase voltage drop at the
// smaller of the motor and drive rated currents (a star-connected
// three-phase motor drops over a third of "R").
int ComputeBOOST(CVX_Setup& setup);

// Open-loop phase currents. "IDRSTEP" is computed in register_copies.h.
// "RunCurrent" = "IDRSTEP" (internal), limits 0.001 A .. min("In", "InPS").
int RecoverRunCurrent(CVX_Setup& setup);
// "StandByCurrent" in drive current counts; limits 0.001 A .. "RunCurrent".
int ComputeSBYCRT(CVX_Setup& setup);
int RecoverStandByCurrent(CVX_Setup& setup);
// "StandByCurrentTime" in slow-loop samples; limits 0.001 s .. 32767 samples.
int ComputeTIMESBC(CVX_Setup& setup);
int RecoverStandByCurrentTime(CVX_Setup& setup);

}  // namespace engine
