#include "commissioning/supply_voltage.h"

#include <cmath>

namespace commissioning {

Result<double> SupplyVoltage_V(double counts, double adc_max, double vdc_max_measurable_V) {
  if (!std::isfinite(counts) || !std::isfinite(adc_max) || !std::isfinite(vdc_max_measurable_V) || adc_max <= 0.0 ||
      vdc_max_measurable_V <= 0.0) {
    return Failure{
        "The supply voltage cannot be computed: the converter range or \"VdcMaxMeasurable\" of the setup is not "
        "valid."};
  }
  if (counts < 0.0) {
    return Failure{"The drive reported a negative supply voltage."};
  }
  return counts / (adc_max / vdc_max_measurable_V);
}

}  // namespace commissioning
