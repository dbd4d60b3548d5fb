#include "commissioning/feedback_follows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include <fmt/format.h>

namespace commissioning {

namespace {

// A loop whose feedback travels less than a tenth of the reference (in the
// root mean square) has not moved: even a badly tuned loop follows far
// more over a profile, while a held rotor's jitter of a count or two stays
// below it for any profile the test can command.
constexpr double kStillShare = 0.1;
// Feedback that travelled mostly against the reference: the correlation of
// the two below -0.5.
constexpr double kReversedCorrelation = -0.5;

// Distance from the first sample.
std::vector<double> Travel(Controlled controlled, const std::vector<double>& values, std::size_t n) {
  std::vector<double> travel(n, 0.0);
  for (std::size_t k = 1; k < n; ++k) {
    travel[k] = controlled == Controlled::kSpeed ? travel[k - 1] + values[k] : values[k] - values[0];
  }
  return travel;
}

}  // namespace

FeedbackVerdict JudgeFeedback(Controlled controlled, const std::vector<double>& reference,
                              const std::vector<double>& feedback) {
  const std::size_t n = std::min(reference.size(), feedback.size());
  const std::vector<double> r = Travel(controlled, reference, n);
  const std::vector<double> f = Travel(controlled, feedback, n);
  double referenceEnergy = 0.0;
  double feedbackEnergy = 0.0;
  double together = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    referenceEnergy += r[k] * r[k];
    feedbackEnergy += f[k] * f[k];
    together += r[k] * f[k];
  }
  // A log with values that are not numbers, or a reference that never
  // moved, says nothing about the sensor.
  if (!std::isfinite(referenceEnergy) || !std::isfinite(feedbackEnergy) || !std::isfinite(together) ||
      referenceEnergy == 0.0) {
    return FeedbackVerdict::kFollows;
  }
  if (feedbackEnergy < kStillShare * kStillShare * referenceEnergy) return FeedbackVerdict::kStill;
  if (together < kReversedCorrelation * std::sqrt(referenceEnergy * feedbackEnergy)) {
    return FeedbackVerdict::kReversed;
  }
  return FeedbackVerdict::kFollows;
}

std::optional<std::string> FeedbackFaultText(FeedbackVerdict verdict, Controlled controlled) {
  const char* quantity = controlled == Controlled::kSpeed ? "speed" : "position";
  switch (verdict) {
    case FeedbackVerdict::kFollows:
      return std::nullopt;
    case FeedbackVerdict::kStill:
      return fmt::format(
          "Test failed!\nThe measured {0} does not follow the {0} reference: it stays constant.\nPossible causes "
          "of failure:\n\t\tThe encoder signals are missing or reversed;\n\t\tThe motor phases are not "
          "connected;\n\t\tUse the encoder <<Test connections>> to verify presence of the encoder "
          "signals;\n\t\tUse the test <<Detect Encoder Resolution>> to verify the encoder counting direction.",
          quantity);
    case FeedbackVerdict::kReversed:
      return fmt::format(
          "Test failed!\nThe measured {0} moves against the {0} reference.\nPossible causes of failure:\n\t\tThe "
          "encoder signals are reversed;\n\t\tUse the test <<Detect Encoder Resolution>> to verify the encoder "
          "counting direction.",
          quantity);
  }
  return std::nullopt;
}

}  // namespace commissioning
