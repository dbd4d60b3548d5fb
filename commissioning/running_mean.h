#pragma once

#include <cstddef>

// The mean of values seen one at a time, as a test averages the points it
// uploads: m <- (k m + x) / (k + 1) for the k-th further value.
namespace commissioning {

class RunningMean {
 public:
  void Add(double x) {
    m_mean = (static_cast<double>(m_count) * m_mean + x) / static_cast<double>(m_count + 1);
    ++m_count;
  }
  // 0 before the first value.
  double value() const { return m_mean; }
  std::size_t count() const { return m_count; }

 private:
  double m_mean = 0.0;
  std::size_t m_count = 0;
};

}  // namespace commissioning
