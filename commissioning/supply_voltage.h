#pragma once

#include "commissioning/result.h"

// The DC supply from the converter's reading of it: the drive measures
// "VdcMaxMeasurable" at the converter's full-scale count.
namespace commissioning {

// counts / (ADCMax / "VdcMaxMeasurable"), in volts, unrounded. Fails when the
// converter maximum or the measurable voltage is not positive, or a value is
// not finite; a negative reading is no supply and fails too.
Result<double> SupplyVoltage_V(double counts, double adc_max, double vdc_max_measurable_V);

}  // namespace commissioning
