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

// A cruise with a swing on an encoder of ten counts to the electrical
// cycle: the field stands at the middle of each count, so the true torque
// current is the current times the cosine of the rotor's offset from that
// middle, up to half a count (18 degrees).
struct CoarseCruise {
  static constexpr double kTheta = 250.0;  // counts/s² per current count
  static constexpr double kCount_rad = 2 * std::numbers::pi / 10;
  static constexpr double kOffset_rad = 0.3;
  static constexpr double kOmega = kTwoPi * 20;
  static constexpr int kPeriod = 500;  // at 10 kHz
  static constexpr double kSwing_A = 150;

  // Feeds both resolvers: one with the stator current and the
  // commutation, one with the torque current along the count's angle.
  static void Run(double cruise_counts_per_s, SwingResolver& along_fit, SwingResolver& along_count) {
    double y = 0.3;  // the rotor between the counts
    double v = cruise_counts_per_s;
    for (int k = 0; k < 40 * kPeriod; ++k) {
      const double t = k * 1e-4;
      const double i = kSwing_A * std::cos(kOmega * t);
      const double count = std::round(y);
      const double field = count * kCount_rad + kOffset_rad;
      along_fit.Add(t, count, -i * std::sin(field), i * std::cos(field));
      along_count.Add(t, count, i);
      const double offset = (count - y) * kCount_rad;
      v += kTheta * i * std::cos(offset) * 1e-4;
      y += v * 1e-4;
    }
  }
};

TEST(InertiaSwing, CoarseEncoderTorqueTakenAlongTheFittedPosition) {
  const Commutation commutation{.origin_counts = 0, .angle_per_count_rad = CoarseCruise::kCount_rad,
                                .offset_rad = CoarseCruise::kOffset_rad};
  SwingResolver along_fit(CoarseCruise::kOmega, CoarseCruise::kPeriod, commutation);
  SwingResolver along_count(CoarseCruise::kOmega, CoarseCruise::kPeriod);
  CoarseCruise::Run(800.0, along_fit, along_count);
  const auto fitted = along_fit.Solve(2);
  const auto counted = along_count.Solve(2);
  ASSERT_TRUE(fitted && counted);
  EXPECT_NEAR(fitted->counts_per_s2_per_count, CoarseCruise::kTheta, 0.005 * CoarseCruise::kTheta);
  // The count's angle misses the mean cosine over a count, sin(d/2)/(d/2):
  // 1.6 % at ten counts a cycle.
  EXPECT_LT(counted->counts_per_s2_per_count, 0.99 * CoarseCruise::kTheta);
}

TEST(InertiaSwing, SlowestSpeedTellsACruiseThatCameDownThroughZero) {
  // The swing's speed amplitude: theta * I / w, about 300 counts/s.
  for (const double cruise : {800.0, 150.0}) {
    SCOPED_TRACE(cruise);
    SwingResolver swing(CoarseCruise::kOmega, CoarseCruise::kPeriod);
    SwingResolver unused(CoarseCruise::kOmega, CoarseCruise::kPeriod);
    CoarseCruise::Run(cruise, unused, swing);
    const auto r = swing.Solve(2);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->slowest_counts_per_s > 0, cruise > 300);
    EXPECT_LT(r->slowest_counts_per_s, cruise - 250);
    EXPECT_NEAR(*swing.last_speed_swing(), 300, 30);
  }
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
