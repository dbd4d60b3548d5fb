#include "commissioning/reference_profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace commissioning {
namespace {

constexpr double kT = 1e-3;
using ProfileFn = Result<Profile, ProfileError> (*)(double, const ProfileTimes&, double, int);

struct Kind {
  const char* name;
  ProfileFn build;
};
constexpr Kind kKinds[] = {{"speed", &SpeedProfile}, {"position", &PositionProfile}};

std::int64_t Q16(double units) { return static_cast<std::int64_t>(std::floor(units * 65536.0 + 0.5)); }

void ExpectWithinLimits(const Profile& profile) {
  for (int i = 0; i < kProfileSegments; ++i) {
    SCOPED_TRACE(i);
    EXPECT_LE(profile[i].count, kMaxSegmentCount);
    EXPECT_LE(std::round(std::fabs(profile[i].increment_q16 / 65536.0)), kMaxIncrement);
  }
}

TEST(ReferenceProfile, RandomProfilesStayWithinLimitsAndEndExactly) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 3000; ++trial) {
    const Kind& kind = kKinds[trial % 2];
    const bool speed = kind.build == &SpeedProfile;
    const int type = trial / 2 % 3;
    // Speeds of up to 2000 counts per sample, some with a fraction of
    // 1/65536 as the speed estimator gives, ramps of 2 samples and more;
    // positions of up to 5e6 counts over ramps long enough for 16-bit slopes.
    std::uniform_real_distribution<double> time_s(speed ? 0.0015 : 0.2, 3.0);
    const ProfileTimes times{time_s(random), time_s(random), time_s(random), time_s(random)};
    const double target = speed ? std::round(unit(random) * 2000 * 65536) / 65536 : std::round(unit(random) * 5e6);
    SCOPED_TRACE(::testing::Message() << kind.name << " type " << type << " target " << target << " times "
                                      << times.rise_s << " " << times.hold_s << " " << times.fall_s << " "
                                      << times.rest_s);
    const auto profile = kind.build(target, times, kT, type);
    ASSERT_TRUE(profile.ok()) << static_cast<int>(profile.error());
    const Profile& p = profile.value();
    ExpectWithinLimits(p);
    EXPECT_EQ(ProfileEnd_q16(p), 0) << "back exactly at rest";
    if (type == kReferenceBothWays) {
      // Each sloped sample rounds by at most half a 1/65536 unit.
      EXPECT_NEAR(static_cast<double>(ProfileReach_q16(p, 3)), static_cast<double>(-Q16(target)),
                  0.5 * (p[0].count + p[2].count) + 1);
    } else {
      const std::int64_t signedTarget = type == kReferenceOtherWay ? -Q16(target) : Q16(target);
      EXPECT_EQ(ProfileReach_q16(p, 2), signedTarget) << "the rise lands exactly";
      EXPECT_EQ(ProfileReach_q16(p, 3), signedTarget) << "and holds";
    }
  }
}

// Over times from none to beyond a segment and targets up to far beyond a
// 16-bit slope: a profile is refused exactly when a segment cannot hold its
// samples or its slope, and one that runs keeps within the limits and ends
// on its targets.
TEST(ReferenceProfile, RefusedExactlyWhenASegmentDoesNotFit) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int refused = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const Kind& kind = kKinds[trial % 2];
    const int type = trial / 2 % 3;
    // Times on a log scale from a tenth of a sample to 40 s, some exactly 0.
    const auto time = [&] { return unit(random) < 0.05 ? 0.0 : kT * std::pow(10.0, unit(random) * 5.6 - 1); };
    const ProfileTimes times{time(), time(), time(), time()};
    const double target = std::round((unit(random) - 0.5) * std::pow(10.0, unit(random) * 9));
    SCOPED_TRACE(::testing::Message() << kind.name << " type " << type << " target " << target << " times "
                                      << times.rise_s << " " << times.hold_s << " " << times.fall_s << " "
                                      << times.rest_s);
    const auto N = [](double t) { return std::round(t / kT); };
    std::vector<double> ramps{N(times.rise_s), N(times.fall_s)};
    if (type == kReferenceBothWays) ramps.push_back(N(2 * times.fall_s));
    const double holds[] = {N(times.hold_s), N(times.rest_s)};
    const double shortest = *std::min_element(ramps.begin(), ramps.end());
    bool countsFit = true;
    for (double n : ramps) countsFit = countsFit && n <= kMaxSegmentCount;
    for (double n : holds) countsFit = countsFit && n <= kMaxSegmentCount;
    // Every ramp moves at most twice the target (both ways: through the
    // opposite one) over its samples less one.
    const bool slopesFit = shortest >= 2 && 2 * std::fabs(target) / (shortest - 1) < kMaxIncrement;
    const bool slopesCannotFit = shortest >= 2 && std::fabs(target) / shortest > kMaxIncrement + 1;
    const auto profile = kind.build(target, times, kT, type);
    if (countsFit && slopesFit) {
      ASSERT_TRUE(profile.ok()) << static_cast<int>(profile.error());
    }
    if (!countsFit || slopesCannotFit || shortest == 0) {
      ASSERT_FALSE(profile.ok());
    }
    if (!profile.ok()) {
      ++refused;
      if (countsFit && shortest >= 2) {
        EXPECT_EQ(profile.error(), ProfileError::kSlopeOverflow) << "every segment holds its samples";
      }
      continue;
    }
    ExpectWithinLimits(profile.value());
    EXPECT_EQ(ProfileEnd_q16(profile.value()), 0);
    if (type != kReferenceBothWays) {
      EXPECT_EQ(std::llabs(ProfileReach_q16(profile.value(), 2)), Q16(std::fabs(target)));
    }
  }
  EXPECT_GT(refused, 2000) << "the draws reach both sides of the limits";
  EXPECT_LT(refused, 18000);
}

