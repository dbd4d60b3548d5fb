#pragma once

#include <optional>
#include <string_view>

class CVX_Parameter;
class CVX_Setup;

// What the protection sources share; not part of the engine's interface.
namespace engine::protection {

// Time registers count slow-loop samples. A user time reaches at most 32767
// of them; 65535 in "TERRMAX" or "TSERRMAX" means the protection is off.
inline constexpr double kTicksMax = 32767.0;
inline constexpr double kTicksDisabled = 65535.0;
inline constexpr double kTimeMin_s = 0.001;

// Gives `target` the limits [low, high], then writes `value` in base units.
// 0, with nothing written, when any of the three is not finite, the target is
// missing or the limits are refused.
int RecoverInto(CVX_Parameter* target, double low, double high, double value);
int RecoverInto(CVX_Setup& setup, std::string_view target, double low, double high, double value);

// The converter's full-scale count; nullopt when the drive reports none.
std::optional<double> AdcMaxValue(CVX_Setup& setup);

// `time` (base units, seconds) as slow-loop samples into `reg`.
int ComputeTicks(CVX_Setup& setup, std::string_view reg, std::string_view time);
// `reg` samples as seconds into `target`, limits [low_s, kTicksMax samples].
int RecoverTime(CVX_Setup& setup, std::string_view target, std::string_view reg, double low_s);

}  // namespace engine::protection
