#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "drive/speed_loop.h"

namespace drive {
namespace {

// The gain register pair the setup writes for a gain x.
ScaledGain Encode(double x) {
  const int shift = x > 1.0 ? static_cast<int>(std::ceil(std::log2(x))) : 0;
  return {.mantissa = static_cast<std::int64_t>(x * 32767.0 / std::ldexp(1.0, shift)), .shift = shift};
}

std::int64_t Q16(double x) { return static_cast<std::int64_t>(std::llround(x * 65536.0)); }

TEST(ScaledGain, ActsAsMantissaTimesTwoToTheShiftOver32767) {
  for (double x : {0.001, 0.37, 1.0, 1.5, 12.3, 425.6, 16384.0}) {
    const ScaledGain gain = Encode(x);
    EXPECT_NEAR(gain.value(), x, x * 1e-4 + 1e-4) << x;
    const std::int64_t input = Q16(3.25);
    EXPECT_NEAR(static_cast<double>(gain.Apply(input)), gain.value() * input, 1.0) << x;
  }
  // Floor, as an arithmetic shift: negative results round down.
  EXPECT_EQ((ScaledGain{.mantissa = 16384, .shift = 0}).Apply(-1), -1);
  EXPECT_EQ((ScaledGain{.mantissa = 16384, .shift = 0}).Apply(1), 0);
}

TEST(SpeedLoop, ProportionalStepMatchesTheContinuousGain) {
  // The units of the tuning: Kp in current counts per speed unit.
  const double kp = 425.6;
  SpeedLoop loop({.kp = Encode(kp), .sats = 0, .imaxs = 32767});
  for (double error : {-20.0, -0.25, 0.0, 0.1, 3.0, 50.0}) {
    const double expected = std::clamp(kp * error, -32767.0, 32767.0);
    EXPECT_NEAR(loop.Step(Q16(error), 0), expected, kp * 1e-4 * std::abs(error) + 1.0) << error;
  }
}

TEST(SpeedLoop, IntegralRampsByKiTimesErrorPerSampleUpToItsLimit) {
  const double ki = 2.75;
  // IMAXS leaves an integral limit of 1000 counts; SATS the full range.
  SpeedLoop loop({.ki = Encode(ki), .sats = 0, .imaxs = 32767 - 1000});
  const double error = 1.5;  // speed units
  for (int k = 1; k <= 400; ++k) {
    const double out = loop.Step(Q16(error), 0);
    const double expected = std::min(ki * error * k, 1000.0);
    EXPECT_NEAR(out, expected, 1.0 + 1e-3 * expected) << k;
  }
  // The limit holds the integral, not just the output: the way back down
  // starts at once.
  const double back = loop.Step(Q16(-error), 0);
  EXPECT_NEAR(back, 1000.0 - ki * error, 1.5);
}

TEST(SpeedLoop, OutputSaturatesSymmetricallyAtTheCurrentLimit) {
  SpeedLoop loop({.kp = Encode(1000.0), .sats = 32767 - 4000, .imaxs = 32767});
  EXPECT_EQ(loop.Step(Q16(100.0), 0), 4000);
  EXPECT_EQ(loop.Step(0, Q16(100.0)), -4000);
  SpeedLoop stopped({.kp = Encode(1000.0), .sats = 32767, .imaxs = 32767});
  EXPECT_EQ(stopped.Step(Q16(100.0), 0), 0);  // 32767 means a limit of 0
}

TEST(SpeedLoop, ExtremeRegistersAndErrorsNeverWrapAround) {
  // The largest gains the registers hold against the largest errors.
  const ScaledGain biggest{.mantissa = 32767, .shift = 15};
  SpeedLoop loop({.kp = biggest, .ki = biggest, .kffa = {.mantissa = 32767, .shift = 22}, .sats = 0, .imaxs = 0});
  const std::int64_t huge = std::int64_t{1} << 40;
  for (int k = 0; k < 10; ++k) EXPECT_EQ(loop.Step(huge, -huge, huge), 32767);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(loop.Step(-huge, huge, -huge), -32767);
  // Full scale plus one step: the error clamps at 32 bits, the output at 16.
  SpeedLoop p_only({.kp = Encode(1.0), .sats = 0, .imaxs = 32767});
  EXPECT_EQ(p_only.Step(Q16(32766.0), 0), 32766);
  EXPECT_EQ(p_only.Step(Q16(32767.0), 0), 32767);
  EXPECT_EQ(p_only.Step(Q16(32768.0), 0), 32767);
  EXPECT_EQ(p_only.Step(-Q16(40000.0), 0), -32767);
}

TEST(SpeedLoop, AccelerationFeedForwardAddsKffaTimesTheReferenceSlope) {
  // KFFA_scl 5000 splits into "SFTAFFW" 11 and "SFTKFF" 2; the drive uses
  // their sum.
  const double kffa = 5000.0;
  const ScaledGain gain{.mantissa = static_cast<std::int64_t>(kffa * 32767 / 8192.0), .shift = 13};
  SpeedLoop loop({.kffa = gain, .sats = 0, .imaxs = 32767});
  const double slope = 0.05;  // speed units per sample
  EXPECT_NEAR(loop.Step(0, 0, Q16(slope)), kffa * slope, 1.0);
  EXPECT_EQ(loop.integral_q16(), 0);
}

TEST(SpeedLoop, ClosedOnAnInertiaTheStepSettlesAsDesigned) {
  // A speed loop closed on a pure inertia: speed (units per sample) gains
  // b · current each sample. With the tuning's continuous PI (bandwidth w,
  // damping 1) the response to a step has its familiar 13.5 % overshoot.
  const double ts = 1e-3;
  const double w = 60.0;
  const double b = 0.002;  // speed units per sample per current count, per sample
  const double kp = 2.0 * w / (b / ts);
  const double ki = w * w * ts / (b / ts);
  SpeedLoop loop({.kp = Encode(kp), .ki = Encode(ki), .sats = 0, .imaxs = 0});
  double speed = 0.0;
  double peak = 0.0;
  const double target = 10.0;
  for (int k = 0; k < 2000; ++k) {
    const int current = loop.Step(Q16(target), Q16(speed));
    speed += b * current;
    peak = std::max(peak, speed);
  }
  EXPECT_NEAR(speed, target, 0.05);
  // Continuous loop: y = 1 − e^(−wt) + wt·e^(−wt), peaking at t = 2/w with
  // 1 + e^(−2), 13.5 %; the sampled loop (w·Ts = 0.06) stays close to it.
  EXPECT_NEAR(peak / target - 1.0, 0.135, 0.03);
}

}  // namespace
}  // namespace drive
