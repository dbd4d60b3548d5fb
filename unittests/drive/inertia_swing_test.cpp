// The swing's inertia and the ringing damper on synthetic motion whose
// answer is known.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "drive/inertia_swing.h"
#include "drive/ringing_damper.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

TEST(InertiaSwing, FindsThetaPastFrictionDriftAndADelayedCurrent) {
  const double theta = 250.0;  // counts/s² per current count
  const double omega = kTwoPi * 20;
  const int period = 500;  // at 10 kHz
  const double ts = 1e-4;
  SwingResolver swing(omega, period);
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 3.0);
  double x = 0.0;
  double v = 300.0;  // a drift
  for (int k = 0; k < 60 * period; ++k) {
    const double t = k * ts;
    const double i = 4000 * std::cos(omega * t);
    swing.Add(t, std::floor(x), i + noise(rng));
    // The torque follows the current half a sample late; Coulomb friction
    // brakes against the motion.
    const double a = theta * 4000 * std::cos(omega * (t - ts / 2)) - 20000 * (v > 0 ? 1 : -1);
    v += a * ts;
    x += v * ts;
  }
  const auto r = swing.Solve(2);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->periods, 58);
  EXPECT_NEAR(r->counts_per_s2_per_count, theta, 0.01 * theta);
  EXPECT_LT(r->relative_error, 0.005);
  EXPECT_FALSE(SwingResolver(omega, period).Solve(0)) << "no period yet";
}

TEST(InertiaSwing, ScatterOfThePeriodsShowsAnUntrustworthyResult) {
  const double omega = kTwoPi * 20;
  const int period = 500;
  SwingResolver swing(omega, period);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> jump(-30, 30);
  for (int k = 0; k < 20 * period; ++k) {
    const double t = k * 1e-4;
    // A swing of two counts buried in jumps of thirty.
    swing.Add(t, std::round(-2 * std::cos(omega * t) + jump(rng)), 1000 * std::cos(omega * t));
  }
  const auto r = swing.Solve(2);
  ASSERT_TRUE(r.has_value());
  EXPECT_GT(r->relative_error, 0.05);
}

TEST(RingingDamper, LeadsAgainstTheMotionAndNeverPastItsLimit) {
  RingingDamper damper(100.0, 1e-4);  // 100 counts an electrical cycle
  double lead = 0;
  for (int k = 0; k < 2000; ++k) lead = damper.Lead(k);  // a cycle per 100 samples: 628 rad/s
  EXPECT_GT(lead, 0.0) << "forward motion: the field steps back";
  EXPECT_NEAR(damper.speed_rad_s(), kTwoPi * 100, 1.0);
  EXPECT_LE(lead, RingingDamper::kMaxLead_rad);
  RingingDamper back(100.0, 1e-4);
  for (int k = 0; k < 2000; ++k) lead = back.Lead(-k);
  EXPECT_LT(lead, 0.0);
  EXPECT_GE(lead, -RingingDamper::kMaxLead_rad);
}

}  // namespace
}  // namespace drive
