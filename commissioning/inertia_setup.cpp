#include "commissioning/inertia_setup.h"

#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"

namespace commissioning {

Result<double> MeasuredTotalInertia(CVX_Setup& setup, const InertiaRunReport& report, double testCurrent_counts) {
  const InertiaScales scales{.speedScale = engine::MotorSpeedScale(setup).value_or(0.0),
                             .currentScale_countsPerA = engine::CurrentScale(setup).value_or(0.0),
                             .slowLoop_s = engine::SlowLoopPeriod(setup).value_or(0.0),
                             .torqueConstant_NmPerA = engine::Base(setup, "K").value_or(0.0)};
  return TotalInertia(report, testCurrent_counts, scales);
}

bool MotorInertiaKnown(CVX_Setup& setup) { return engine::Internal(setup, "isMotorInertiaUnknown").value_or(0) == 0; }

bool FollowTotalInertia(CVX_Setup& setup) {
  if (!MotorInertiaKnown(setup)) return false;
  const auto total = engine::Base(setup, "Jt");
  const auto motor = engine::Base(setup, "Jm");
  if (!total || !motor) return false;
  const auto ratio = LoadInertiaRatio(*total, *motor);
  return ratio && engine::WriteBase(setup, "Jload_over_J", *ratio);
}

bool FollowLoadInertiaRatio(CVX_Setup& setup) {
  if (!MotorInertiaKnown(setup)) return false;
  const auto ratio = engine::Base(setup, "Jload_over_J");
  const auto motor = engine::Base(setup, "Jm");
  CVX_Parameter* total = engine::Find(setup, "Jt");
  if (!ratio || !motor || !total) return false;
  const auto value = TotalInertiaFromRatio(*ratio, *motor, total->GetDecimals());
  return value && engine::WriteBase(total, *value);
}

bool TotalInertiaBelowMotor(CVX_Setup& setup) {
  const auto total = engine::Base(setup, "Jt");
  const auto motor = engine::Base(setup, "Jm");
  return MotorInertiaKnown(setup) && total && motor && *total < *motor;
}

}  // namespace commissioning
