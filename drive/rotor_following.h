#pragma once

#include <array>
#include <cstdint>

// Whether a rotor followed a field that turned through whole electrical
// cycles, judged from the position counter alone: the encoder's resolution
// is what is being measured, so nothing else tells what a cycle is worth.
//
// Once the rotor has settled, the final count over the cycles gives the
// counts per cycle, c. The rotor's lag behind the field at any moment is
// then field - count / c, in cycles. A rotor that followed keeps that lag
// small on average, whatever it rings around it; one that slipped a cycle
// somewhere, stalled or was dragged behind shows a lag whose average drifts
// by half a cycle or more over the revolution. So the lag is averaged over
// each quarter of the revolution and the quarters compared: averaging
// takes out the rotor's ringing, which a stepper under current control
// keeps for a long time.
namespace drive {

class FieldFollowing {
 public:
  // One reading while the field turns: `field_cycles` of `cycles` done.
  void Add(double field_cycles, std::int64_t count, int cycles);

  // Whether the rotor followed, given the count after it settled. False
  // also when the count is too small to tell a cycle from the counter's
  // own step (less than two counts a cycle).
  bool Followed(double final_count, int cycles) const;

 private:
  static constexpr int kParts = 4;
  struct Part {
    double field_sum = 0.0;
    double count_sum = 0.0;
    std::int64_t readings = 0;
  };
  std::array<Part, kParts> parts_{};
};

// The middle of the highest and lowest count of a rotor ringing about its
// rest: where it rests, once the readings span a whole swing. A half count
// stays a half: the caller rounds what it makes of it.
class RestingCount {
 public:
  void Add(std::int64_t count);
  double value() const;

 private:
  std::int64_t lowest_ = 0;
  std::int64_t highest_ = 0;
  bool any_ = false;
};

}  // namespace drive