TEST(ReferenceProfile, OneWayRampsTakeTheMeanSlopeAndLandWithOneSample) {
  const ProfileTimes times{.rise_s = 0.003, .hold_s = 0.010, .fall_s = 0.003, .rest_s = 0.005};
  const auto profile = SpeedProfile(10.0, times, kT, kReferenceOneWay);
  ASSERT_TRUE(profile.ok());
  const std::int64_t third = Q16(10.0 / 3.0);
  EXPECT_EQ(profile.value()[0], (ProfileSegment{2, third}));
  EXPECT_EQ(profile.value()[1], (ProfileSegment{1, Q16(10) - 2 * third}));
  EXPECT_EQ(profile.value()[2], (ProfileSegment{10, 0}));
  EXPECT_EQ(profile.value()[3], (ProfileSegment{2, -third}));
  EXPECT_EQ(profile.value()[4], (ProfileSegment{1, -Q16(10) + 2 * third}));
  EXPECT_EQ(profile.value()[5], (ProfileSegment{5, 0}));

  const auto otherWay = SpeedProfile(10.0, times, kT, kReferenceOtherWay);
  ASSERT_TRUE(otherWay.ok());
  EXPECT_EQ(otherWay.value()[0].increment_q16, -third);
  EXPECT_EQ(ProfileReach_q16(otherWay.value(), 2), -Q16(10));
  EXPECT_TRUE(SpeedProfile(10.0, times, kT, 7).ok()) << "an unknown type runs as type 0";
  EXPECT_EQ(SpeedProfile(10.0, times, kT, 7).value(), profile.value());
}

TEST(ReferenceProfile, BothWaysGoesThroughTheOppositeTargetAndCancelsTheRest) {
  const ProfileTimes times{.rise_s = 0.007, .hold_s = 0.004, .fall_s = 0.003, .rest_s = 0.002};
  const auto profile = SpeedProfile(100.0, times, kT, kReferenceBothWays);
  ASSERT_TRUE(profile.ok());
  const Profile& p = profile.value();
  EXPECT_EQ(p[0], (ProfileSegment{7, Q16(100.0 / 7)}));
  EXPECT_EQ(p[1], (ProfileSegment{4, 0}));
  EXPECT_EQ(p[2].count, 6u);
  EXPECT_EQ(p[2].increment_q16, Q16(-(7 * Q16(100.0 / 7) / 65536.0 + 100) / 6));
  EXPECT_EQ(p[3], (ProfileSegment{2, 0}));
  EXPECT_EQ(p[4], (ProfileSegment{2, Q16(50)}));
  EXPECT_EQ(p[5].count, 1u);
  EXPECT_EQ(ProfileEnd_q16(p), 0);
  // A return of one sample is one sample standing still before the last.
  const auto oneBack = SpeedProfile(100.0, {0.007, 0.004, 0.001, 0.002}, kT, kReferenceBothWays);
  ASSERT_TRUE(oneBack.ok());
  EXPECT_EQ(oneBack.value()[4], (ProfileSegment{1, 0}));
  EXPECT_EQ(ProfileEnd_q16(oneBack.value()), 0);
}

