#include "engine/plain_units.h"

#include "engine/setup_access.h"
#include "kernel/errors.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"

namespace engine {
namespace {

struct PlainUnit {
  std::string_view name;
  std::string_view unit;
};

constexpr PlainUnit kPlainUnits[] = {{"Vdc", kSupplyUnit}, {"PB_C", kBandwidthUnit}};

}  // namespace

void UpdatePlainUnits(CVX_Setup& setup) {
  const kernel::QuietErrors quiet;
  for (const PlainUnit& entry : kPlainUnits) {
    CVX_Parameter* parameter = Find(setup, entry.name);
    if (!parameter || !parameter->GetUnitType().empty()) continue;
    if (!setup.FindUnit(entry.unit) && !setup.AddUnitFamily(entry.unit)) continue;
    parameter->ChangeUnitType(entry.unit);
  }
}

}  // namespace engine
