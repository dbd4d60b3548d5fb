#pragma once

#include <algorithm>
#include <cstdint>

namespace drive {

// Values of the slow loops carry 16 fraction bits: a speed of 0.3 counts per
// sample must not vanish, and neither may a small integral increment.
inline constexpr int kFractionBits = 16;
inline constexpr std::int64_t kQ16One = std::int64_t{1} << kFractionBits;
inline constexpr std::int64_t kGainFullScale = 32767;

// A gain register pair: mantissa · 2^shift / 32767, the encoding the setup
// writes. The product is formed wide, so no shift or input the registers can
// hold overflows before the loop saturates the result.
struct ScaledGain {
  std::int64_t mantissa = 0;  // 0..32767
  int shift = 0;

  // x · gain, rounded toward minus infinity as an arithmetic shift would,
  // and held within ±2^60 so that a few terms add up without overflow.
  std::int64_t Apply(std::int64_t x) const {
    const __int128 wide = static_cast<__int128>(x) * mantissa * (static_cast<__int128>(1) << shift);
    __int128 q = wide / kGainFullScale;
    if (wide % kGainFullScale != 0 && wide < 0) --q;
    const __int128 top = static_cast<__int128>(1) << 60;
    return static_cast<std::int64_t>(std::clamp<__int128>(q, -top, top));
  }
  double value() const { return static_cast<double>(mantissa) * static_cast<double>(std::int64_t{1} << shift) / kGainFullScale; }
};

// A saturation register counts down from full scale: S stands for the limit
// 32767 − S (so 32767 is a limit of 0 and 0 the whole range).
inline std::int64_t LimitOfSaturation(std::int64_t reg) { return kGainFullScale - std::clamp<std::int64_t>(reg, 0, kGainFullScale); }

inline std::int64_t Clamp(std::int64_t x, std::int64_t limit) { return std::clamp(x, -limit, limit); }

}  // namespace drive
