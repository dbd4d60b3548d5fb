#pragma once

#include <cstdint>
#include <optional>

#include "commissioning/result.h"

// What the encoder connection tests and the serial offset detection make of
// the positions the drive reports.
namespace commissioning {

// `position` modulo `counts`, from 0 to counts - 1 (also for a negative
// position). 0 for counts below 1.
std::int64_t PositionInCycle(double position, double counts);

// The encoder diagram's angle in radians: a quadrature encoder counts 4 per
// line, so position pi / (2 counts_per_line) with counts_per_line the lines,
// times 2^"SINCOS_fract" for a sine/cosine encoder.
double IncrementalDiagramAngle_rad(double position, double counts_per_line);
// A serial encoder: position 2 pi / 2^bits.
double SerialDiagramAngle_rad(double position, int bits);

// Whether the shaft was seen to move: the position within the cycle changed
// to a value other than 0 since the first reading.
class PulseWatch {
 public:
  // Returns whether the position changed.
  bool Update(std::int64_t position_in_cycle);
  bool PulsesSeen() const { return m_seen; }
  void Reset() { *this = PulseWatch(); }

 private:
  std::optional<std::int64_t> m_last;
  bool m_seen = false;
};

// The bits of one revolution of a serial encoder, held to 0 .. 32.
int SerialTurnBits(double bits);

// The serial encoder's offset within one revolution: the drive's "ZAOFF",
// truncated to an integer, modulo 2^bits (truncating, as the drive's own
// arithmetic does). Fails for a value that is not finite or a result outside
// 0 .. 2^bits, which a negative reading gives.
Result<std::int64_t> SerialOffsetInTurn(double zaoff, double bits);

}  // namespace commissioning
