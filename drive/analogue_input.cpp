#include "drive/analogue_input.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace drive {

VoltageOverTime::VoltageOverTime(std::vector<VoltagePoint> points) : points_(std::move(points)) {
  std::stable_sort(points_.begin(), points_.end(),
                   [](const VoltagePoint& a, const VoltagePoint& b) { return a.time_s < b.time_s; });
}

double VoltageOverTime::At(double time_s) const {
  if (points_.empty()) return 0.0;
  if (time_s <= points_.front().time_s) return points_.front().voltage_V;
  if (time_s >= points_.back().time_s) return points_.back().voltage_V;
  const auto next = std::upper_bound(points_.begin(), points_.end(), time_s,
                                     [](double t, const VoltagePoint& p) { return t < p.time_s; });
  const VoltagePoint& b = *next;
  const VoltagePoint& a = *(next - 1);
  // Two points at one time make a step; upper_bound lands after both.
  if (b.time_s == a.time_s) return b.voltage_V;
  return a.voltage_V + (b.voltage_V - a.voltage_V) * (time_s - a.time_s) / (b.time_s - a.time_s);
}

AnalogueRange AnalogueRangeFor(double inputs_range_V) {
  if (inputs_range_V == 20.0) return {-10.0, 10.0};
  if (inputs_range_V == 5.0) return {0.0, 5.0};
  return {0.0, 3.3};
}

AnalogueInput::AnalogueInput(const AnalogueInputParams& params)
    : params_(params),
      shift_(16 - std::clamp(params.converter_bits, 1, 16)),
      top_code_((1 << std::clamp(params.converter_bits, 1, 16)) - 1),
      noise_(params.seed) {}

std::uint16_t AnalogueInput::Measure(double voltage_V) {
  double seen_V = voltage_V + params_.offset_V;
  if (params_.noise_rms_V > 0.0) seen_V += params_.noise_rms_V * noise_.Next();
  const double span_V = params_.range.high_V - params_.range.low_V;
  const double code = std::round((seen_V - params_.range.low_V) / span_V * top_code_);
  const auto clipped = static_cast<std::int32_t>(std::clamp(code, 0.0, static_cast<double>(top_code_)));
  return static_cast<std::uint16_t>(clipped << shift_);
}

}  // namespace drive
