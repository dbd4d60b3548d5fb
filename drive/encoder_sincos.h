#pragma once

#include <cstdint>

#include "drive/encoder_incremental.h"

namespace drive {

struct SinCosEncoderParams {
  int lines = 1000;             // sine periods per revolution
  bool reversed = false;        // sine and cosine swapped
  bool has_index = true;
  double index_angle_rad = 0.0;
  QuadratureFault fault = QuadratureFault::None;
  // Amplitude mismatch of the two signals, as a fraction (0.01 = cosine 1 %
  // larger): the arctangent then wobbles within each line, which is what
  // limits a real interpolation.
  double amplitude_mismatch = 0.0;
};

// A sine/cosine encoder. The drive counts the zero crossings of both
// signals x4 like an incremental encoder, and interpolates between them
// from the arctangent of the two signals: fract_bits more bits per
// quadrature count ("SINCOS_fract").
class SinCosEncoder {
 public:
  explicit SinCosEncoder(const SinCosEncoderParams& params);

  void Reset(double shaft_angle_rad);

  // Quadrature counts only (4 per line), as the coarse counter reads them.
  std::int64_t CoarseCount(double shaft_angle_rad, bool reverse_counting = false) const;
  // Interpolated position: 4 · lines · 2^fract_bits counts per revolution.
  std::int64_t FineCount(double shaft_angle_rad, int fract_bits, bool reverse_counting = false) const;

  bool IndexBetween(double from_rad, double to_rad) const { return coarse_.IndexBetween(from_rad, to_rad); }
  const SinCosEncoderParams& params() const { return params_; }

 private:
  // The signal phase within the line as the drive's arctangent sees it,
  // in lines (the integer part counts whole lines).
  double MeasuredLines(double shaft_angle_rad) const;

  SinCosEncoderParams params_;
  IncrementalEncoder coarse_;
  double zero_lines_ = 0.0;  // measured at the reset
};

}  // namespace drive
