#include "drive/normal_noise.h"

#include <cmath>
#include <numbers>

namespace drive {

double NormalNoise::Next() {
  if (has_spare_) {
    has_spare_ = false;
    return spare_;
  }
  // 53 random bits make every double in the unit interval equally likely.
  constexpr double kTwoTo53 = 9007199254740992.0;
  const double u1 = (static_cast<double>(rng_() >> 11) + 1.0) / (kTwoTo53 + 1.0);  // (0, 1]: log stays finite
  const double u2 = static_cast<double>(rng_() >> 11) / kTwoTo53;                  // [0, 1)
  const double radius = std::sqrt(-2.0 * std::log(u1));
  spare_ = radius * std::sin(2 * std::numbers::pi * u2);
  has_spare_ = true;
  return radius * std::cos(2 * std::numbers::pi * u2);
}

}  // namespace drive
