#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// The shape of a step response, for tests that compare a logged or simulated
// response with the one a design predicts.
namespace testsupport {

struct StepShape {
  double rise_s = 0.0;  // 10 % to 90 %
  double overshoot = 0.0;
};

// `response`: (time in s, value) pairs in time order; `target`: the step's
// final value. Crossing times are interpolated between samples, so that a
// response logged at the fast-loop rate is not rounded to whole samples.
inline StepShape ShapeOf(const std::vector<std::pair<double, double>>& response, double target) {
  auto crossing = [&](double level) {
    for (std::size_t k = 1; k < response.size(); ++k) {
      const auto [t0, i0] = response[k - 1];
      const auto [t1, i1] = response[k];
      if (i0 < level && i1 >= level) return t0 + (t1 - t0) * (level - i0) / (i1 - i0);
    }
    return -1.0;
  };
  StepShape shape;
  shape.rise_s = crossing(0.9 * target) - crossing(0.1 * target);
  double peak = 0.0;
  for (const auto& point : response) peak = std::max(peak, point.second);
  shape.overshoot = peak / target - 1.0;
  return shape;
}

}  // namespace testsupport
