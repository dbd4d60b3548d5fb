#include "commissioning/loop_gain_design.h"

#include <cmath>
#include <fmt/format.h>

#include "engine/encodings.h"

namespace commissioning {

double GainDesignPeriod_s(double fastLoop_s, double slowLoop_s, bool posSpdInFastLoop) {
  return posSpdInFastLoop ? fastLoop_s : slowLoop_s;
}

Result<double> InertiaOverTorqueCounts(const CurrentCommandPlant& plant) {
  if (!std::isfinite(plant.inertia_kgm2) || plant.inertia_kgm2 <= 0.0)
    return Failure{"The total inertia \"Jt\" must be greater than 0 to design the controller."};
  if (!std::isfinite(plant.torqueConstant_NmPerA) || plant.torqueConstant_NmPerA <= 0.0)
    return Failure{"The motor torque constant \"K\" must be greater than 0 to design the controller."};
  if (!std::isfinite(plant.currentScale_countsPerA) || plant.currentScale_countsPerA <= 0.0)
    return Failure{"The drive's current scale is not known (check \"ImaxPS\"): the controller cannot be designed."};
  return plant.inertia_kgm2 / plant.torqueConstant_NmPerA * plant.currentScale_countsPerA;
}

std::string CheckDesignedGain(const char* what, double gain) {
  if (!std::isfinite(gain) || gain < 0.0)
    return fmt::format("The designed gain \"{}\" is not a valid number: check the design inputs.", what);
  if (gain > engine::kScaledGainMax)
    return fmt::format(
        "The designed gain \"{}\" = {:g} is above the largest the drive can hold ({:g}): lower the bandwidth.", what,
        gain, engine::kScaledGainMax);
  return {};
}

std::string CheckBandwidthAndDamping(double bandwidth_rad_s, double damping) {
  if (!std::isfinite(bandwidth_rad_s) || bandwidth_rad_s <= 0.0)
    return "The controller bandwidth must be greater than 0.";
  if (!std::isfinite(damping) || damping < 0.0) return "The controller damping must not be negative.";
  return {};
}

}  // namespace commissioning
