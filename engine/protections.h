#pragma once

#include <optional>

class CVX_Setup;

// Protection registers: thresholds and trip times of the drive's
// over-current, I2t (drive and motor), temperature, supply voltage and
// control error protections. One computation per register (user values ->
// register) and one recovery per user value (registers -> user value), side
// by side. The enable flags are bits of "PCR" (config_words_protection.h).
//
// Every function returns 1, or 0 with nothing written (not even limits) when
// a parameter it needs is missing or a value would not be finite: a zero
// current, voltage, position or speed scale, slow-loop period, trip time,
// I2t scale register or sensor gain. A recovery first gives its user value
// the limits the registers can represent, then writes it.
//
// Times count slow-loop samples of the period the drive runs
// (loop_periods.h), in both directions, so a time keeps its tick count.
namespace engine {

// ----- over-current -----

// "Imax_Prot" in converter counts.
int ComputeIMAXPROT(CVX_Setup& setup);
// Limits 0.001 .. min("ImaxM", "ImaxPS") A.
int RecoverImax_Prot(CVX_Setup& setup);
// "time_Imax_Prot" in slow-loop samples.
int ComputeTIMAXPROT(CVX_Setup& setup);
// Limits 0.001 s .. 32767 samples.
int RecoverTime_Imax_Prot(CVX_Setup& setup);

// ----- temperature -----

// The drive sensor's converter count at "Temp_2" degrees Celsius.
int ComputeT2MAXPROT(CVX_Setup& setup);
// Limits -100 .. 1000 degrees Celsius.
int RecoverTemp_2(CVX_Setup& setup);
// 1 when "Motor_TempSensor_Type" is 1, else 0.
int ComputeMTSTYPE(CVX_Setup& setup);
// Limits 0..1; the register truncated.
int RecoverMotor_TempSensor_Type(CVX_Setup& setup);

// ----- supply voltage -----

// "UMAX_PROT" in converter counts, truncated toward zero.
int ComputeUMAXPROT(CVX_Setup& setup);
// "UMIN_PROT" in converter counts, left to the register's rounding.
int ComputeUMINPROT(CVX_Setup& setup);
// Limits 1 .. 2000 V each.
int RecoverUMAX_PROT(CVX_Setup& setup);
int RecoverUMIN_PROT(CVX_Setup& setup);

// ----- I2t of the drive ("InPS", "I_I2t_D", "t_I2t_D") -----

int ComputeII2TPROT_D(CVX_Setup& setup);
int ComputeSFI2T_D(CVX_Setup& setup);
int ComputeI2TINTLIM_D(CVX_Setup& setup);
// Gated by HasDriveWarningLimits in the sequence.
int ComputeII2TWARLIM_D(CVX_Setup& setup);
// Limits "InPS" .. "ImaxPS".
int RecoverI_I2t_D(CVX_Setup& setup);
// Limits 2048 .. 2^26 slow-loop samples.
int RecoverT_I2t_D(CVX_Setup& setup);

// ----- I2t of the motor ("In", "I_I2t_M", "t_I2t_M") -----

int ComputeII2TPROT_M(CVX_Setup& setup);
int ComputeSFI2T_M(CVX_Setup& setup);
int ComputeI2TINTLIM_M(CVX_Setup& setup);
// Gated by HasDriveWarningLimits in the sequence.
int ComputeI2TWARLIM_M(CVX_Setup& setup);
// Limits 1.1 "In" .. "ImaxM".
int RecoverI_I2t_M(CVX_Setup& setup);
// Limits 2048 .. 2^26 slow-loop samples.
int RecoverT_I2t_M(CVX_Setup& setup);

// ----- position control error -----

// The error limit "ERR_position" (or "ErrMaxUser" while "SOLmodeEncOnLoad"
// is 1) in position units; "ERRMAXL" is the long form where it exists.
int ComputeERRMAX(CVX_Setup& setup);
int ComputeERRMAXL(CVX_Setup& setup);
// "time_ERR_pos" in slow-loop samples while "isPositionControlError" is 1,
// else 65535 (disabled); "TonPosOkUser" instead while "SOLmodeEncOnLoad" is 1.
int ComputeTERRMAX(CVX_Setup& setup);
// 1 unless "TERRMAX" holds 65535.
int RecoverIsPositionControlError(CVX_Setup& setup);
// From "ERRMAXL" where it exists (limits up to 2^31 - 1 position units),
// else from "ERRMAX" (up to 32767).
int RecoverERR_position(CVX_Setup& setup);
// Limits 0.001 s .. 32767 samples.
int RecoverTime_ERR_pos(CVX_Setup& setup);
// Open loop with the position loop on a load sensor ("OSR" bit 5 set, bit 10
// clear, "LoadSensorType" not 0): the error limit, up to 32767 position
// units. Otherwise nothing to recover: 1, nothing written.
int RecoverErrMaxUser(CVX_Setup& setup);
// "TERRMAX" in seconds, limits 0 .. 65535 samples.
int RecoverTonPosOkUser(CVX_Setup& setup);

// ----- speed control error -----

int ComputeSERRMAX(CVX_Setup& setup);
// "time_ERR_spd" in slow-loop samples while "isSpeedControlError" is 1,
// else 65535 (disabled).
int ComputeTSERRMAX(CVX_Setup& setup);
int RecoverIsSpeedControlError(CVX_Setup& setup);
// Limits 0.001 (or one speed unit, if 32767 units are below that) .. 32767
// speed units.
int RecoverERR_speed(CVX_Setup& setup);
int RecoverTime_ERR_spd(CVX_Setup& setup);

// ----- I2t arithmetic, in converter counts -----

// Integral limit of a trip current over a rated current:
// (trip^2 - rated^2) * 2^26 / 32767^2.
double I2tIntegralLimit(double trip_counts, double rated_counts);
// Its exact inverse; nullopt when the limit lies below -rated^2 in those
// units (no real current) or the result is not finite.
std::optional<double> I2tTripCurrent(double integralLimit, double rated_counts);
// The integral reached two seconds before the trip: limit * (t - 2) / t.
// nullopt for a zero trip time.
std::optional<double> I2tWarningLimit(double integralLimit, double tripTime_s);
// Integration scale Ts * 2^26 / t, and back; nullopt for a zero divisor.
std::optional<double> I2tScale(double period_s, double tripTime_s);
std::optional<double> I2tTripTime(double period_s, double scale);

}  // namespace engine
