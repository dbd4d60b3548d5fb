#include "commissioning/position_gain_design.h"

#include <cmath>
#include <numbers>

namespace commissioning {
namespace {

std::string CheckTarget(const PositionDesignTarget& target) {
  if (auto why = CheckBandwidthAndDamping(target.bandwidth_rad_s, target.damping); !why.empty()) return why;
  if (!std::isfinite(target.period_s) || target.period_s <= 0.0)
    return "The position loop period is not known: check the loop timing registers.";
  if (!std::isfinite(target.positionScale) || target.positionScale == 0.0)
    return "The position scale is 0: the axis has no resolution to close the position loop on.";
  return {};
}

Result<PidGains> Checked(const PidGains& gains) {
  for (auto [name, gain] : {std::pair{"Kp_P_scl", gains.kp}, {"Ki_P_scl", gains.ki}, {"Kd_P_scl", gains.kd}})
    if (auto why = CheckDesignedGain(name, gain); !why.empty()) return Failure{why};
  return gains;
}

// A position loop that commands a rate (speed units or microsteps per
// sample): integrator plant of gain `rateScale` per rad/s.
Result<PidGains> DesignRateCommand(const PositionDesignTarget& target, double rateScale) {
  const double w = target.bandwidth_rad_s;
  const double ratio = std::fabs(rateScale) / std::fabs(target.positionScale);
  return Checked({.kp = 2.0 * w * target.damping * ratio, .ki = w * w * target.period_s * ratio, .kd = 0.0});
}

}  // namespace

Result<PidGains> DesignPositionGainsThroughSpeedLoop(const PositionDesignTarget& target, double speedScale) {
  if (auto why = CheckTarget(target); !why.empty()) return Failure{why};
  if (!std::isfinite(speedScale) || speedScale == 0.0)
    return Failure{"The speed scale is 0: the motor has no position sensor or resolution to close the speed loop on."};
  return DesignRateCommand(target, speedScale);
}

Result<PidGains> DesignPositionGainsCommandingCurrent(const PositionDesignTarget& target,
                                                      const CurrentCommandPlant& plant) {
  if (auto why = CheckTarget(target); !why.empty()) return Failure{why};
  const auto counts = InertiaOverTorqueCounts(plant);
  if (!counts.ok()) return Failure{counts.error()};
  const double w = target.bandwidth_rad_s;
  const double d = (2.0 * target.damping + 1.0) * w;
  const double perPosition = counts.value() / std::fabs(target.positionScale);
  return Checked({.kp = d * w * perPosition,
                  .ki = w * w * w * target.period_s * perPosition,
                  .kd = d * perPosition / target.period_s});
}

Result<PidGains> DesignOpenLoopPositionGains(const PositionDesignTarget& target, double microstepsPerRevolution) {
  if (auto why = CheckTarget(target); !why.empty()) return Failure{why};
  if (!std::isfinite(microstepsPerRevolution) || microstepsPerRevolution <= 0.0)
    return Failure{"The motor has no steps or microsteps per revolution: the position loop cannot be designed."};
  const double stepRate = target.period_s * microstepsPerRevolution / (2.0 * std::numbers::pi);
  return DesignRateCommand(target, stepRate);
}

}  // namespace commissioning
