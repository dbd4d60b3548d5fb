#include "engine/feedback_counting_direction.h"

#include <optional>
#include <string_view>

#include "engine/feedback_sensors.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

constexpr std::string_view kInput0 = "COUNTINGDIR";
constexpr std::string_view kInput1 = "COUNTINGDIR_LD";
constexpr std::string_view kMotorReverse = "ReverseCounting";
constexpr std::string_view kLoadReverse = "ReverseCounting_LD";

constexpr int kSecondInput = 1;

bool Present(int type) { return type != kSensorNone; }
bool Quadrature(int type) { return type == kSensorIncremental || type == kSensorSineCosine; }

bool MotorOn(const SensorPlacement& p, bool second) {
  return Present(p.motorType) && (p.motorConnector == kSecondInput) == second;
}
bool LoadOn(const SensorPlacement& p, bool second) {
  return Present(p.loadType) && (p.loadConnector == kSecondInput) == second;
}

std::optional<SensorPlacement> ReadPlacement(CVX_Setup& setup) {
  const auto motor = ReadChoice(setup, "MotorSensorType");
  const auto load = ReadChoice(setup, "LoadSensorType");
  const auto motorConnector = ReadChoice(setup, "MotorSensorConnector");
  const auto loadConnector = ReadChoice(setup, "LoadSensorConnector");
  if (!motor || !load || !motorConnector || !loadConnector) return std::nullopt;
  return SensorPlacement{*motor, *load, *motorConnector, *loadConnector};
}

std::optional<bool> Flag(CVX_Setup& setup, std::string_view name) {
  const auto v = Internal(setup, name);
  if (!v) return std::nullopt;
  return *v == 1.0;
}

std::optional<InputDirections> ComputedDirections(CVX_Setup& setup) {
  const auto placement = ReadPlacement(setup);
  const auto motorReversed = Flag(setup, kMotorReverse);
  const auto loadReversed = Flag(setup, kLoadReverse);
  if (!placement || !motorReversed || !loadReversed) return std::nullopt;
  return DirectionsFor(*placement, *motorReversed, *loadReversed);
}

// The placement and the registers as they stand, for a recovery.
struct StoredDirections {
  SensorPlacement placement;
  InputDirections directions;
};

std::optional<StoredDirections> ReadStored(CVX_Setup& setup) {
  const auto placement = ReadPlacement(setup);
  const auto input0 = Flag(setup, kInput0);
  const auto input1 = Flag(setup, kInput1);
  if (!placement || !input0 || !input1) return std::nullopt;
  return StoredDirections{*placement, {*input0, *input1}};
}

int RecoverFlag(CVX_Setup& setup, std::string_view name, bool load) {
  CVX_Parameter* target = Find(setup, name);
  const auto stored = ReadStored(setup);
  if (!target || !stored) return 0;
  if (!SetParameterLimits(target, 0.0, 1.0)) return 0;
  const bool reversed = load ? LoadReversedFrom(stored->placement, stored->directions)
                             : MotorReversedFrom(stored->placement, stored->directions);
  return WriteBase(target, reversed ? 1.0 : 0.0);
}

}  // namespace

InputDirections DirectionsFor(const SensorPlacement& p, bool motorReversed, bool loadReversed) {
  InputDirections d;
  for (bool second : {false, true}) {
    const bool motorAlone = MotorOn(p, second) && motorReversed && !LoadOn(p, second);
    const bool loadAlone = LoadOn(p, second) && loadReversed && !MotorOn(p, second);
    (second ? d.input1Reversed : d.input0Reversed) = motorAlone || loadAlone;
  }
  return d;
}

bool MotorReversedFrom(const SensorPlacement& p, const InputDirections& d) {
  if (!Present(p.motorType)) return false;
  if (MotorOn(p, true)) return !LoadOn(p, true) && d.input1Reversed;
  if (!Present(p.loadType) && d.input0Reversed) return true;
  return p.loadConnector == kSecondInput && d.input0Reversed;
}

bool LoadReversedFrom(const SensorPlacement& p, const InputDirections& d) {
  if (!Quadrature(p.motorType) && LoadOn(p, false) && d.input0Reversed) return true;
  if (!Present(p.loadType)) return false;
  if (MotorOn(p, true)) return p.loadConnector == kSecondInput ? false : d.input0Reversed;
  if (p.loadConnector == kSecondInput) return d.input1Reversed;
  return false;
}

bool HasCountingDirection(CVX_Setup& setup) { return Has(setup, kMotorReverse); }

int ComputeCOUNTINGDIR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kInput0);
  const auto directions = ComputedDirections(setup);
  if (!target || !directions) return 0;
  return WriteInternal(target, directions->input0Reversed ? 1.0 : 0.0);
}

int ComputeCOUNTINGDIR_LD(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kInput1);
  const auto directions = ComputedDirections(setup);
  if (!target || !directions) return 0;
  return WriteInternal(target, directions->input1Reversed ? 1.0 : 0.0);
}

int RecoverReverseCounting(CVX_Setup& setup) { return RecoverFlag(setup, kMotorReverse, false); }

int RecoverReverseCounting_LD(CVX_Setup& setup) { return RecoverFlag(setup, kLoadReverse, true); }

}  // namespace engine
