#include "drive/loop_registers.h"

#include <cmath>
#include <string_view>

namespace drive {

namespace {

std::int64_t Reg(const NamedValues& registers, std::string_view name, double fallback = 0.0) {
  return std::llround(registers.Get(name, fallback));
}

ScaledGain Gain(const NamedValues& registers, std::string_view mantissa, std::string_view shift) {
  return {.mantissa = Reg(registers, mantissa), .shift = static_cast<int>(Reg(registers, shift))};
}

}  // namespace

SpeedLoopRegisters SpeedLoopRegistersFrom(const NamedValues& registers) {
  SpeedLoopRegisters regs;
  regs.kp = Gain(registers, "KPS", "SFTKPS");
  regs.ki = Gain(registers, "KIS", "SFTKIS");
  // The acceleration feed-forward's shift is split over two registers.
  regs.kffa = {.mantissa = Reg(registers, "KFFA"),
               .shift = static_cast<int>(Reg(registers, "SFTKFF") + Reg(registers, "SFTAFFW"))};
  regs.sats = Reg(registers, "SATS");
  regs.imaxs = Reg(registers, "IMAXS");
  return regs;
}

PositionLoopRegisters PositionLoopRegistersFrom(const NamedValues& registers) {
  PositionLoopRegisters regs;
  regs.kp = Gain(registers, "KPP", "SFTKPP");
  regs.ki = Gain(registers, "KIP", "SFTKIP");
  regs.kd = Gain(registers, "KDP", "SFTKDP");
  regs.kdfp = Reg(registers, "KDFP", kGainFullScale);
  regs.kffs = Gain(registers, "KFFS", "SFTSFFW");
  regs.satp = Reg(registers, "SATP");
  regs.imaxp = Reg(registers, "IMAXP");
  return regs;
}

}  // namespace drive
