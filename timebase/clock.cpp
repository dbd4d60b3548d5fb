#include "timebase/clock.h"

#include <thread>

namespace timebase {

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}

Clock::Duration RealClock::Now() const {
  return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - start_);
}

void RealClock::WaitUntil(Duration t) {
  const Duration now = Now();
  if (t > now) std::this_thread::sleep_for(t - now);
}

void VirtualClock::WaitUntil(Duration t) {
  if (t > now_) now_ = t;
}

void VirtualClock::Advance(Duration d) {
  if (d > Duration::zero()) now_ += d;
}

namespace {
Clock* g_installed = nullptr;
}

Clock& CurrentClock() {
  static RealClock real;
  return g_installed ? *g_installed : real;
}

void SetCurrentClock(Clock* clock) { g_installed = clock; }

ScopedVirtualClock::ScopedVirtualClock() : previous_(g_installed) { SetCurrentClock(&clock_); }

ScopedVirtualClock::~ScopedVirtualClock() { SetCurrentClock(previous_); }

}  // namespace timebase
