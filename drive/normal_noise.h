#pragma once

#include <cstdint>
#include <random>

namespace drive {

// Standard normal draws (mean 0, spread 1) from a seeded generator, the same
// numbers for the same seed on every platform. std::normal_distribution is
// not used: its algorithm is left to each standard library, so a simulation
// log would change with the compiler. std::mt19937_64 is fully specified.
class NormalNoise {
 public:
  explicit NormalNoise(std::uint64_t seed) : rng_(seed) {}

  double Next();

 private:
  std::mt19937_64 rng_;
  // Box-Muller yields pairs; the spare is kept so no draw is wasted.
  double spare_ = 0.0;
  bool has_spare_ = false;
};

}  // namespace drive
