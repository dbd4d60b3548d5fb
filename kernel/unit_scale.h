#pragma once

class CVX_Setup;

namespace kernel {

// The loaded plug-in's unit scale functions. A value in base units equals
// (internal + offset) * factor for the quantity's unit type. Until the host
// installs them every factor is 1 and every offset 0.
using ScaleFactorFn = double (*)(CVX_Setup* setup, const char* unitType, const char* name);
using ScaleOffsetFn = double (*)(CVX_Setup* setup, const char* unitType);

void SetUnitScaleFunctions(ScaleFactorFn factor, ScaleOffsetFn offset);
ScaleFactorFn InstalledScaleFactor();
ScaleOffsetFn InstalledScaleOffset();

struct Scale {
  double factor = 1.0;
  double offset = 0.0;
};

}  // namespace kernel
