#include "host/commission_choices.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace host {
namespace {

// Headroom the identification leaves the supply: the current controller
// needs voltage beyond R I to correct, and the supply may sag.
constexpr double kSupplyShareForTestCurrent = 0.3;
constexpr double kTestCurrentShareOfRated = 0.5;
constexpr double kProtectionOverTest = 1.5;
constexpr double kLimitShareOfProtection = 0.9;
constexpr double kInertiaRun_s = 0.25;
constexpr double kBackEmfShareOfSupply = 0.25;
constexpr double kSpeedOverCurrentBandwidth = 0.1;
constexpr double kSpeedBandwidthTimesPeriod = 0.1;
constexpr double kPositionOverSpeedBandwidth = 0.2;
constexpr double kRampCurrentShare = 0.5;

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

// The fastest the commissioning turns the motor: where the back-EMF takes
// a quarter of the supply. Beyond it the winding's inductive drop and the
// current controller's lag at the electrical frequency eat the rest, and
// the motor falls behind its reference. Infinite while either is unknown.
double BackEmfSpeedBound(double supply_V, double torqueConstant_NmPerA) {
  if (!Positive(supply_V) || !Positive(torqueConstant_NmPerA)) return INFINITY;
  return kBackEmfShareOfSupply * supply_V / torqueConstant_NmPerA;
}

// Motor turns per load turn (or per unit of a linear load); 1 when unknown.
double MotorTurns(double motorPerLoad) { return Positive(std::fabs(motorPerLoad)) ? std::fabs(motorPerLoad) : 1.0; }

std::string BackEmfReason(double supply_V) {
  return fmt::format("a back-EMF of a quarter of the supply {:.3g} V", supply_V);
}

}  // namespace

Choice TestCurrentChoice(double motorRated_A, double driveRated_A, double supply_V, double resistance_Ohm) {
  const double rated = std::min(Positive(motorRated_A) ? motorRated_A : driveRated_A, driveRated_A);
  Choice choice{kTestCurrentShareOfRated * rated,
                fmt::format("half the rated current {:.3g} A", rated)};
  if (Positive(supply_V) && Positive(resistance_Ohm)) {
    const double reachable = kSupplyShareForTestCurrent * supply_V / resistance_Ohm;
    if (reachable < choice.value)
      choice = {reachable, fmt::format("{:.0f} % of the supply {:.3g} V across {:.3g} Ohm",
                                       100 * kSupplyShareForTestCurrent, supply_V, resistance_Ohm)};
  }
  return choice;
}

Choice ProtectionCurrentChoice(double testCurrent_A, double allowed_A) {
  Choice choice{kProtectionOverTest * testCurrent_A, "1.5 times the test current"};
  if (Positive(allowed_A) && allowed_A < choice.value)
    choice = {allowed_A, fmt::format("the most motor and drive allow, {:.3g} A", allowed_A)};
  if (choice.value < testCurrent_A) choice = {testCurrent_A, "the test current itself"};
  return choice;
}

Choice TuningCurrentLimitChoice(double protection_A) {
  return {kLimitShareOfProtection * protection_A, "90 % of the protection current"};
}

Choice InertiaTestSpeedChoice(double testCurrent_A, double torqueConstant_NmPerA, double inertia_kgm2,
                              double supply_V, double highest_rad_s) {
  Choice choice{highest_rad_s, "the highest test speed the setup allows"};
  if (Positive(testCurrent_A) && Positive(torqueConstant_NmPerA) && Positive(inertia_kgm2)) {
    const double reached = testCurrent_A * torqueConstant_NmPerA / inertia_kgm2 * kInertiaRun_s;
    if (reached < choice.value)
      choice = {reached, fmt::format("reached in {} s at {:.3g} A with {:.3g} kg m^2", kInertiaRun_s, testCurrent_A,
                                     inertia_kgm2)};
  }
  if (const double emfBound = BackEmfSpeedBound(supply_V, torqueConstant_NmPerA); emfBound < choice.value)
    choice = {emfBound, BackEmfReason(supply_V)};
  return choice;
}

Choice TestSpeedChoice(double speed_rad_s, double motorPerLoad, double torqueConstant_NmPerA, double supply_V) {
  const double bound = BackEmfSpeedBound(supply_V, torqueConstant_NmPerA) / MotorTurns(motorPerLoad);
  if (!(std::fabs(speed_rad_s) > bound)) return {speed_rad_s, "the setup's"};
  return {std::copysign(bound, speed_rad_s), BackEmfReason(supply_V)};
}

Choice PositionRampTimeChoice(double ramp_s, double travel, double motorPerLoad, double torqueConstant_NmPerA,
                              double supply_V) {
  const double motorTravel_rad = std::fabs(travel) * MotorTurns(motorPerLoad);
  const double needed = motorTravel_rad / BackEmfSpeedBound(supply_V, torqueConstant_NmPerA);
  if (!(needed > ramp_s)) return {ramp_s, "the setup's"};
  return {needed, fmt::format("{:.3g} rad of the motor at {}", motorTravel_rad, BackEmfReason(supply_V))};
}

Choice SpeedBandwidthChoice(double currentBandwidth_rad_s, double slowLoop_s) {
  Choice choice{kSpeedOverCurrentBandwidth * currentBandwidth_rad_s,
                fmt::format("a tenth of the current loop's {:.4g} rad/s", currentBandwidth_rad_s)};
  if (Positive(slowLoop_s) && kSpeedBandwidthTimesPeriod / slowLoop_s < choice.value)
    choice = {kSpeedBandwidthTimesPeriod / slowLoop_s,
              fmt::format("a tenth of the speed loop's sampling rate ({:.3g} ms)", slowLoop_s * 1e3)};
  return choice;
}

Choice PositionBandwidthChoice(double speedBandwidth_rad_s) {
  return {kPositionOverSpeedBandwidth * speedBandwidth_rad_s,
          fmt::format("a fifth of the speed loop's {:.4g} rad/s", speedBandwidth_rad_s)};
}

Choice RampTimeChoice(double ramp_s, double speed_rad_s, double inertia_kgm2, double torqueConstant_NmPerA,
                      double currentLimit_A) {
  Choice choice{ramp_s, "the setup's"};
  if (Positive(inertia_kgm2) && Positive(torqueConstant_NmPerA) && Positive(currentLimit_A)) {
    const double needed =
        inertia_kgm2 * std::fabs(speed_rad_s) / (kRampCurrentShare * currentLimit_A * torqueConstant_NmPerA);
    if (needed > ramp_s)
      choice = {needed, fmt::format("accelerating {:.3g} kg m^2 with half the current limit", inertia_kgm2)};
  }
  return choice;
}

}  // namespace host
