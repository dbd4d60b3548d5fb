#pragma once

#include <cstdint>

#include "drive/named_values.h"

namespace drive {

// The drive's control error protection: an error (speed or position) beyond
// its limit for longer than its time raises the control error in "MER".
// The time counts slow-loop samples; 65535 switches the check off.
class ControlErrorWatch {
 public:
  static constexpr double kDisabled = 65535;

  ControlErrorWatch(double limit, double samples) : limit_(limit), samples_(samples) {}
  // "SERRMAX" over "TSERRMAX".
  static ControlErrorWatch Speed(const NamedValues& registers);
  // "ERRMAXL" (or "ERRMAX" on a drive without it) over "TERRMAX".
  static ControlErrorWatch Position(const NamedValues& registers);

  // One slow-loop sample's error; true once it has stayed beyond the limit
  // for more than the time.
  bool Exceeded(double error);

 private:
  double limit_;
  double samples_;
  std::int64_t beyond_ = 0;
};

}  // namespace drive
