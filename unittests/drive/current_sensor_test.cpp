#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "drive/current_sensor.h"

namespace drive {
namespace {

TEST(CurrentSensor, ScaleIsAdcMaxOverTwiceFullScale) {
  CurrentSensor sensor({.full_scale_A = 5.0, .adc_max_counts = 4095, .converter_bits = 12});
  EXPECT_DOUBLE_EQ(sensor.counts_per_A(), 4095 / 10.0);
  EXPECT_EQ(sensor.step_counts(), 1);
  EXPECT_EQ(sensor.Measure_counts(1.0), 410);  // 409.5 rounds away from zero
  EXPECT_EQ(sensor.Measure_counts(0.0), 0);
}

TEST(CurrentSensor, QuantisesToTheConverterStepOverTheWholeRange) {
  // A 12-bit converter left-aligned in 16-bit counts moves in steps of 16.
  CurrentSensor sensor({.full_scale_A = 8.0, .adc_max_counts = 65520, .converter_bits = 12});
  ASSERT_EQ(sensor.step_counts(), 16);
  const double half_step_A = 8.0 / 65520.0 * 16.0;  // one step is 16 / counts_per_A
  for (int n = -1000; n <= 1000; ++n) {
    const double current_A = n * 0.00791;
    const std::int32_t counts = sensor.Measure_counts(current_A);
    EXPECT_EQ(counts % 16, 0);
    EXPECT_LE(std::abs(sensor.ToCurrent_A(counts) - current_A), half_step_A * (1 + 1e-9)) << current_A;
  }
}

TEST(CurrentSensor, ClipsAtFullScaleAndOneStepBeyond) {
  CurrentSensor sensor({.full_scale_A = 8.0, .adc_max_counts = 65520, .converter_bits = 12});
  const std::int32_t top = sensor.Measure_counts(8.0);
  EXPECT_EQ(top, 32752);  // largest multiple of 16 within half of 65520
  EXPECT_EQ(sensor.Measure_counts(8.0 + 16 / sensor.counts_per_A()), top);
  EXPECT_EQ(sensor.Measure_counts(1e6), top);
  EXPECT_EQ(sensor.Measure_counts(-1e6), -top);
}

std::vector<std::int32_t> NoisyRun(std::uint64_t seed) {
  CurrentSensor sensor({.full_scale_A = 8.0, .adc_max_counts = 65520, .converter_bits = 16,
                        .noise_rms_A = 0.05, .seed = seed});
  std::vector<std::int32_t> counts;
  for (int n = 0; n < 20000; ++n) counts.push_back(sensor.Measure_counts(1.0));
  return counts;
}

TEST(CurrentSensor, NoiseRepeatsBitForBitWithTheSameSeed) {
  const std::vector<std::int32_t> first = NoisyRun(42);
  EXPECT_EQ(first, NoisyRun(42));
  EXPECT_NE(first, NoisyRun(43));
}

TEST(CurrentSensor, NoiseHasTheRequestedMeanAndSpread) {
  const std::vector<std::int32_t> counts = NoisyRun(7);
  const double counts_per_A = 65520 / 16.0;
  double sum = 0.0;
  double sum_sq = 0.0;
  for (const std::int32_t c : counts) {
    const double a = c / counts_per_A;
    sum += a;
    sum_sq += a * a;
  }
  const double mean_A = sum / counts.size();
  const double rms_A = std::sqrt(sum_sq / counts.size() - mean_A * mean_A);
  // 20000 draws: standard error 0.05/√20000 = 0.00035 A on the mean and 0.5 %
  // on the spread; quantisation adds 1/√12 step = 0.07 mA in quadrature.
  EXPECT_NEAR(mean_A, 1.0, 0.0015);
  EXPECT_NEAR(rms_A / 0.05, 1.0, 0.03);
}

}  // namespace
}  // namespace drive
