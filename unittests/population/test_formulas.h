#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The commissioning tests' arithmetic on what the programs report, each as
// its test applies it, with the failures it checks. A result is a value or
// the reason the test fails.
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

// R = (U1 - U2) / (m1 - m2) / Kv * Kc, in ohms as the drive sees the winding.
// Fails when the first run fell short of 90 % of the test current or the
// two runs lie less than half the current step apart (the supply held the
// current back), or R is not positive.
TestResult Resistance(double test_current_counts, const ResistanceRunPoint& full, const ResistanceRunPoint& half,
                      double current_scale, double voltage_scale);

// L = U X / (w P) * Kc / Kv with w = 2 pi n / (Ts 65535), X the mean of the
// logged lagging parts, P the mean of x^2 + y^2. Fails below 50 uH and
// above 1 H.
TestResult Inductance(double amplitude_counts, double increment, const std::vector<std::vector<double>>& points,
                      double fast_period_s, double current_scale, double voltage_scale);

// Vdc = VdcMaxMeasurable * var_u2 / ADCMax.
TestResult Supply(double counts, double adc_max, double vdc_max_measurable_V);

// Jt = Kpos Ts / Kc * t * Ts * K / s * I; the program's failure outputs fail.
TestResult TotalInertia(double test_flag, double delta_time, double delta_speed, double test_current_counts,
                        double counts_per_rad, double slow_period_s, double current_scale, double k_Nm_per_A);

// The encoder test's verdict on the final count and whether any non-zero
// count was seen: the standard line count nearest to |trunc(c / 4)|, or
// failure text "A" (the shaft did not turn) or "B" (the counting runs
// against the phase sequence).
struct EncoderVerdict {
  std::optional<int> lines;
  char failure = 0;  // 'A' or 'B'
};
EncoderVerdict EncoderLines(double final_count, bool moved, const std::vector<int>& standard_lines);

// "ZAOFF" modulo 2^bits (truncating); below 0 fails.
TestResult SerialOffset(double zaoff, int bits);

}  // namespace population
