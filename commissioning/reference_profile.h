#pragma once

#include <array>
#include <cstdint>

#include "commissioning/result.h"

// The reference profiles of the speed and position tuning programs: six
// segments, each a number of slow-loop samples and a constant increment of
// the reference per sample in 16.16 fixed point. The drive adds
// count x increment for each segment in turn, so every ramp ends with one
// correcting sample that lands exactly on its target, and a profile that
// returns to rest ends exactly on 0.
namespace commissioning {

inline constexpr int kProfileSegments = 6;
// The drive takes a count and a rounded increment each within a signed
// 16-bit word.
inline constexpr std::uint32_t kMaxSegmentCount = 32767;
inline constexpr double kMaxIncrement = 32767.0;
inline constexpr double kQ16One = 65536.0;

struct ProfileSegment {
  std::uint32_t count = 0;
  std::int64_t increment_q16 = 0;  // written as increment_q16 / 65536

  bool operator==(const ProfileSegment&) const = default;
};
using Profile = std::array<ProfileSegment, kProfileSegments>;

// Why a profile cannot run; the values are the string-table entries whose
// texts the dialog shows.
enum class ProfileError : unsigned {
  kCountOutOfRange = 1,  // a segment of no or too many samples
  kSlopeOverflow = 2,    // an increment beyond a 16-bit word
};

// "TaPS", "TPS", "TaNS", "TNS" (speed) or "TaPP", "TPP", "TaNP", "TNP"
// (position), in seconds.
struct ProfileTimes {
  double rise_s;
  double hold_s;
  double fall_s;
  double rest_s;
};

// "SpeedTestReferenceType" / "PositionTestReferenceType": 0 to the target
// and back, 1 the same in the other direction, 2 to the target, through
// the opposite target and back to 0. Any other value counts as 0.
inline constexpr int kReferenceOneWay = 0;
inline constexpr int kReferenceOtherWay = 1;
inline constexpr int kReferenceBothWays = 2;

// `target` is the quantised test speed or position in internal units;
// `period_s` the slow-loop period. The segments are checked in order, each
// count before its increment; the first that does not fit gives the error.
// A ramp of N samples whose first segment has N - 1 of them: the speed
// profile gives a ramp of 0 or 1 samples a first segment of 1 sample (so a
// ramp of 0 samples overflows the slope), the position profile keeps N - 1
// (so a ramp of 0 samples has no valid count).
Result<Profile, ProfileError> SpeedProfile(double target, const ProfileTimes& times, double period_s,
                                           int referenceType);
Result<Profile, ProfileError> PositionProfile(double target, const ProfileTimes& times, double period_s,
                                              int referenceType);

// Where the reference stands after the whole profile, 16.16.
std::int64_t ProfileEnd_q16(const Profile& profile);
// Where it stands after the first `segments` segments.
std::int64_t ProfileReach_q16(const Profile& profile, int segments);

}  // namespace commissioning
