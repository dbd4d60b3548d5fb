#include "commissioning/encoder_position.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

namespace commissioning {

std::int64_t PositionInCycle(double position, double counts) {
  const auto n = static_cast<std::int64_t>(counts);
  if (n < 1 || !std::isfinite(position)) return 0;
  const auto p = static_cast<std::int64_t>(position);
  return ((p % n) + n) % n;
}

double IncrementalDiagramAngle_rad(double position, double counts_per_line) {
  return position * std::numbers::pi / counts_per_line * 0.5;
}

double SerialDiagramAngle_rad(double position, int bits) {
  return position * 2.0 * std::numbers::pi / std::ldexp(1.0, bits);
}

bool PulseWatch::Update(std::int64_t position_in_cycle) {
  const bool changed = m_last.has_value() && *m_last != position_in_cycle;
  if (changed && position_in_cycle != 0) m_seen = true;
  m_last = position_in_cycle;
  return changed;
}

int SerialTurnBits(double bits) {
  if (!std::isfinite(bits)) return 0;
  return static_cast<int>(std::clamp(std::trunc(bits), 0.0, 32.0));
}

Result<std::int64_t> SerialOffsetInTurn(double zaoff, double bits) {
  if (!std::isfinite(zaoff) || !std::isfinite(bits) || std::abs(zaoff) >= 9.2e18) {
    return Failure{"The drive reported an encoder offset that is not a valid number."};
  }
  const std::int64_t turn = std::int64_t{1} << SerialTurnBits(bits);
  const std::int64_t offset = static_cast<std::int64_t>(zaoff) % turn;
  if (offset < 0 || offset > turn) {
    return Failure{
        fmt::format("The drive reported an encoder offset of {} counts, outside one revolution of {} counts.",
                    offset, turn)};
  }
  return offset;
}

}  // namespace commissioning
