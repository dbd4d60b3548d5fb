#include "commissioning/tuning_setup.h"

#include <cmath>
#include <fmt/format.h>
#include <string_view>

#include "commissioning/test_speed.h"
#include "engine/gain_registers.h"
#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "engine/unit_scale.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"

namespace commissioning {
namespace {

Result<double> Need(CVX_Setup& setup, std::string_view name) {
  if (const auto value = engine::Base(setup, name)) return *value;
  return Failure{fmt::format("The setup has no valid \"{}\".", name)};
}

// The period the motion loops are designed for.
Result<double> MotionLoopPeriod(CVX_Setup& setup) {
  const auto slow = engine::SlowLoopPeriod(setup);
  if (!slow) return Failure{"The speed loop period is not known: check the loop timing registers."};
  const bool inFastLoop = engine::Base(setup, "PosSpd_in_FastLoop").value_or(0.0) != 0.0;
  const auto fast = engine::FastLoopPeriod(setup);
  if (inFastLoop && !fast) return Failure{"The current loop period is not known: check the loop timing registers."};
  return GainDesignPeriod_s(fast.value_or(0.0), *slow, inFastLoop);
}

Result<CurrentCommandPlant> PlantOf(CVX_Setup& setup) {
  const auto inertia = Need(setup, "Jt");
  if (!inertia.ok()) return Failure{inertia.error()};
  const auto torque = Need(setup, "K");
  if (!torque.ok()) return Failure{torque.error()};
  return CurrentCommandPlant{.inertia_kgm2 = inertia.value(),
                             .torqueConstant_NmPerA = torque.value(),
                             .currentScale_countsPerA = engine::CurrentScale(setup).value_or(0.0)};
}

// Stores the user gains, then each register pair (shift first, as the drive
// takes them), then recovers the gains the registers hold.
void StoreGains(CVX_Setup& setup, std::initializer_list<std::pair<engine::ScaledGainIndex, double>> gains) {
  for (const auto& [index, gain] : gains) engine::WriteBase(setup, engine::kScaledGains[index].user, gain);
  for (const auto& [index, gain] : gains) {
    engine::ComputeScaledGainShift(setup, engine::kScaledGains[index]);
    engine::ComputeScaledGainMantissa(setup, engine::kScaledGains[index]);
  }
  for (const auto& [index, gain] : gains) engine::RecoverScaledGain(setup, engine::kScaledGains[index]);
}

ProfileTimes TimesOf(CVX_Setup& setup, const char* rise, const char* hold, const char* fall, const char* rest) {
  const auto time = [&](const char* name) { return engine::Base(setup, name).value_or(NAN); };
  return {.rise_s = time(rise), .hold_s = time(hold), .fall_s = time(fall), .rest_s = time(rest)};
}

int ReferenceTypeOf(CVX_Setup& setup, const char* name) {
  return static_cast<int>(engine::Internal(setup, name).value_or(kReferenceOneWay));
}

}  // namespace

Result<PiGains> DesignSpeedGains(CVX_Setup& setup) {
  const auto bandwidth = Need(setup, "PB_S");
  if (!bandwidth.ok()) return Failure{bandwidth.error()};
  const auto damping = Need(setup, "Dump_S");
  if (!damping.ok()) return Failure{damping.error()};
  const auto period = MotionLoopPeriod(setup);
  if (!period.ok()) return Failure{period.error()};
  const auto plant = PlantOf(setup);
  if (!plant.ok()) return Failure{plant.error()};
  return DesignSpeedGains({.bandwidth_rad_s = bandwidth.value(),
                           .damping = damping.value(),
                           .period_s = period.value(),
                           .plant = plant.value(),
                           .speedScale = engine::SpeedScale(setup).value_or(0.0)});
}

Result<PidGains> DesignPositionGains(CVX_Setup& setup) {
  const auto bandwidth = Need(setup, "PB_P");
  if (!bandwidth.ok()) return Failure{bandwidth.error()};
  const auto damping = Need(setup, "Dump_P");
  if (!damping.ok()) return Failure{damping.error()};
  PositionDesignTarget target{.bandwidth_rad_s = bandwidth.value(), .damping = damping.value(), .period_s = 0.0,
                              .positionScale = engine::PositionScale(setup).value_or(0.0)};
  if (engine::IsOpenLoop(setup)) {
    target.period_s = engine::SlowLoopPeriod(setup).value_or(0.0);
    const double microsteps = engine::Base(setup, "NoMicroStepsPerStep").value_or(0.0) *
                              engine::Base(setup, "NoMotorSteps").value_or(0.0);
    return DesignOpenLoopPositionGains(target, microsteps);
  }
  const auto period = MotionLoopPeriod(setup);
  if (!period.ok()) return Failure{period.error()};
  target.period_s = period.value();
  const auto controlType = Need(setup, "PositionControlType");
  if (!controlType.ok()) return Failure{controlType.error()};
  if (controlType.value() == kPositionThroughSpeedLoop)
    return DesignPositionGainsThroughSpeedLoop(target, engine::SpeedScale(setup).value_or(0.0));
  const auto plant = PlantOf(setup);
  if (!plant.ok()) return Failure{plant.error()};
  return DesignPositionGainsCommandingCurrent(target, plant.value());
}

Result<PiGains> TuneSpeedController(CVX_Setup& setup) {
  const auto gains = DesignSpeedGains(setup);
  if (gains.ok()) StoreGains(setup, {{engine::kGainKiS, gains.value().ki}, {engine::kGainKpS, gains.value().kp}});
  return gains;
}

Result<PidGains> TunePositionController(CVX_Setup& setup) {
  const auto gains = DesignPositionGains(setup);
  if (gains.ok()) {
    StoreGains(setup, {{engine::kGainKiP, gains.value().ki},
                       {engine::kGainKpP, gains.value().kp},
                       {engine::kGainKdP, gains.value().kd}});
  }
  return gains;
}

std::optional<double> QuantiseTestSpeed(CVX_Setup& setup) {
  CVX_Parameter* speed = engine::Find(setup, "TestSpeed");
  if (!speed) return std::nullopt;
  // The kernel's own conversion of "TestSpeed", so that the stored value
  // is exactly the quantised count.
  const double factor = engine::ScaleFactor(setup, speed->GetUnitType(), "TestSpeed");
  const bool estimator = engine::Base(setup, "isSpeedEstimator").value_or(0.0) == 1.0;
  const auto quantised = QuantiseTestSpeed(speed->GetValueInBaseUnit(), 1.0 / factor, estimator);
  if (!quantised || !engine::WriteInternal(speed, quantised->internal)) return std::nullopt;
  return quantised->internal;
}

std::optional<double> TestPositionCounts(CVX_Setup& setup) {
  const auto position = engine::Base(setup, "TestPosition");
  const auto scale = engine::PositionScale(setup);
  if (!position || !scale) return std::nullopt;
  const double counts = std::round(*position * *scale);
  // The drive counts position in 32 bits.
  if (!std::isfinite(counts) || std::fabs(counts) > 0x1p31 - 1) return std::nullopt;
  return counts;
}

Result<Profile, ProfileError> SpeedProfileOf(CVX_Setup& setup, double speed_internal) {
  // "TestSpeed" counts the magnitude of the speed scale; the drive counts
  // with its sign (a transmission that reverses the load).
  const double sign = engine::SpeedScale(setup).value_or(1.0) < 0.0 ? -1.0 : 1.0;
  return SpeedProfile(sign * speed_internal, TimesOf(setup, "TaPS", "TPS", "TaNS", "TNS"),
                      engine::SlowLoopPeriod(setup).value_or(0.0), ReferenceTypeOf(setup, "SpeedTestReferenceType"));
}

Result<Profile, ProfileError> PositionProfileOf(CVX_Setup& setup, double position_counts) {
  return PositionProfile(position_counts, TimesOf(setup, "TaPP", "TPP", "TaNP", "TNP"),
                         engine::SlowLoopPeriod(setup).value_or(0.0),
                         ReferenceTypeOf(setup, "PositionTestReferenceType"));
}

}  // namespace commissioning
