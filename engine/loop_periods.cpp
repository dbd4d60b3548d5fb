#include "engine/loop_periods.h"

#include <cmath>

#include "engine/setup_access.h"

namespace engine {
namespace {

std::optional<double> Positive(double value) {
  if (!std::isfinite(value) || value <= 0.0) return std::nullopt;
  return value;
}

std::optional<double> LoopPeriod(CVX_Setup& setup, const char* divider) {
  const auto periods = Base(setup, divider);
  const auto pwmper = Base(setup, "PWMPER");
  const auto clock_Hz = Base(setup, "DSP_freq");
  if (!periods || !pwmper || !clock_Hz) return std::nullopt;
  return Positive(2.0 * *periods * *pwmper / *clock_Hz);
}

}  // namespace

std::optional<double> FastLoopPeriod(CVX_Setup& setup) { return LoopPeriod(setup, "CLPER"); }

std::optional<double> SlowLoopPeriod(CVX_Setup& setup) { return LoopPeriod(setup, "SLPER"); }

std::optional<double> PwmRate(CVX_Setup& setup) {
  const auto pwmper = Base(setup, "PWMPER");
  const auto clock_Hz = Base(setup, "DSP_freq");
  if (!pwmper || !clock_Hz) return std::nullopt;
  return Positive(*clock_Hz / (2.0 * *pwmper));
}

}  // namespace engine
