#pragma once

#include <optional>
#include <vector>

// The inertia of an axis from its swing under a torque current
// i(t) = I cos(w t): the position then swings as x = -theta I / w^2 cos(w t),
// theta the acceleration per unit of current (K / J in the drive's counts).
//
// Each whole period of the swing is resolved on its own, by least squares
// of the position on cos, sin, a constant and a straight line (the axis may
// creep while it swings), and of the current on cos, sin and a constant.
// Only the parts in step with cos w t give theta: friction that turns round
// with the motion, and a current a fraction of a sample early or late, act
// in step with the speed, a quarter period away, and slow effects fall to
// the constant and the line. The mean of the periods' own thetas is the
// result, and their scatter tells how far to trust it.
namespace drive {

class SwingResolver {
 public:
  // `omega_rad_s`: the swing's angular frequency; `period_samples`: fast
  // samples per period (the swing is set so that a period holds a whole
  // number of them).
  SwingResolver(double omega_rad_s, int period_samples);

  // One fast sample: the position (counts) and the torque current (counts)
  // at time t since the swing began.
  void Add(double t_s, double position_counts, double current_counts);

  struct Result {
    double counts_per_s2_per_count = 0.0;  // theta
    double relative_error = 0.0;           // standard error of the mean theta over theta
    int periods = 0;
  };
  // Over the periods resolved so far, leaving out the first `settle`
  // (the swing's start); nothing with fewer than two.
  std::optional<Result> Solve(int settle) const;

 private:
  struct Reading {
    double t_s;
    double position;
    double current;
  };
  void EndOfPeriod();

  double omega_;
  int period_samples_;
  std::vector<Reading> period_;
  std::vector<double> thetas_;  // one per whole period
};

}  // namespace drive
