#pragma once

#include <optional>
#include <string_view>

class CVX_Setup;

// The motor sensor's resolution against the motor's electrical period, and
// the start-move check that counts in it. A step motor has four full steps
// per electrical period, so "NoMotorSteps" / 4 electrical periods make one
// revolution.
//
// Register functions return 1, or 0 with nothing written when a parameter
// they need is missing or a value would not be finite.
namespace engine {

// The electric angle takes at most 16 bits of a serial word; 2^32 angle
// units make one electrical turn.
inline constexpr double kAngleBitsMax = 16.0;
inline constexpr double kAngleFullTurn = 4294967296.0;

// A sensor type parameter ("MotorSensorType", "LoadSensorType") or another
// integer choice, truncated; nullopt when missing or beyond the int range.
std::optional<int> ReadChoice(CVX_Setup& setup, std::string_view name);
// SSI (3) or BiSS (4): the absolute sensors with a serial frame.
bool IsSerialSensor(int type);

// Counts per motor revolution from which the electric angle is derived: an
// SSI or BiSS motor sensor gives 2^min(bits, 16) (the angle uses at most 16
// bits of the word), any other sensor 4 counts per line.
std::optional<double> MotorCountsPerRevolution(CVX_Setup& setup);

// "MECRESL" = the counts above.
int ComputeMECRESL(CVX_Setup& setup);
// "No_encoder_lines" = trunc("MECRESL" / 4), limits [1, 1073741823], for
// every sensor type.
int RecoverNo_encoder_lines(CVX_Setup& setup);

// "ELRESL" = min(counts, 65535) per electrical period; only firmware that
// has the register.
int ComputeELRESL(CVX_Setup& setup);

// The further interpolation bits of a sine/cosine encoder: with d =
// ceil(log2(counts per electrical period)), min(10 - d, 8) for d in 0..9,
// else 0. nullopt when the counts per period are not finite and positive.
std::optional<int> InterpolationFraction(double lines, double motorSteps);
// "ELRES_FRACT" = the fraction above, and "SINCOS_fract", where the setup
// has it, gets it as its minimum; left alone unless "MotorSensorType" is 2
// (returns 1 then).
// Runs before "ENC2THL", which reads it.
int ComputeELRES_FRACT(CVX_Setup& setup);

// "ENC2THL": the electrical angle per count in 2^-32 of an electrical turn.
// Absolute motor sensor: periods * 2^(32 - min(bits, 16)); sine/cosine with
// "ELRES_FRACT": periods * 2^32 / (2^fraction * 4 lines); else periods *
// 2^32 / (4 lines).
int ComputeENC2THL(CVX_Setup& setup);

// "ABSTART_MINMOVE": the least movement, in sensor counts, that a start from
// the absolute position must show; a share ("ABSTART_MINMOVE_PERCENT", else
// 60 %) of one full step. 0 in open loop.
int ComputeABSTART_MINMOVE(CVX_Setup& setup);

// Capability probes of the optional registers above.
bool HasElectricalResolution(CVX_Setup& setup);  // "ELRESL"
// "ELRES_FRACT", whatever else the firmware has: "ENC2THL", "EncRes" and
// "TRANSMISSION" read it, so a stale fraction would skew all three.
bool HasInterpolationFraction(CVX_Setup& setup);
bool HasStartMoveCheck(CVX_Setup& setup);  // "ABSTART_MINMOVE"

}  // namespace engine
