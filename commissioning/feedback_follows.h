#pragma once

#include <optional>
#include <string>
#include <vector>

// Whether the feedback of a tuning run followed its reference at all. A
// drive's control error protection trips only beyond its limit ("SERRMAX",
// "ERRMAXL"), so a slow profile run over a silent or reversed encoder ends
// without a protection; its log shows the fault all the same.
namespace commissioning {

// The quantity the loop under test controls, and so what its log holds.
enum class Controlled { kSpeed, kPosition };

enum class FeedbackVerdict {
  kFollows,   // moved with the reference, or nothing to judge
  kStill,     // stayed put while the reference moved
  kReversed,  // moved against the reference
};

// Reference and feedback sampled together, in the same units. The judgement
// is made on the distance travelled from the first sample (speeds are summed
// into it), so an absolute sensor's starting count does not matter, and a
// speed that jerks backwards once and then stays at zero counts as the
// distance it lost.
FeedbackVerdict JudgeFeedback(Controlled controlled, const std::vector<double>& reference,
                              const std::vector<double>& feedback);

// The failure text of a verdict; nullopt when the feedback followed.
std::optional<std::string> FeedbackFaultText(FeedbackVerdict verdict, Controlled controlled);

}  // namespace commissioning
