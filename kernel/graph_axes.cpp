#include "kernel/graph_axes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kernel {
namespace {

// The smallest step of 1, 2 or 5 times a power of ten that is at least `raw`.
double NiceStep(double raw) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    // A little slack, so that 0.3 / 3 = 0.09999... still gives 0.1.
    if (m * magnitude >= raw * (1.0 - 1e-9)) return m * magnitude;
  }
  return 10.0 * magnitude;
}

double NextNiceStep(double step) { return NiceStep(step * 1.0001); }

int TickCount(double low, double high, double step) { return static_cast<int>(std::llround((high - low) / step)) + 1; }

}  // namespace

std::vector<double> AxisTicks(CGraphRange range, int maxTicks) {
  maxTicks = std::max(maxTicks, 2);
  if (!std::isfinite(range.min) || !std::isfinite(range.max) || range.max <= range.min) return {};
  const double step = NiceStep((range.max - range.min) / (maxTicks - 1));
  std::vector<double> ticks;
  const double first = std::ceil(range.min / step - 1e-9);
  for (double k = first; static_cast<int>(ticks.size()) < maxTicks; k += 1.0) {
    const double value = k * step;
    if (value > range.max + step * 1e-9) break;
    ticks.push_back(value == 0.0 ? 0.0 : value);  // no "-0"
  }
  return ticks;
}

CGraphRange NiceRange(double low, double high, int maxTicks) {
  maxTicks = std::max(maxTicks, 2);
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  if (low > high) std::swap(low, high);
  if (low == high) {
    const double widen = low == 0.0 ? 1.0 : std::pow(10.0, std::floor(std::log10(std::fabs(low))));
    low -= widen;
    high += widen;
  }
  double step = NiceStep((high - low) / (maxTicks - 1));
  for (;;) {
    const double niceLow = std::floor(low / step + 1e-9) * step;
    const double niceHigh = std::ceil(high / step - 1e-9) * step;
    if (TickCount(niceLow, niceHigh, step) <= maxTicks) return {niceLow == 0.0 ? 0.0 : niceLow, niceHigh};
    step = NextNiceStep(step);
  }
}

}  // namespace kernel
