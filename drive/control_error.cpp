#include "drive/control_error.h"

#include <cmath>

namespace drive {

ControlErrorWatch ControlErrorWatch::Speed(const NamedValues& registers) {
  return {registers.Get("SERRMAX", 0.0), registers.Get("TSERRMAX", kDisabled)};
}

ControlErrorWatch ControlErrorWatch::Position(const NamedValues& registers) {
  const double limit = registers.Find("ERRMAXL").value_or(registers.Get("ERRMAX", 0.0));
  return {limit, registers.Get("TERRMAX", kDisabled)};
}

bool ControlErrorWatch::Exceeded(double error) {
  if (samples_ >= kDisabled) return false;
  beyond_ = std::abs(error) > limit_ ? beyond_ + 1 : 0;
  return static_cast<double>(beyond_) > samples_;
}

}  // namespace drive
