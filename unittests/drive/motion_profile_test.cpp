#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "drive/motion_profile.h"

namespace drive {
namespace {

NamedValues Segments(std::initializer_list<std::pair<double, double>> segments, bool repeat) {
  NamedValues vars;
  int i = 0;
  for (const auto& [count, slope] : segments) {
    vars.Set("a" + std::to_string(i), count);
    vars.Set("b" + std::to_string(i), slope);
    ++i;
  }
  vars.Set("MultiC", repeat ? 1 : 0);
  return vars;
}

TEST(MotionProfile, RunsEachSegmentForItsSamplesAndStopsWhereItEnded) {
  // Up by 0.25 for 4 samples with a 16.16 slope, hold 2, down 1 in one sample.
  MotionProfile profile(Segments({{4, 0.25}, {2, 0.0}, {1, -1.0}}, false));
  std::vector<double> seen;
  while (profile.Step()) seen.push_back(profile.reference_q16() / 65536.0);
  EXPECT_EQ(seen, (std::vector<double>{0.25, 0.5, 0.75, 1.0, 1.0, 1.0, 0.0}));
  EXPECT_FALSE(profile.Step());
  EXPECT_EQ(profile.reference_q16(), 0);
  EXPECT_EQ(profile.increment_q16(), 0);
}

TEST(MotionProfile, RepeatsUntilStoppedAndNeverRunsWithoutSamples) {
  MotionProfile repeating(Segments({{2, 1.0}, {2, -1.0}}, true));
  for (int k = 0; k < 40; ++k) ASSERT_TRUE(repeating.Step()) << k;
  EXPECT_EQ(repeating.reference_q16(), 0);  // ten whole passes
  MotionProfile empty(Segments({}, true));
  EXPECT_FALSE(empty.Step());
}

}  // namespace
}  // namespace drive
