#include "population/test_formulas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace population {

TestResult Resistance(double test_current_counts, const ResistanceRunPoint& full, const ResistanceRunPoint& half,
                      double current_scale, double voltage_scale) {
  if (full.current_counts < 0.9 * test_current_counts) return TestResult::Fail("the test current was not reached");
  const double step = test_current_counts - std::floor(test_current_counts / 2);
  const double measured_step = full.current_counts - half.current_counts;
  if (measured_step < 0.5 * step) return TestResult::Fail("the two runs measured the same current");
  const double r = (full.voltage_counts - half.voltage_counts) / measured_step / voltage_scale * current_scale;
  if (!std::isfinite(r) || r <= 0.0) return TestResult::Fail("the resistance is not positive");
  return {r, {}};
}

TestResult Inductance(double amplitude_counts, double increment, const std::vector<std::vector<double>>& points,
                      double fast_period_s, double current_scale, double voltage_scale) {
  double x_mean = increment;
  double p_mean = increment;
  if (!points.empty()) {
    double x_sum = 0.0;
    double p_sum = 0.0;
    for (const auto& p : points) {
      x_sum += p.at(1);
      p_sum += p.at(1) * p.at(1) + p.at(2) * p.at(2);
    }
    x_mean = x_sum / static_cast<double>(points.size());
    p_mean = p_sum / static_cast<double>(points.size());
  }
  const double w = 2 * std::numbers::pi * increment / (fast_period_s * 65535);
  const double l = amplitude_counts * x_mean / (w * p_mean) * current_scale / voltage_scale;
  if (!std::isfinite(l) || l > 1.0) return TestResult::Fail("the inductance is above 1 H");
  if (l < 50e-6) return TestResult::Fail("the inductance is below 50 uH");
  return {l, {}};
}

TestResult Supply(double counts, double adc_max, double vdc_max_measurable_V) {
  if (!(counts > 0.0)) return TestResult::Fail("no supply measured");
  return {vdc_max_measurable_V * counts / adc_max, {}};
}

TestResult TotalInertia(double test_flag, double delta_time, double delta_speed, double test_current_counts,
                        double counts_per_rad, double slow_period_s, double current_scale, double k_Nm_per_A) {
  if (test_flag <= 0) return TestResult::Fail("test_flag: the speed ran negative or a protection stopped the run");
  if (delta_time == -1) return TestResult::Fail("delta_time -1: the speed ran negative");
  if (delta_time == -2) return TestResult::Fail("delta_time -2: no speed, or the torque was not reached");
  if (delta_time < 0) return TestResult::Fail("the programmed speed was not reached");
  if (!(delta_speed > 0) || !(delta_time > 0)) return TestResult::Fail("no speed gained");
  const double jt = counts_per_rad * slow_period_s / current_scale * delta_time * slow_period_s * k_Nm_per_A /
                    delta_speed * test_current_counts;
  return {jt, {}};
}

EncoderVerdict EncoderLines(double final_count, bool moved, const std::vector<int>& standard_lines) {
  // The nearest standard count to the size of the estimate: a count run
  // backwards is still the encoder's resolution, which text B then
  // declines to offer.
  const double quarter = std::abs(std::trunc(final_count / 4));
  int best = standard_lines.front();
  for (const int lines : standard_lines) {
    if (std::abs(lines - quarter) < std::abs(best - quarter)) best = lines;
  }
  if (final_count <= 0 && best == standard_lines.front()) final_count = 0;
  if (final_count == 0) return {std::nullopt, 'A'};
  if (final_count < 0 || !moved) return {std::nullopt, 'B'};
  return {best, 0};
}

TestResult SerialOffset(double zaoff, int bits) {
  const auto turn = static_cast<std::int64_t>(std::ldexp(1.0, std::min(bits, 32)));
  const std::int64_t offset = static_cast<std::int64_t>(std::trunc(zaoff)) % turn;
  if (offset < 0 || offset > turn) return TestResult::Fail("the offset lies outside the turn");
  return {static_cast<double>(offset), {}};
}

}  // namespace population
