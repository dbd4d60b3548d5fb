#pragma once

#include <cstdint>
#include <vector>

#include "drive/normal_noise.h"

namespace drive {

// A voltage that a person sets at an input over time: straight lines between
// the given points, the first value before them and the last after them.
struct VoltagePoint {
  double time_s = 0.0;
  double voltage_V = 0.0;
};

class VoltageOverTime {
 public:
  VoltageOverTime() = default;
  // Points in any order; they are sorted by time.
  explicit VoltageOverTime(std::vector<VoltagePoint> points);
  double At(double time_s) const;

 private:
  std::vector<VoltagePoint> points_;
};

// Input ranges the drive's reference input can be wired for.
struct AnalogueRange {
  double low_V = 0.0;
  double high_V = 3.3;
};
// The range selected by "AnalogueInputsRange": 20 is ±10 V, 5 is 0..5 V,
// anything else the converter's own 0..3.3 V.
AnalogueRange AnalogueRangeFor(double inputs_range_V);

struct AnalogueInputParams {
  AnalogueRange range;
  int converter_bits = 10;
  double offset_V = 0.0;     // error of the input stage, added to the true voltage
  double noise_rms_V = 0.0;
  std::uint64_t seed = 1;
};

// The reference input "AD5" as the drive reads it: the voltage mapped from
// the range onto the converter, clipped at its ends, and left-aligned in 16
// bits, so full scale reads 65472 (0xFFC0) for a 10-bit converter.
class AnalogueInput {
 public:
  explicit AnalogueInput(const AnalogueInputParams& params);

  std::uint16_t Measure(double voltage_V);
  std::uint16_t full_scale() const { return static_cast<std::uint16_t>(top_code_ << shift_); }

 private:
  AnalogueInputParams params_;
  int shift_;
  std::int32_t top_code_;
  NormalNoise noise_;
};

}  // namespace drive
