#pragma once

#include <array>

// The standard line counts of incremental and sine/cosine encoders, in
// ascending order: what an estimate of an encoder's resolution is rounded
// to. The list holds the counts motor encoders are made with (decimal
// series, powers of two, and the angle-friendly 360 and 3600 families).
class CResolution {
 public:
  static constexpr std::array<int, 36> kLines{
      50,   64,   100,  120,  125,  128,  200,  250,  256,  300,  360,  400,  500,   512,   600,   720,   800,   1000,
      1024, 1200, 1250, 1500, 1600, 1800, 2000, 2048, 2500, 3000, 3600, 4000, 4096, 5000, 8192, 10000, 16384, 20000};

  // The standard count nearest `lines`; the smaller of two equally near.
  // A count at or below the first entry gives the first.
  int FindBestResolution(int lines) const;
  // Entry `index`; the first for an index below 0, the last beyond the end.
  int GetResolution(int index) const;
  int GetResolutionCount() const { return static_cast<int>(kLines.size()); }
};
