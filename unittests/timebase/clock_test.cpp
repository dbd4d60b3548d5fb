#include <gtest/gtest.h>

#include <chrono>

#include "timebase/clock.h"

namespace {

using namespace std::chrono_literals;

TEST(VirtualClock, WaitingJumpsAndNeverGoesBack) {
  timebase::VirtualClock clock;
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
  timebase::VirtualClock virtualClock;
  timebase::SetCurrentClock(&virtualClock);
  timebase::CurrentClock().WaitUntil(3600s);  // an hour of virtual time costs nothing
  EXPECT_EQ(timebase::CurrentClock().Now(), 3600s);
  timebase::SetCurrentClock(nullptr);
  EXPECT_LT(timebase::CurrentClock().Now(), 3600s);
}

// Scopes nest: each puts back the clock that was installed before it.
TEST(CurrentClock, ScopedVirtualClocksNest) {
  timebase::VirtualClock outer;
  timebase::SetCurrentClock(&outer);
  outer.Advance(5s);
  {
    timebase::ScopedVirtualClock inner;
    EXPECT_EQ(&timebase::CurrentClock(), &inner.clock());
    EXPECT_EQ(timebase::CurrentClock().Now(), 0s);
    timebase::CurrentClock().WaitUntil(1s);
  }
  EXPECT_EQ(&timebase::CurrentClock(), &outer);
  EXPECT_EQ(timebase::CurrentClock().Now(), 5s);
  timebase::SetCurrentClock(nullptr);
}

TEST(RealClock, Monotonic) {
  timebase::RealClock clock;
  const auto a = clock.Now();
  clock.WaitUntil(a + 1ms);
  EXPECT_GE(clock.Now(), a + 1ms);
}

}  // namespace
