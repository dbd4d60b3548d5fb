#include "engine/load_units.h"

#include <string_view>

#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "kernel/errors.h"

namespace engine {
namespace {

constexpr int kAxis = 1;

enum class Quantity {
  kPosition,
  kShownSpeed,  // speeds the user reads: rpm for a rotary load
  kSpeed,       // speed limits kept in rad/s
  kAcceleration,
  kJerk,
};

std::string_view UnitFor(Quantity quantity, bool linear) {
  switch (quantity) {
    case Quantity::kPosition:
      return linear ? "mm" : "rot";
    case Quantity::kShownSpeed:
      return linear ? "m/s" : "rpm";
    case Quantity::kSpeed:
      return linear ? "m/s" : "rad/s";
    case Quantity::kAcceleration:
      return linear ? "m/s^2" : "rad/s^2";
    case Quantity::kJerk:
      return linear ? "m/s^3" : "rad/s^3";
  }
  return {};
}

struct LoadQuantity {
  std::string_view name;
  Quantity quantity;
  ProbeFn probe = nullptr;
};

bool HasTHT_CORRECTION(CVX_Setup& setup) { return Has(setup, "THT_CORRECTION"); }
bool HasMotionComplete(CVX_Setup& setup) { return Has(setup, "MotionCompleteDefaultSettings"); }
bool HasPositionRange(CVX_Setup& setup) { return Has(setup, "POSRANGEDEF"); }
bool HasERRMAXL(CVX_Setup& setup) { return Has(setup, "ERRMAXL"); }

constexpr LoadQuantity kParameters[] = {
    {"Load_transmission", Quantity::kPosition},
    {"TestSpeed", Quantity::kShownSpeed},
    {"Limit_Speed", Quantity::kSpeed},
    {"TestPosition", Quantity::kPosition},
    {"ERR_position", Quantity::kPosition},
    {"ERR_speed", Quantity::kSpeed},
    {"ErefMaxSpeed", Quantity::kShownSpeed},
    {"ErefMaxAcceleration", Quantity::kAcceleration},
    {"POS_max", Quantity::kPosition, HasAnalogueReference},
    {"POS_min", Quantity::kPosition, HasAnalogueReference},
    {"SPD_max", Quantity::kShownSpeed, HasAnalogueReference},
    {"SPD_min", Quantity::kShownSpeed, HasAnalogueReference},
    {"FreezeControl_errband", Quantity::kPosition, HasFreezeControl},
    {"PhaseAdvance_speed", Quantity::kShownSpeed, HasTHT_CORRECTION},
    {"MotionCompleteSettleBand", Quantity::kPosition, HasMotionComplete},
    {"Negative_SWLS", Quantity::kPosition, HasSoftwareLimitSwitches},
    {"Positive_SWLS", Quantity::kPosition, HasSoftwareLimitSwitches},
    {"PosRange_Minimum", Quantity::kPosition, HasPositionRange},
    {"PosRange_Maximum", Quantity::kPosition, HasPositionRange},
};

constexpr LoadQuantity kVariables[] = {
    {"Load_Position", Quantity::kPosition},    {"Load_Speed", Quantity::kShownSpeed},
    {"Target_Position", Quantity::kPosition},  {"Target_Speed", Quantity::kShownSpeed},
    {"Speed_Reference", Quantity::kShownSpeed}, {"Position_Error", Quantity::kPosition},
    {"Speed_Error", Quantity::kShownSpeed},    {"APOS", Quantity::kPosition},
    {"APOS_LD", Quantity::kPosition},          {"ASPD_LD", Quantity::kShownSpeed},
    {"CACC", Quantity::kAcceleration},         {"CAPPOS", Quantity::kPosition},
    {"CDEC", Quantity::kAcceleration},         {"CPOS", Quantity::kPosition},
    {"CSPD", Quantity::kShownSpeed},           {"EREFP", Quantity::kPosition},
    {"EREFS", Quantity::kShownSpeed},          {"ERRMAX", Quantity::kPosition},
    {"ERRMAXL", Quantity::kPosition, HasERRMAXL}, {"HOMEPOS", Quantity::kPosition},
    {"HOMESPD", Quantity::kShownSpeed},        {"JERK", Quantity::kJerk},
    {"POSERR", Quantity::kPosition},           {"POSINIT", Quantity::kPosition},
    {"POSOKLIM", Quantity::kPosition},         {"POSTRIGG1", Quantity::kPosition},
    {"POSTRIGG2", Quantity::kPosition},        {"POSTRIGG3", Quantity::kPosition},
    {"POSTRIGG4", Quantity::kPosition},        {"SERRMAX", Quantity::kShownSpeed},
    {"SPDERR", Quantity::kShownSpeed},         {"SPDREF", Quantity::kShownSpeed},
    {"TACC", Quantity::kAcceleration},         {"TPOS", Quantity::kPosition},
    {"TPOSFAST", Quantity::kPosition},         {"TSPD", Quantity::kShownSpeed},
};

bool Applies(CVX_Setup& setup, const LoadQuantity& entry) { return !entry.probe || entry.probe(setup); }

}  // namespace

void UpdateLoadUnits(CVX_Setup& setup) {
  const auto transmissionType = Base(setup, "TransmissionType");
  if (!transmissionType) return;
  const bool linear = *transmissionType != 0.0;
  // A unit the setup does not define is refused by the kernel; that, like a
  // missing parameter, is no reason for a message here.
  kernel::QuietErrors quiet;
  for (const LoadQuantity& entry : kParameters) {
    if (!Applies(setup, entry)) continue;
    if (CVX_Parameter* parameter = Find(setup, entry.name)) parameter->ChangeUnitType(UnitFor(entry.quantity, linear));
  }
  for (const LoadQuantity& entry : kVariables) {
    if (!Applies(setup, entry)) continue;
    if (CVX_Variable* variable = setup.FindVariable(entry.name, kAxis))
      variable->ChangeUnitType(UnitFor(entry.quantity, linear));
  }
}

}  // namespace engine
