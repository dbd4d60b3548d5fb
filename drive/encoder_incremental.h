#pragma once

#include <cstdint>

namespace drive {

// Which shaft a position sensor is mounted on.
enum class SensorShaft { Motor, Load };

// What can be wrong with the wiring of a quadrature encoder.
enum class QuadratureFault {
  None,
  NoPulses,       // no supply or both channels open: the counter never moves
  MissingChannel, // one channel open: the decoder only ever sees one edge
                  // pair, so the counter dithers by one count and never runs
};

struct IncrementalEncoderParams {
  int lines = 1000;               // lines per revolution of its shaft
  bool reversed = false;          // A and B swapped (or the encoder mounted mirrored)
  bool has_index = true;
  double index_angle_rad = 0.0;   // shaft angle of the index mark, modulo one turn
  QuadratureFault fault = QuadratureFault::None;
};

// A quadrature encoder decoded x4, as the drive's counter sees it. The
// counter is relative: it reads 0 at the shaft angle given to Reset. The
// edges sit at fixed shaft angles (k · 2π / (4 · lines)), so a counter reset
// between two edges counts the next edge whichever way the shaft goes.
class IncrementalEncoder {
 public:
  explicit IncrementalEncoder(const IncrementalEncoderParams& params);

  void Reset(double shaft_angle_rad);

  // The counter at this shaft angle. reverse_counting is the drive's own
  // counting direction register; it and a reversed wiring cancel.
  std::int64_t Count(double shaft_angle_rad, bool reverse_counting = false) const;

  // True when the index mark lies in the half-open interval of shaft angles
  // (from, to], or [to, from) when the shaft went backwards.
  bool IndexBetween(double from_rad, double to_rad) const;

  int counts_per_rev() const { return 4 * params_.lines; }
  const IncrementalEncoderParams& params() const { return params_; }

 private:
  std::int64_t EdgesBelow(double shaft_angle_rad) const;

  IncrementalEncoderParams params_;
  std::int64_t zero_edges_ = 0;
};

}  // namespace drive
