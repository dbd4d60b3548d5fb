#pragma once

#include <optional>
#include <string_view>

class CVX_Setup;

// Helpers shared by the controller saturation sources; not for other
// families.
namespace engine::saturation {

// Names used in more than one place.
inline constexpr std::string_view kSats = "SATS";
inline constexpr std::string_view kImaxs = "IMAXS";
inline constexpr std::string_view kSatp = "SATP";
inline constexpr std::string_view kImaxp = "IMAXP";
inline constexpr std::string_view kIlimPS = "IlimPS";
inline constexpr std::string_view kIPSatS = "IPSatS";
inline constexpr std::string_view kIPSatP = "IPSatP";
inline constexpr std::string_view kLimitSpeed = "Limit_Speed";
inline constexpr std::string_view kFfl = "FFL";
inline constexpr std::string_view kAccLimit = "ACC_LIMIT";
inline constexpr std::string_view kLimitAcceleration = "Limit_Acceleration";
inline constexpr std::string_view kIsLimitAcceleration = "isLimitAcceleration";
inline constexpr std::string_view kIsCompensateGravity = "isCompensateGravitationalLoads";
inline constexpr std::string_view kImaxPS = "ImaxPS";
inline constexpr std::string_view kImaxM = "ImaxM";
inline constexpr std::string_view kStepperControlType = "StepperControlType";

// Integral limits are entered as a share of their saturation's limit.
inline constexpr double kPercent = 100.0;

// The saturation count of a limit of `limit_units` drive units, clamped into
// the register's 0..32767; nullopt for a limit that is not finite.
std::optional<double> Count(double limit_units);
// The limit, in drive units, that a saturation count stands for.
double Limit(double count);

// Writes the saturation count of `limit_units` into `name`.
int WriteSaturation(CVX_Setup& setup, std::string_view name, std::optional<double> limit_units);

// Gives the user parameter the limits [low, high], then writes `value` in
// base units. Nothing is written when the value is missing or not finite,
// the parameter is missing, or the limits are refused.
int Recover(CVX_Setup& setup, std::string_view name, double low, double high, std::optional<double> value);

// "IlimPS" in converter counts: amperes times the current scale.
std::optional<double> CurrentLimitCounts(CVX_Setup& setup);

// The share, in percent, of the limit held by the saturation register
// `whole` that the integral-limit register `part` holds; nullopt when a
// register is missing or `whole` holds no limit to share (32767 or more).
std::optional<double> IntegralShare(CVX_Setup& setup, std::string_view part, std::string_view whole);

// The smaller of two user values in base units; nullopt when either is
// missing.
std::optional<double> Smaller(CVX_Setup& setup, std::string_view a, std::string_view b);

// A register's limit divided by a scale: nullopt when either is missing.
// The scales of scales.h are never zero.
std::optional<double> LimitOver(std::optional<double> count, std::optional<double> scale);

}  // namespace engine::saturation
