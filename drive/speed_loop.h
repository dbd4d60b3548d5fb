#pragma once

#include <cstdint>

#include "drive/loop_gain.h"

namespace drive {

// The speed controller's registers.
struct SpeedLoopRegisters {
  ScaledGain kp{};       // "KPS", "SFTKPS"
  ScaledGain ki{};       // "KIS", "SFTKIS"
  ScaledGain kffa{};     // "KFFA", shift "SFTKFF" + "SFTAFFW"
  std::int64_t sats = 0;   // "SATS": output (current reference) limit
  std::int64_t imaxs = 0;  // "IMAXS": integral limit
};

// The speed PI of the slow loop, with acceleration feed-forward. Speeds are
// position counts per slow-loop sample, accelerations counts per sample², both
// with 16 fraction bits; the output is a current reference in converter
// counts. Gains are in those units: the integral adds ki · error each sample.
class SpeedLoop {
 public:
  explicit SpeedLoop(const SpeedLoopRegisters& regs) : regs_(regs) {}

  // One slow-loop sample; returns the current reference, within ±(32767 − SATS).
  std::int16_t Step(std::int64_t reference_q16, std::int64_t measured_q16, std::int64_t acceleration_q16 = 0);

  void Reset() { integral_q16_ = 0; }
  // A gain written while the loop runs takes effect at the next sample.
  void set_registers(const SpeedLoopRegisters& regs) { regs_ = regs; }
  std::int64_t integral_q16() const { return integral_q16_; }

 private:
  SpeedLoopRegisters regs_;
  std::int64_t integral_q16_ = 0;
};

}  // namespace drive
