#include "commissioning/speed_gain_design.h"

#include <cmath>

namespace commissioning {

Result<PiGains> DesignSpeedGains(const SpeedDesignInputs& in) {
  if (auto why = CheckBandwidthAndDamping(in.bandwidth_rad_s, in.damping); !why.empty()) return Failure{why};
  if (!std::isfinite(in.period_s) || in.period_s <= 0.0)
    return Failure{"The speed loop period is not known: check the loop timing registers."};
  if (!std::isfinite(in.speedScale) || in.speedScale == 0.0)
    return Failure{"The speed scale is 0: the motor has no position sensor or resolution to close the speed loop on."};
  const auto counts = InertiaOverTorqueCounts(in.plant);
  if (!counts.ok()) return Failure{counts.error()};

  const double perSpeedUnit = counts.value() / std::fabs(in.speedScale);
  const double w = in.bandwidth_rad_s;
  const PiGains gains{.kp = 2.0 * w * in.damping * perSpeedUnit, .ki = w * w * in.period_s * perSpeedUnit};
  if (auto why = CheckDesignedGain("Kp_S_scl", gains.kp); !why.empty()) return Failure{why};
  if (auto why = CheckDesignedGain("Ki_S_scl", gains.ki); !why.empty()) return Failure{why};
  return gains;
}

}  // namespace commissioning
