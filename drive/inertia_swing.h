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
//
// A coarse encoder tells the rotor's angle only to within a count, and the
// torque current taken along a count's angle is off by as much. Given the
// commutation, the resolver takes the torque current along the angle of
// the fitted position instead: the fit runs smoothly through the counts.
namespace drive {

// The electrical angle of a position x (counts):
// (x - origin_counts) * angle_per_count_rad + offset_rad.
struct Commutation {
  double origin_counts = 0.0;
  double angle_per_count_rad = 0.0;
  double offset_rad = 0.0;
};

class SwingResolver {
 public:
  // `omega_rad_s`: the swing's angular frequency; `period_samples`: fast
  // samples per period (the swing is set so that a period holds a whole
  // number of them).
  SwingResolver(double omega_rad_s, int period_samples, const Commutation& commutation = {});

  // One fast sample at time t since the swing began: the position (counts)
  // and the stator current (counts, alpha and beta), whose torque part lies
  // at right angles to the commutation's angle.
  void Add(double t_s, double position_counts, double current_alpha, double current_beta);
  // The same with the torque current given, for a resolver made without a
  // commutation (whose angle is then 0 throughout).
  void Add(double t_s, double position_counts, double torque_current) {
    Add(t_s, position_counts, 0.0, torque_current);
  }

  struct Result {
    double counts_per_s2_per_count = 0.0;  // theta
    double relative_error = 0.0;           // standard error of the mean theta over theta
    int periods = 0;
    // The lowest speed the axis passed through: each period's mean speed
    // less its speed swing, the least of them.
    double slowest_counts_per_s = 0.0;
  };
  // Over the periods resolved so far, leaving out the first `settle`
  // (the swing's start); nothing with fewer than two.
  std::optional<Result> Solve(int settle) const;

  // Periods resolved so far, and the amplitude of the speed swing in the
  // last of them (counts per second).
  int periods() const { return static_cast<int>(periods_.size()); }
  std::optional<double> last_speed_swing() const;

 private:
  struct Reading {
    double t_s;
    double position;
    double alpha;
    double beta;
  };
  void EndOfPeriod();

  double omega_;
  int period_samples_;
  Commutation commutation_;
  std::vector<Reading> period_;
  struct Period {
    double theta;
    double speed;        // the mean over the period, counts per second
    double speed_swing;  // amplitude, counts per second
  };
  std::vector<Period> periods_;
};

}  // namespace drive
