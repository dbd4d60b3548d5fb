#include "commissioning/reference_profile.h"

#include <cmath>
#include <optional>

namespace commissioning {
namespace {

// Whether a ramp of 0 or 1 samples still gets a first segment of 1 sample.
enum class ShortRamp { kOneSample, kNoSamples };

class ProfileBuilder {
 public:
  ProfileBuilder(double period_s, ShortRamp shortRamp) : period_s_(period_s), shortRamp_(shortRamp) {}

  // Samples in `duration_s`, rounded; not finite for a period that is not.
  double Samples(double duration_s) const { return std::round(duration_s / period_s_); }

  // A segment of `count` samples adding `increment_q16` (a real number of
  // 1/65536 units, rounded here) per sample.
  void Add(double count, double increment_q16) {
    if (error_ || next_ == kProfileSegments) return;
    if (!std::isfinite(count) || count < 0.0 || count > kMaxSegmentCount) {
      error_ = ProfileError::kCountOutOfRange;
      return;
    }
    // Beyond 2^46 the rounding below stops being exact; far beyond the limit.
    if (!std::isfinite(increment_q16) || std::fabs(increment_q16) > 0x1p46) {
      error_ = ProfileError::kSlopeOverflow;
      return;
    }
    const auto q = static_cast<std::int64_t>(std::floor(increment_q16 + 0.5));
    if (std::round(std::fabs(static_cast<double>(q)) / kQ16One) > kMaxIncrement) {
      error_ = ProfileError::kSlopeOverflow;
      return;
    }
    segments_[next_++] = {.count = static_cast<std::uint32_t>(count), .increment_q16 = q};
    reach_q16_ += static_cast<std::int64_t>(count) * q;
  }

  // From where the reference stands to `target_q16` over `samples` samples:
  // a first segment at the mean slope, then one sample that lands exactly.
  void Ramp(std::int64_t target_q16, double samples) {
    const double change = static_cast<double>(target_q16 - reach_q16_);
    double first = samples - 1.0;
    if (shortRamp_ == ShortRamp::kOneSample && samples <= 1.0) first = 1.0;
    Add(first, change / samples);
    Land(target_q16);
  }

  // One sample that takes the reference exactly to `target_q16`.
  void Land(std::int64_t target_q16) { Add(1.0, static_cast<double>(target_q16 - reach_q16_)); }

  void Hold(double samples) { Add(samples, 0.0); }

  std::int64_t reach_q16() const { return reach_q16_; }

  Result<Profile, ProfileError> Finish() const {
    if (error_) return Failure<ProfileError>{*error_};
    return segments_;
  }

 private:
  double period_s_;
  ShortRamp shortRamp_;
  Profile segments_{};
  int next_ = 0;
  std::int64_t reach_q16_ = 0;
  std::optional<ProfileError> error_;
};

Result<Profile, ProfileError> BuildProfile(double target, const ProfileTimes& times, double period_s,
                                           int referenceType, ShortRamp shortRamp) {
  ProfileBuilder profile(period_s, shortRamp);
  if (!std::isfinite(target) || std::fabs(target) > 0x1p31)
    return Failure<ProfileError>{ProfileError::kSlopeOverflow};
  if (!std::isfinite(period_s) || period_s <= 0.0) return Failure<ProfileError>{ProfileError::kCountOutOfRange};
  const auto target_q16 = static_cast<std::int64_t>(std::floor(target * kQ16One + 0.5));

  if (referenceType == kReferenceBothWays) {
    // Up at one slope for every sample, down through 0 to the opposite
    // target over twice the fall time, back up, and one sample that
    // cancels whatever the rounding of the slopes left.
    const double rise = profile.Samples(times.rise_s);
    profile.Add(rise, static_cast<double>(target_q16) / rise);
    profile.Hold(profile.Samples(times.hold_s));
    const double through = profile.Samples(2.0 * times.fall_s);
    profile.Add(through, -static_cast<double>(profile.reach_q16() + target_q16) / through);
    profile.Hold(profile.Samples(times.rest_s));
    const double back = profile.Samples(times.fall_s);
    if (back == 1.0)
      profile.Add(1.0, 0.0);
    else
      profile.Add(back - 1.0, static_cast<double>(target_q16) / (back - 1.0));
    profile.Land(0);
    return profile.Finish();
  }

  const std::int64_t signed_q16 = referenceType == kReferenceOtherWay ? -target_q16 : target_q16;
  profile.Ramp(signed_q16, profile.Samples(times.rise_s));
  profile.Hold(profile.Samples(times.hold_s));
  profile.Ramp(0, profile.Samples(times.fall_s));
  profile.Hold(profile.Samples(times.rest_s));
  return profile.Finish();
}

}  // namespace

Result<Profile, ProfileError> SpeedProfile(double target, const ProfileTimes& times, double period_s,
                                           int referenceType) {
  return BuildProfile(target, times, period_s, referenceType, ShortRamp::kOneSample);
}

Result<Profile, ProfileError> PositionProfile(double target, const ProfileTimes& times, double period_s,
                                              int referenceType) {
  return BuildProfile(target, times, period_s, referenceType, ShortRamp::kNoSamples);
}

std::int64_t ProfileReach_q16(const Profile& profile, int segments) {
  std::int64_t reach = 0;
  for (int i = 0; i < segments && i < kProfileSegments; ++i)
    reach += static_cast<std::int64_t>(profile[i].count) * profile[i].increment_q16;
  return reach;
}

std::int64_t ProfileEnd_q16(const Profile& profile) { return ProfileReach_q16(profile, kProfileSegments); }

}  // namespace commissioning
