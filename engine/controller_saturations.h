#pragma once

#include <optional>

class CVX_Setup;

// Output and integral limits of the speed and position controllers, the
// gravity offset of the current controller and the acceleration limit, each
// register beside the recovery of the user value it holds; and the tuning
// tests' defaults, which recovery sets from the same quantities.
//
// A saturation register S counts down from full scale: it holds a limit of
// 32767 - S drive units, so 32767 is a limit of 0 and 0 the full range. The
// computations clamp S into 0..32767.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing or a value would not be finite: a zero current, speed or
// step scale, a zero limit under an integral share, a zero torque constant
// or motor inertia. A recovery first gives its user parameter the limits of
// what the registers can hold.
namespace engine {

// ----- current controller: gravity offset -----

// "OffsetCurrent" * current scale while "isCompensateGravitationalLoads" is
// not 0, else 0.
int ComputeFFL(CVX_Setup& setup);
// 1 when "FFL" is not 0; limits 0..1.
int RecoverIsCompensateGravitationalLoads(CVX_Setup& setup);
// "FFL" / current scale; limits -"In".."In".
int RecoverOffsetCurrent(CVX_Setup& setup);

// ----- speed controller -----

// 32767 - "IlimPS" * current scale.
int ComputeSATS(CVX_Setup& setup);
// 32767 - "IPSatS" / 100 * "IlimPS" * current scale.
int ComputeIMAXS(CVX_Setup& setup);
// The saturation register that holds the current limit, as the drive's
// words tell: "SATP" in a closed loop whose position controller commands the
// current directly, or in torque mode ("OSR" bit 10 set, "ACR" bit 9 clear);
// "SATS" otherwise. nullopt when a word or the register is missing.
std::optional<double> CurrentLimitSaturation(CVX_Setup& setup);
// The current limit of CurrentLimitSaturation; limits 0.001..min("ImaxPS",
// "ImaxM").
int RecoverIlimPS(CVX_Setup& setup);
// (32767 - "IMAXS") * 100 / (32767 - "SATS"); limits 0..100.
int RecoverIPSatS(CVX_Setup& setup);

// ----- position controller -----

// The limit of the position controller's output: open loop, "Limit_Speed"
// in microsteps per sample (step rate factor F); closed loop when the output
// is a speed reference ("ControlMode" 1, or 0 with "PositionControlType" 1),
// "Limit_Speed" in speed units; otherwise "IlimPS" in current units.
int ComputeSATP(CVX_Setup& setup);
// "IPSatP" / 100 of a limit: open loop "Limit_Speed" * F; closed loop with
// the position loop on the speed loop ("ControlMode" 0, "PositionControlType"
// 1) "Limit_Speed" in speed units; otherwise "IlimPS" in current units. In
// closed-loop speed mode this differs from "SATP", which holds the speed.
int ComputeIMAXP(CVX_Setup& setup);
// (32767 - "IMAXP") * 100 / (32767 - B), limits 0..100, where B holds the
// limit "IMAXP" was a share of: "SATS" (the current limit) in closed-loop
// speed mode ("OSR" bit 10 set, "ACR" bit 9 set and bit 10 clear), "SATP"
// otherwise. Against "SATP" the speed-mode share would change on every
// round trip.
int RecoverIPSatP(CVX_Setup& setup);
// (32767 - "SATP") / F in open loop, / |speed scale| in closed loop, in every
// control mode (in closed-loop torque mode and direct position control the
// value is the current limit seen as a speed); limits 0 up to what "SATP"
// can hold.
int RecoverLimit_Speed(CVX_Setup& setup);

// ----- acceleration limit -----

// "Limit_Acceleration" * |A| while "isLimitAcceleration" is not 0, else 0,
// with A the step acceleration scale. The drive only uses it in open loop.
int ComputeACC_LIMIT(CVX_Setup& setup);
// "ACC_LIMIT" / |A|; the limits are left as they are.
int RecoverLimit_Acceleration(CVX_Setup& setup);
// 1 when "ACC_LIMIT" is not 0; the limits are left as they are.
int RecoverIsLimitAcceleration(CVX_Setup& setup);

// ----- tuning test defaults, set on every recovery -----

// min("In", "InPS"); limits 0.001..1.8 * min("In", "InPS").
int RecoverTestCurrent(CVX_Setup& setup);
// The current limit of CurrentLimitSaturation; limits 0..min("ImaxPS",
// "ImaxM").
int RecoverTestLimitCurrent(CVX_Setup& setup);
// "IMAXPROT" / current scale; limits 0..min("ImaxM", "ImaxPS").
int RecoverTestProtectionCurrent(CVX_Setup& setup);
// A third of the no-load speed, "Vdc" / "K" / 3; limits 0..the recovered
// "Limit_Speed".
int RecoverTestMaxSpeed(CVX_Setup& setup);
// "Jt" / "Jm" - 1; limits 0..100.
int RecoverJload_over_J(CVX_Setup& setup);

}  // namespace engine
