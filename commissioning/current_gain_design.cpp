#include "commissioning/current_gain_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "commissioning/loop_gain_design.h"
#include "commissioning/winding.h"

namespace commissioning {
namespace {

bool Positive(double x) { return std::isfinite(x) && x > 0.0; }

}  // namespace

Result<CurrentGains> DesignCurrentGains(const CurrentLoopPlant& plant, const CurrentLoopTarget& target) {
  if (!Positive(plant.resistance_Ohm) || !Positive(plant.inductance_H)) {
    return Failure{
        "The current controller cannot be designed: the phase resistance and inductance must be positive. "
        "Identify them first."};
  }
  if (!Positive(plant.period_s) || !Positive(plant.current_counts_per_A) || !Positive(plant.voltage_counts_per_V)) {
    return Failure{
        "The current controller cannot be designed: the loop period, the current range or the supply voltage of "
        "the setup is not valid."};
  }
  if (auto why = CheckBandwidthAndDamping(target.bandwidth_rad_s, target.damping); !why.empty()) {
    return Failure{why};
  }

  const double tau_s = plant.inductance_H / plant.resistance_Ohm;
  const double seen_Ohm = plant.resistance_Ohm / WindingImpedanceFactor(plant.delta);
  const double scale = seen_Ohm * plant.voltage_counts_per_V / plant.current_counts_per_A;
  const double omega = target.bandwidth_rad_s;
  const double ts = plant.period_s;

  CurrentGains gains;
  gains.pole_placement = tau_s > 4.0 * ts;
  if (gains.pole_placement) {
    gains.kp = (2.0 * target.damping * omega * tau_s - 1.0) * scale;
    gains.ki = omega * omega * tau_s * ts * scale;
  } else {
    gains.kp = (tau_s / (2.0 * std::numbers::sqrt2 * ts) - 1.0) * scale;
    gains.ki = omega * ts * scale;
  }
  if (gains.kp < 0.0) {
    gains.kp = 0.0;
    gains.kp_held_at_zero = true;
  }
  if (auto why = CheckDesignedGain("Kp_C_scl", gains.kp); !why.empty()) return Failure{why};
  if (auto why = CheckDesignedGain("Ki_C_scl", gains.ki); !why.empty()) return Failure{why};
  return gains;
}

SliderRange GainSliderRange(double value, double minimum, double maximum) {
  if (!std::isfinite(minimum) || !std::isfinite(maximum) || minimum > maximum) return {0.0, 0.0};
  if (!std::isfinite(value)) return {minimum, maximum};
  const double a = std::clamp(0.5 * value, minimum, maximum);
  const double b = std::clamp(1.5 * value, minimum, maximum);
  return {std::min(a, b), std::max(a, b)};
}

}  // namespace commissioning
