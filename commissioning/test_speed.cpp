#include "commissioning/test_speed.h"

#include <cmath>

namespace commissioning {

std::optional<QuantisedSpeed> QuantiseTestSpeed(double speed_base, double internalPerBase, bool speedEstimator) {
  if (!std::isfinite(speed_base) || !std::isfinite(internalPerBase) || internalPerBase == 0.0) return std::nullopt;
  const double step = speedEstimator ? 1.0 / 65536.0 : 1.0;
  const double wanted = speed_base * internalPerBase;
  if (!std::isfinite(wanted)) return std::nullopt;
  double internal = std::round(wanted / step) * step;
  if (internal == 0.0) internal = std::signbit(wanted) ? -step : step;
  const double base = internal / internalPerBase;
  if (!std::isfinite(base)) return std::nullopt;
  return QuantisedSpeed{.internal = internal, .base = base};
}

}  // namespace commissioning
