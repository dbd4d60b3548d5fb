#include "drive/pwm_bridge.h"

#include <algorithm>

namespace drive {

BridgeOutput PwmBridge::Apply(const PhaseValues& requested_V) const {
  BridgeOutput out;
  const double vdc = std::max(supply_V_, 0.0);
  if (winding_ == Winding::TwoPhase) {
    for (int k = 0; k < 2; ++k) {
      out.voltage_V[k] = std::clamp(requested_V[k], -vdc, vdc);
      out.limited = out.limited || out.voltage_V[k] != requested_V[k];
    }
    return out;
  }
  const auto [lo, hi] = std::minmax({requested_V[0], requested_V[1], requested_V[2]});
  const double span_V = hi - lo;
  // Scaling all line-to-line voltages together keeps the voltage vector's
  // direction, so a saturated current loop still pulls the right way.
  const double scale = span_V > vdc ? vdc / span_V : 1.0;
  out.limited = span_V > vdc;
  const double centre_V = (hi + lo) / 2;
  for (int k = 0; k < 3; ++k) out.voltage_V[k] = (requested_V[k] - centre_V) * scale;
  return out;
}

}  // namespace drive
