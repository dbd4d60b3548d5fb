#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "drive/position_loop.h"

namespace drive {
namespace {

ScaledGain Encode(double x) {
  const int shift = x > 1.0 ? static_cast<int>(std::ceil(std::log2(x))) : 0;
  return {.mantissa = static_cast<std::int64_t>(x * 32767.0 / std::ldexp(1.0, shift)), .shift = shift};
}

double Units(std::int64_t q16) { return static_cast<double>(q16) / 65536.0; }

TEST(PositionLoop, ProportionalOutputKeepsTheFractionOfASpeedUnit) {
  // Commanding the speed loop, Kp is a fraction of a speed unit per count.
  const double kp = 0.2;
  PositionLoop loop({.kp = Encode(kp), .satp = 0, .imaxp = 32767});
  for (int error : {-7, -1, 0, 1, 3, 1000}) {
    EXPECT_NEAR(Units(loop.Step(error, 0)), kp * error, 1e-3 + 1e-4 * std::abs(error)) << error;
  }
}

TEST(PositionLoop, IntegralIsLimitedByImaxpAndOutputBySatp) {
  PositionLoop loop({.ki = Encode(0.5), .satp = 32767 - 300, .imaxp = 32767 - 200});
  for (int k = 0; k < 1000; ++k) loop.Step(100, 0);
  EXPECT_EQ(loop.integral_q16(), 200 * 65536);
  PositionLoop p_loop({.kp = Encode(10.0), .satp = 32767 - 300, .imaxp = 32767});
  EXPECT_EQ(Units(p_loop.Step(1000, 0)), 300.0);
  EXPECT_EQ(Units(p_loop.Step(-1000, 0)), -300.0);
}

TEST(PositionLoop, DerivativeIsFilteredByKdfp) {
  // A step of the error by 10 counts: the raw derivative Kd·10 in one
  // sample, seen through a first-order filter moving KDFP/32767 per sample.
  const double kd = 40.0;
  const double f = 3277.0 / 32767.0;  // the usual "filter_D" 0.1
  PositionLoop loop({.kd = Encode(kd), .kdfp = 3277, .satp = 0, .imaxp = 32767});
  loop.Step(0, 0);
  double expected = 0.0;
  // Sample 1 sees the step; afterwards the error stays, the raw term is 0.
  expected += f * (kd * 10 - expected);
  EXPECT_NEAR(Units(loop.Step(10, 0)), expected, 0.01);
  for (int k = 0; k < 20; ++k) {
    expected += f * (0.0 - expected);
    EXPECT_NEAR(Units(loop.Step(10, 0)), expected, 0.01) << k;
  }
  // Unfiltered: the whole kick in one sample, gone in the next.
  PositionLoop raw({.kd = Encode(kd), .kdfp = 32767, .satp = 0, .imaxp = 32767});
  raw.Step(0, 0);
  EXPECT_NEAR(Units(raw.Step(10, 0)), kd * 10, 0.05);
  EXPECT_NEAR(Units(raw.Step(10, 0)), 0.0, 0.01);
}

TEST(PositionLoop, FirstSampleDoesNotKickTheDerivative) {
  PositionLoop loop({.kd = Encode(40.0), .kdfp = 32767, .satp = 0, .imaxp = 32767});
  EXPECT_EQ(loop.Step(500, 0), 0);
}

TEST(PositionLoop, SpeedFeedForwardPassesTheReferenceSpeed) {
  // "KFFS_scl" equal to the transmission, 1 here: the reference speed goes
  // straight to the speed loop.
  PositionLoop loop({.kffs = Encode(1.0), .satp = 0, .imaxp = 32767});
  EXPECT_NEAR(Units(loop.Step(0, 0, 3 * 65536 + 32768)), 3.5, 1e-4);
}

TEST(PositionLoop, ErrorsBeyond32BitsSaturateInsteadOfWrapping) {
  const ScaledGain biggest{.mantissa = 32767, .shift = 15};
  PositionLoop loop({.kp = biggest, .ki = biggest, .kd = biggest, .kdfp = 32767, .kffs = biggest,
                     .satp = 0, .imaxp = 0});
  const std::int64_t far = std::int64_t{1} << 45;
  for (int k = 0; k < 5; ++k) EXPECT_EQ(Units(loop.Step(far, -far, far)), 32767.0);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(Units(loop.Step(-far, far, -far)), -32767.0);
}

TEST(PositionLoop, ClosedOnASpeedFollowerTheErrorDecaysAtKp) {
  // A position loop driving an ideal speed loop: the error falls by the
  // factor (1 − Kp) per sample, the discrete form of e^(−Kp·t/Ts).
  const double kp = 0.05;
  PositionLoop loop({.kp = Encode(kp), .satp = 0, .imaxp = 32767});
  double position = 0.0;
  const std::int64_t target = 100000;
  for (int k = 0; k < 60; ++k) {
    position += Units(loop.Step(target, static_cast<std::int64_t>(std::floor(position))));
  }
  const double expected_error = target * std::pow(1.0 - kp, 60);
  EXPECT_NEAR(target - position, expected_error, 0.01 * expected_error + 60);
}

}  // namespace
}  // namespace drive
