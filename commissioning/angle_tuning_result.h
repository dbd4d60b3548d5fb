#pragma once

#include <optional>
#include <string>

// What the electric angle controller's tuning run reports in "test_flag",
// and the text the test then shows.
namespace commissioning {

// "test_flag" values of the angle tuning program.
inline constexpr double kAngleProtectionFlag = -1.0;
inline constexpr double kAngleNotStabilizedFlag = -2.0;  // "theta_1" holds the final angle
inline constexpr double kAngleCurrentTooLowFlag = -3.0;

struct AngleRunOutcome {
  bool succeeded = false;
  // The run was read but the flag is the kernel's missing value: the dialog
  // shows the kernel's internal-error text.
  bool internalError = false;
  // The angle did not settle: the two texts that ask for other gains.
  bool notStabilized = false;
  std::string text;  // empty on success or internal error
};

// `theta1`: the program's "theta_1", read only when the flag is
// kAngleNotStabilizedFlag; nullopt when it could not be read.
AngleRunOutcome EvaluateAngleRun(double testFlag, std::optional<double> theta1);

}  // namespace commissioning
