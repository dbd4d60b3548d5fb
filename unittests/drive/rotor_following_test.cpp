// Whether a rotor followed a turning field, from synthetic counts.
#include <gtest/gtest.h>

#include <cmath>

#include "drive/rotor_following.h"

namespace drive {
namespace {

// Readings of a field turning `cycles` at an even pace, `per_cycle` counts a
// cycle, the rotor ringing about it with `ringing` cycles' amplitude; a
// lost cycle after `slip_at` of them.
FieldFollowing Turn(int cycles, double per_cycle, double ringing, double slip_at = -1) {
  FieldFollowing f;
  for (int k = 0; k <= 10000; ++k) {
    const double field = cycles * k / 10000.0;
    double rotor = field - 0.05 + ringing * std::sin(37.0 * field);
    if (slip_at >= 0 && field > slip_at) rotor -= 1.0;
    f.Add(field, std::llround(rotor * per_cycle), cycles);
  }
  return f;
}

TEST(RotorFollowing, RingingDoesNotHideAFollowingRotorNorALostCycleAnywhere) {
  EXPECT_TRUE(Turn(50, 80, 0.0).Followed(50 * 80, 50));
  EXPECT_TRUE(Turn(50, 80, 0.3).Followed(50 * 80, 50)) << "a rotor ringing by a third of a cycle";
  EXPECT_TRUE(Turn(50, -80, 0.3).Followed(-50 * 80, 50)) << "counting the other way";
  for (const double slip_at : {0.5, 12.0, 25.0, 37.0, 49.5}) {
    SCOPED_TRACE(slip_at);
    EXPECT_FALSE(Turn(50, 80, 0.2, slip_at).Followed(49 * 80, 50));
  }
  EXPECT_FALSE(Turn(50, 80, 0.0).Followed(50, 50)) << "one count a cycle tells nothing";
  EXPECT_FALSE(FieldFollowing().Followed(4000, 50)) << "no readings";
}

TEST(RotorFollowing, RestingCountIsTheMiddleOfTheSwing) {
  RestingCount rest;
  EXPECT_EQ(rest.value(), 0.0);
  for (int k = 0; k < 1000; ++k) rest.Add(std::llround(4000 + 7 * std::sin(0.01 * k)));
  EXPECT_DOUBLE_EQ(rest.value(), 4000.0);
  RestingCount half;
  half.Add(3);
  half.Add(4);
  EXPECT_DOUBLE_EQ(half.value(), 3.5) << "the caller rounds";
}

}  // namespace
}  // namespace drive
