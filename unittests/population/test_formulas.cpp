#include "population/test_formulas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "commissioning/encoder_position.h"
#include "commissioning/encoder_resolution_estimate.h"
#include "commissioning/inductance.h"
#include "commissioning/resistance.h"
#include "commissioning/supply_voltage.h"
#include "commissioning/total_inertia.h"
#include "kernel/resolution.h"

namespace population {
namespace {

template <typename T>
TestResult From(const commissioning::Result<T>& result) {
  if (!result.ok()) return TestResult::Fail(result.error());
  return {static_cast<double>(result.value()), {}};
}

}  // namespace

TestResult Resistance(double test_current_counts, const ResistanceRunPoint& full, const ResistanceRunPoint& half,
                      double current_scale, double voltage_scale) {
  commissioning::ResistanceRuns runs;
  runs.test_current_counts = test_current_counts;
  runs.full = {full.voltage_counts, full.current_counts};
  runs.half = {half.voltage_counts, half.current_counts};
  runs.current_counts_per_A = current_scale;
  runs.voltage_counts_per_V = voltage_scale;
  return From(commissioning::ResistanceFromTwoRuns(runs));
}

TestResult Inductance(double amplitude_counts, double increment, const std::vector<std::vector<double>>& points,
                      double fast_period_s, double current_scale, double voltage_scale) {
  commissioning::InductanceRun run;
  run.amplitude_counts = amplitude_counts;
  run.increment = increment;
  for (const auto& p : points) run.means.Add(p.at(1), p.at(2));
  run.period_s = fast_period_s;
  run.current_counts_per_A = current_scale;
  run.voltage_counts_per_V = voltage_scale;
  return From(commissioning::InductanceFromSineRun(run));
}

TestResult Supply(double counts, double adc_max, double vdc_max_measurable_V) {
  return From(commissioning::SupplyVoltage_V(counts, adc_max, vdc_max_measurable_V));
}

TestResult TotalInertia(double test_flag, double delta_time, double delta_speed, double test_current_counts,
                        double counts_per_rad, double slow_period_s, double current_scale, double k_Nm_per_A) {
  const commissioning::InertiaRunReport report{test_flag, delta_time, delta_speed};
  const commissioning::InertiaScales scales{counts_per_rad * slow_period_s, current_scale, slow_period_s, k_Nm_per_A};
  return From(commissioning::TotalInertia(report, test_current_counts, scales));
}

EncoderVerdict EncoderLines(double final_count, bool moved, int electrical_cycles) {
  const auto estimate = commissioning::EstimateEncoderLines(final_count, moved, electrical_cycles, CResolution());
  if (estimate.ok()) return {estimate.value(), 0};
  if (estimate.error() == commissioning::kResolutionNoMotionText) return {std::nullopt, 'A', estimate.error()};
  if (estimate.error() == commissioning::kResolutionWrongDirectionText) return {std::nullopt, 'B', estimate.error()};
  return {std::nullopt, 'N', estimate.error()};
}

TestResult SerialOffset(double zaoff, int bits) { return From(commissioning::SerialOffsetInTurn(zaoff, bits)); }

}  // namespace population
