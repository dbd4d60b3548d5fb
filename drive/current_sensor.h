#pragma once

#include <cstdint>

#include "drive/normal_noise.h"

namespace drive {

struct CurrentSensorParams {
  double full_scale_A = 10.0;        // ±ImaxPS: the current at either end of the converter
  std::int32_t adc_max_counts = 65520;  // counts spanning 2·full_scale_A
  int converter_bits = 12;           // real resolution; counts come in steps of (adc_max+1)/2^bits
  double noise_rms_A = 0.0;
  std::uint64_t seed = 1;
};

// A phase current measurement as the drive reads it: signed counts around
// zero current, current scale = adc_max / (2·full_scale) counts per ampere,
// quantised to the converter's step, clipped at full scale, with optional
// Gaussian noise from a seeded generator (same seed, same counts, bit for bit).
class CurrentSensor {
 public:
  explicit CurrentSensor(const CurrentSensorParams& params);

  std::int32_t Measure_counts(double current_A);
  double ToCurrent_A(std::int32_t counts) const { return counts / counts_per_A_; }

  double counts_per_A() const { return counts_per_A_; }
  std::int32_t step_counts() const { return step_counts_; }

 private:
  CurrentSensorParams params_;
  double counts_per_A_;
  std::int32_t step_counts_;
  std::int32_t limit_counts_;
  NormalNoise noise_;
};

}  // namespace drive
