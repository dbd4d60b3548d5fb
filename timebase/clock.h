#pragma once

#include <chrono>
#include <cstdint>

namespace timebase {

// One source of time for the UI framework's timers and the simulated drive.
//
// Requirements on an implementation:
//  - Now() never goes backwards.
//  - WaitUntil(t) returns once Now() >= t. A real clock sleeps; a virtual
//    clock jumps there at once, so a 20 ms timer costs no wall time and a
//    run is repeatable.
class Clock {
 public:
  using Duration = std::chrono::nanoseconds;

  virtual ~Clock() = default;
  virtual Duration Now() const = 0;
  virtual void WaitUntil(Duration t) = 0;
};

// Wall time, measured from the clock's construction.
class RealClock final : public Clock {
 public:
  RealClock();
  Duration Now() const override;
  void WaitUntil(Duration t) override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// Time that moves only when asked to.
class VirtualClock final : public Clock {
 public:
  Duration Now() const override { return now_; }
  void WaitUntil(Duration t) override;
  void Advance(Duration d);

 private:
  Duration now_{0};
};

// The clock the process uses; a real clock unless the host installs another.
Clock& CurrentClock();
// Installs `clock` (not owned) for the process; nullptr restores the real clock.
void SetCurrentClock(Clock* clock);

// A virtual clock installed as the process's clock while it lives; the clock
// that was installed before comes back afterwards. Scripts and simulated
// drive runs use it so that their time costs no wall time and repeats.
class ScopedVirtualClock {
 public:
  ScopedVirtualClock();
  ~ScopedVirtualClock();
  ScopedVirtualClock(const ScopedVirtualClock&) = delete;
  ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;

  VirtualClock& clock() { return clock_; }

 private:
  VirtualClock clock_;
  Clock* previous_;
};

}  // namespace timebase
