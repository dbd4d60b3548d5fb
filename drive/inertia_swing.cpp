#include "drive/inertia_swing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace drive {
namespace {

// The least-squares coefficients of y on the first `n` of the terms,
// by Gaussian elimination with partial pivoting; nothing when singular.
template <std::size_t N>
std::optional<std::array<double, N>> LeastSquares(const std::vector<std::array<double, N>>& terms,
                                                  const std::vector<double>& y) {
  std::array<std::array<double, N + 1>, N> m{};
  for (std::size_t k = 0; k < terms.size(); ++k) {
    for (std::size_t i = 0; i < N; ++i) {
      m[i][N] += terms[k][i] * y[k];
      for (std::size_t j = 0; j < N; ++j) m[i][j] += terms[k][i] * terms[k][j];
    }
  }
  for (std::size_t c = 0; c < N; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < N; ++r) {
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    }
    if (std::abs(m[pivot][c]) < 1e-12) return std::nullopt;
    std::swap(m[c], m[pivot]);
    for (std::size_t r = 0; r < N; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (std::size_t j = c; j <= N; ++j) m[r][j] -= f * m[c][j];
    }
  }
  std::array<double, N> x{};
  for (std::size_t i = 0; i < N; ++i) x[i] = m[i][N] / m[i][i];
  return x;
}

}  // namespace

SwingResolver::SwingResolver(double omega_rad_s, int period_samples, const Commutation& commutation)
    : omega_(omega_rad_s), period_samples_(period_samples), commutation_(commutation) {}

void SwingResolver::Add(double t_s, double position_counts, double current_alpha, double current_beta) {
  period_.push_back({t_s, position_counts, current_alpha, current_beta});
  if (static_cast<int>(period_.size()) == period_samples_) EndOfPeriod();
}

void SwingResolver::EndOfPeriod() {
  const double t_mid = (period_.front().t_s + period_.back().t_s) / 2;
  const double x0 = period_.front().position;
  std::vector<std::array<double, 4>> position_terms;
  std::vector<std::array<double, 3>> current_terms;
  std::vector<double> positions;
  for (const Reading& r : period_) {
    const double c = std::cos(omega_ * r.t_s);
    const double s = std::sin(omega_ * r.t_s);
    position_terms.push_back({c, s, 1.0, (r.t_s - t_mid) * omega_});
    current_terms.push_back({c, s, 1.0});
    positions.push_back(r.position - x0);
  }
  const auto x = LeastSquares(position_terms, positions);
  if (!x) {
    period_.clear();
    return;
  }
  // The torque current along the angle of the fitted position.
  std::vector<double> currents;
  for (std::size_t k = 0; k < period_.size(); ++k) {
    const auto& p = position_terms[k];
    double fitted = x0;
    for (std::size_t j = 0; j < p.size(); ++j) fitted += (*x)[j] * p[j];
    const double angle =
        (fitted - commutation_.origin_counts) * commutation_.angle_per_count_rad + commutation_.offset_rad;
    currents.push_back(-period_[k].alpha * std::sin(angle) + period_[k].beta * std::cos(angle));
  }
  period_.clear();
  const auto i = LeastSquares(current_terms, currents);
  if (!i) return;
  const double power = (*i)[0] * (*i)[0] + (*i)[1] * (*i)[1];
  if (!(power > 0.0)) return;
  // x = -theta I / w^2 cos: the part of the position in step with the
  // current, per unit of current, times -w^2.
  periods_.push_back({.theta = -omega_ * omega_ * ((*x)[0] * (*i)[0] + (*x)[1] * (*i)[1]) / power,
                      .speed = (*x)[3] * omega_,
                      .speed_swing = std::hypot((*x)[0], (*x)[1]) * omega_});
}

std::optional<double> SwingResolver::last_speed_swing() const {
  if (periods_.empty()) return std::nullopt;
  return periods_.back().speed_swing;
}

std::optional<SwingResolver::Result> SwingResolver::Solve(int settle) const {
  const int n = static_cast<int>(periods_.size()) - settle;
  if (n < 2) return std::nullopt;
  double sum = 0.0;
  double square_sum = 0.0;
  double slowest = std::numeric_limits<double>::infinity();
  for (std::size_t k = static_cast<std::size_t>(settle); k < periods_.size(); ++k) {
    const double theta = periods_[k].theta;
    sum += theta;
    square_sum += theta * theta;
    slowest = std::min(slowest, periods_[k].speed - periods_[k].speed_swing);
  }
  const double mean = sum / n;
  const double variance = std::max(0.0, (square_sum - n * mean * mean) / (n - 1));
  Result result;
  result.counts_per_s2_per_count = mean;
  result.relative_error = std::sqrt(variance / n) / std::abs(mean);
  result.periods = n;
  result.slowest_counts_per_s = slowest;
  return result;
}

}  // namespace drive
