#include "commissioning/angle_tuning_result.h"

#include <cmath>
#include <fmt/format.h>

#include "commissioning/test_texts.h"
#include "kernel/missing_value.h"

namespace commissioning {
namespace {

// The angle the program aims at, -16384 in its units, was not reached
// within +/- 4550; "theta_1" says where it settled instead.
constexpr const char* kSettledElsewhereFormat =
    "Test failed!\n\nIf the Test current doesn’t decreases to zero, increase/decrease Kp and/or Ki parameters.\nIf "
    "the Test current decreases to zero but the Electric_Angle graph does not stabilize to a value close to {} with "
    "a tolerance of +/- 4550 (equivalent to +/- 25 electrical degrees), you have to fine tune the Kp and/or Ki "
    "parameters until it does.\nSee Electric Angle Controller Tuning Help for details";

constexpr const char* kNotStabilizedText =
    "Test failed!\nAngle not stabilized.\nIf the Electric_Angle graph is a flat line, please increase Kp and/or Ki "
    "parameters.\n\nIf the Electric_Angle graph oscillates too much, please decrease Kp and/or Ki parameters.\n\nIf "
    "the Electric_Angle graph does not oscillate, but it does not stabilize to a value between\n-18204 and -14564 "
    "(that means -16384 with a tolerance of +/- 4550, equivalent to\n+/- 25 electrical degrees), you have to fine "
    "tune the Kp and/or Ki parameters until it does.";

constexpr const char* kCurrentTooLowText = "Test failed!\nTest current may not be enough. Please increase test current.";

}  // namespace

AngleRunOutcome EvaluateAngleRun(double testFlag, std::optional<double> theta1) {
  AngleRunOutcome outcome;
  if (testFlag == kMissingValue || !std::isfinite(testFlag)) {
    outcome.internalError = true;
  } else if (testFlag == kAngleProtectionFlag) {
    outcome.text = kCurrentProtectionText;
  } else if (testFlag == kAngleNotStabilizedFlag) {
    outcome.notStabilized = true;
    if (theta1 && std::isfinite(*theta1) && *theta1 != kMissingValue && std::fabs(*theta1) < 0x1p31)
      outcome.text = fmt::format(kSettledElsewhereFormat, static_cast<long>(std::trunc(*theta1)));
    else
      outcome.text = kNotStabilizedText;
  } else if (testFlag == kAngleCurrentTooLowFlag) {
    outcome.text = kCurrentTooLowText;
  } else {
    outcome.succeeded = true;
  }
  return outcome;
}

}  // namespace commissioning