TEST(ReferenceProfile, ShortRampsDifferBetweenSpeedAndPosition) {
  const ProfileTimes oneSample{.rise_s = 0.001, .hold_s = 0.002, .fall_s = 0.001, .rest_s = 0.0};
  // Speed: a first segment of one sample at the full change, a correcting
  // sample of nothing.
  const auto speed = SpeedProfile(50.0, oneSample, kT, kReferenceOneWay);
  ASSERT_TRUE(speed.ok());
  EXPECT_EQ(speed.value()[0], (ProfileSegment{1, Q16(50)}));
  EXPECT_EQ(speed.value()[1], (ProfileSegment{1, 0}));
  // Position: no first sample, the correcting sample carries the step.
  const auto position = PositionProfile(50.0, oneSample, kT, kReferenceOneWay);
  ASSERT_TRUE(position.ok());
  EXPECT_EQ(position.value()[0], (ProfileSegment{0, Q16(50)}));
  EXPECT_EQ(position.value()[1], (ProfileSegment{1, Q16(50)}));
  EXPECT_EQ(ProfileEnd_q16(position.value()), 0);
}

TEST(ReferenceProfile, EachSegmentIsCheckedInOrderCountBeforeSlope) {
  const ProfileTimes good{.rise_s = 0.01, .hold_s = 0.01, .fall_s = 0.01, .rest_s = 0.01};
  struct Case {
    const char* what;
    ProfileFn build;
    double target;
    ProfileTimes times;
    int type;
    ProfileError error;
  };
  const Case cases[] = {
      {"speed ramp of 0 samples: an infinite slope", &SpeedProfile, 10, {0.0, 0.01, 0.01, 0.01}, 0,
       ProfileError::kSlopeOverflow},
      {"speed fall of 0 samples", &SpeedProfile, 10, {0.01, 0.01, 0.0004, 0.01}, 0, ProfileError::kSlopeOverflow},
      {"position ramp of 0 samples: a count of 2^32 - 1", &PositionProfile, 10, {0.0, 0.01, 0.01, 0.01}, 0,
       ProfileError::kCountOutOfRange},
      {"position ramp of 0 samples to 0 as well", &PositionProfile, 0, {0.0, 0.01, 0.01, 0.01}, 0,
       ProfileError::kCountOutOfRange},
      {"hold of 32768 samples", &SpeedProfile, 10, {0.01, 32.768, 0.01, 0.01}, 0, ProfileError::kCountOutOfRange},
      {"hold of 32767 samples is allowed, rest of 32768 is not", &PositionProfile, 10, {0.01, 32.767, 0.01, 32.768},
       1, ProfileError::kCountOutOfRange},
      {"slope of 32767.5 per sample", &SpeedProfile, 32767.5 * 3, {0.003, 0.01, 0.01, 0.01}, 0,
       ProfileError::kSlopeOverflow},
      {"both ways, fall of 0 samples: the way through has an infinite slope", &PositionProfile, 10,
       {0.01, 0.01, 0.0, 0.01}, 2, ProfileError::kSlopeOverflow},
      {"both ways, 1 sample through but a return of 0", &SpeedProfile, 10, {0.01, 0.01, 0.0004, 0.01}, 2,
       ProfileError::kCountOutOfRange},
      {"both ways, rise of 0 samples", &SpeedProfile, 10, {0.0, 0.01, 0.01, 0.01}, 2, ProfileError::kSlopeOverflow},
      {"negative time", &SpeedProfile, 10, {0.01, -0.01, 0.01, 0.01}, 0, ProfileError::kCountOutOfRange},
      {"time not a number", &PositionProfile, 10, {0.01, NAN, 0.01, 0.01}, 0, ProfileError::kCountOutOfRange},
      {"target not a number", &SpeedProfile, NAN, good, 0, ProfileError::kSlopeOverflow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto profile = c.build(c.target, c.times, kT, c.type);
    ASSERT_FALSE(profile.ok());
    EXPECT_EQ(profile.error(), c.error);
  }
  EXPECT_EQ(SpeedProfile(10, good, 0.0, 0).error(), ProfileError::kCountOutOfRange) << "no loop period";
  EXPECT_TRUE(SpeedProfile(32767.0 * 3, {0.003, 0.01, 0.01, 0.01}, kT, 0).ok()) << "full scale slope fits";
}

}  // namespace
}  // namespace commissioning
