#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"

namespace {

using namespace std::chrono_literals;

TEST(VirtualClock, WaitingJumpsAndNeverGoesBack) {
  platform::VirtualClock clock;
  EXPECT_EQ(clock.Now(), 0ns);
  clock.WaitUntil(20ms);
  EXPECT_EQ(clock.Now(), 20ms);
  clock.WaitUntil(5ms);
  EXPECT_EQ(clock.Now(), 20ms);
  clock.Advance(-3ms);
  EXPECT_EQ(clock.Now(), 20ms);
  clock.Advance(1s);
  EXPECT_EQ(clock.Now(), 1020ms);
}

TEST(CurrentClock, TheHostChoosesAndCanRestoreRealTime) {
  platform::VirtualClock virtualClock;
  platform::SetCurrentClock(&virtualClock);
  platform::CurrentClock().WaitUntil(3600s);  // an hour of virtual time costs nothing
  EXPECT_EQ(platform::CurrentClock().Now(), 3600s);
  platform::SetCurrentClock(nullptr);
  EXPECT_LT(platform::CurrentClock().Now(), 3600s);
}

// Scopes nest: each puts back the clock that was installed before it.
TEST(CurrentClock, ScopedVirtualClocksNest) {
  platform::VirtualClock outer;
  platform::SetCurrentClock(&outer);
  outer.Advance(5s);
  {
    platform::ScopedVirtualClock inner;
    EXPECT_EQ(&platform::CurrentClock(), &inner.clock());
    EXPECT_EQ(platform::CurrentClock().Now(), 0s);
    platform::CurrentClock().WaitUntil(1s);
  }
  EXPECT_EQ(&platform::CurrentClock(), &outer);
  EXPECT_EQ(platform::CurrentClock().Now(), 5s);
  platform::SetCurrentClock(nullptr);
}

TEST(RealClock, Monotonic) {
  platform::RealClock clock;
  const auto a = clock.Now();
  clock.WaitUntil(a + 1ms);
  EXPECT_GE(clock.Now(), a + 1ms);
}

}  // namespace
