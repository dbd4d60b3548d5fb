#include "commissioning/total_inertia.h"

#include <cmath>

#include "commissioning/test_texts.h"
#include "kernel/kernel_functions.h"

namespace commissioning {

Result<double> TotalInertia(const InertiaRunReport& report, double testCurrent_counts, const InertiaScales& scales) {
  const double t = report.deltaTime_samples;
  // The drive's test programs end with "test_flag" -1 when the measured
  // current passed "Imax_Prot_Test", as the tuning tests read it: that is no
  // speed running backwards.
  if (report.testFlag == -1.0)
    return Failure{std::string(kCurrentProtectionText) + "\n" + std::string(kInertiaProtectionAdvice)};
  if (!(report.testFlag > 0.0)) return Failure{std::string(kInertiaSpeedNegativeText)};
  if (t == -1.0) return Failure{std::string(kInertiaSpeedNegativeText) + "."};
  if (t == -2.0) return Failure{std::string(kInertiaSpeedZeroText)};
  if (t < 0.0) return Failure{std::string(kInertiaSpeedNotReachedText)};

  if (!std::isfinite(t) || !std::isfinite(report.deltaSpeed) || t == 0.0)
    return Failure{"The inertia test reported no acceleration time: the total inertia cannot be computed."};
  if (report.deltaSpeed < 0.0) return Failure{std::string(kInertiaSpeedNegativeText) + "."};
  if (report.deltaSpeed == 0.0) return Failure{std::string(kInertiaSpeedZeroText)};
  if (!std::isfinite(testCurrent_counts) || testCurrent_counts <= 0.0)
    return Failure{"The test current \"TestCurrent\" must be greater than 0."};
  if (!std::isfinite(scales.torqueConstant_NmPerA) || scales.torqueConstant_NmPerA <= 0.0)
    return Failure{"The motor torque constant \"K\" must be greater than 0 to compute the total inertia."};
  if (!std::isfinite(scales.currentScale_countsPerA) || scales.currentScale_countsPerA <= 0.0)
    return Failure{"The drive's current scale is not known (check \"ImaxPS\"): the total inertia cannot be computed."};
  if (!std::isfinite(scales.speedScale) || scales.speedScale == 0.0 || !std::isfinite(scales.slowLoop_s) ||
      scales.slowLoop_s <= 0.0)
    return Failure{"The motor's speed scale is not known (check the encoder and the loop timing): the total inertia "
                   "cannot be computed."};

  const double torque_Nm = testCurrent_counts / scales.currentScale_countsPerA * scales.torqueConstant_NmPerA;
  const double acceleration_rad_s2 =
      report.deltaSpeed / std::fabs(scales.speedScale) / (t * scales.slowLoop_s);
  const double inertia = torque_Nm / acceleration_rad_s2;
  if (!std::isfinite(inertia) || inertia <= 0.0)
    return Failure{"The measured total inertia is not a valid number: repeat the test with a higher test current."};
  return inertia;
}

std::optional<double> LoadInertiaRatio(double total_kgm2, double motor_kgm2) {
  if (!std::isfinite(total_kgm2) || !std::isfinite(motor_kgm2) || motor_kgm2 == 0.0) return std::nullopt;
  return RoundDecimalValue((total_kgm2 - motor_kgm2) / motor_kgm2, 3);
}

std::optional<double> TotalInertiaFromRatio(double ratio, double motor_kgm2, int decimals) {
  if (!std::isfinite(ratio) || !std::isfinite(motor_kgm2)) return std::nullopt;
  const double total = RoundDecimalValue((ratio + 1.0) * motor_kgm2, decimals);
  if (!std::isfinite(total)) return std::nullopt;
  return total;
}

}  // namespace commissioning
