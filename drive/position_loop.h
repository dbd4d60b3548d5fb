#pragma once

#include <cstdint>

#include "drive/loop_gain.h"

namespace drive {

// The position controller's registers.
struct PositionLoopRegisters {
  ScaledGain kp{};            // "KPP", "SFTKPP"
  ScaledGain ki{};            // "KIP", "SFTKIP"
  ScaledGain kd{};            // "KDP", "SFTKDP"
  std::int64_t kdfp = kGainFullScale;  // "KDFP": derivative filter, 32767 = unfiltered
  ScaledGain kffs{};          // "KFFS", "SFTSFFW": speed feed-forward
  std::int64_t satp = 0;    // "SATP": output limit
  std::int64_t imaxp = 0;   // "IMAXP": integral limit
};

// The position PID of the slow loop. The error is in position counts; the
// output, with 16 fraction bits, is a speed reference (counts per sample)
// when the position loop drives the speed loop, or a current reference in
// converter counts when it drives the current loop directly. The reference
// speed (counts per sample, 16 fraction bits) feeds forward through KFFS.
class PositionLoop {
 public:
  explicit PositionLoop(const PositionLoopRegisters& regs) : regs_(regs) {}

  // One slow-loop sample; returns the output within ±(32767 − SATP), q16.
  std::int64_t Step(std::int64_t reference_counts, std::int64_t measured_counts, std::int64_t reference_speed_q16 = 0);

  void Reset();
  void set_registers(const PositionLoopRegisters& regs) { regs_ = regs; }
  std::int64_t integral_q16() const { return integral_q16_; }

 private:
  PositionLoopRegisters regs_;
  std::int64_t integral_q16_ = 0;
  std::int64_t previous_error_ = 0;
  std::int64_t derivative_q16_ = 0;
  bool first_ = true;
};

}  // namespace drive
