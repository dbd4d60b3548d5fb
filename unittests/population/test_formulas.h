#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The commissioning tests' arithmetic on what the programs report, each as
// its test applies it, with the failures it checks: the commissioning
// library's evaluations, and the encoder test's rule where the library has
// none yet. A result is a value or the reason the test fails.
namespace population {

struct TestResult {
  std::optional<double> value;
  std::string failure;  // why there is no value

  static TestResult Fail(std::string why) { return {std::nullopt, std::move(why)}; }
};

struct ResistanceRunPoint {
  double voltage_counts;  // "var_i1"
  double current_counts;  // the mean of the logged "IQ"
};

// R = (U1 - U2) / (m1 - m2) / Kv * Kc, in ohms as the drive sees the winding
// (commissioning::ResistanceFromTwoRuns).
TestResult Resistance(double test_current_counts, const ResistanceRunPoint& full, const ResistanceRunPoint& half,
                      double current_scale, double voltage_scale);

// L = U X / (w P) * Kc / Kv over the logged pairs
// (commissioning::InductanceFromSineRun).
TestResult Inductance(double amplitude_counts, double increment, const std::vector<std::vector<double>>& points,
                      double fast_period_s, double current_scale, double voltage_scale);

// Vdc = VdcMaxMeasurable * var_u2 / ADCMax (commissioning::SupplyVoltage_V).
TestResult Supply(double counts, double adc_max, double vdc_max_measurable_V);

// Jt = Kpos Ts / Kc * t * Ts * K / s * I; the program's failure outputs fail
// (commissioning::TotalInertia).
TestResult TotalInertia(double test_flag, double delta_time, double delta_speed, double test_current_counts,
                        double counts_per_rad, double slow_period_s, double current_scale, double k_Nm_per_A);

// The encoder test's verdict on the final count, whether any non-zero count
// was seen and the electrical cycles of the revolution
// (commissioning::EstimateEncoderLines): the lines, or failure text "A" (the
// shaft did not turn), "B" (the counting runs against the phase sequence),
// or another text (`text`: no standard resolution fits the count).
struct EncoderVerdict {
  std::optional<int> lines;
  char failure = 0;  // 'A', 'B', or 'N' for another text
  std::string text{};
};
EncoderVerdict EncoderLines(double final_count, bool moved, int electrical_cycles);

// "ZAOFF" modulo 2^bits (commissioning::SerialOffsetInTurn).
TestResult SerialOffset(double zaoff, int bits);

}  // namespace population
