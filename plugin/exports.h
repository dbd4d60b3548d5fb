#pragma once

// The plug-in's whole outer face. The host finds each of these by its plain
// name with dlsym, so they have C linkage and default visibility; the host
// includes this header only for the signatures and never links the module.

class CVX_Setup;

#define SCL_EXPORT __attribute__((visibility("default")))

extern "C" {

// Opens the Drive Setup dialog on `setup`, or the dialog the host asked for
// (kernel/dialog_request.h): 1 when the user closed it with OK, 0 otherwise.
SCL_EXPORT int EditSetup(void* setup);
// Brings every derived user value, limit, option and unit up to date from the
// stored registers; writes no register. A null setup is ignored.
SCL_EXPORT void ComputeAllOptions(CVX_Setup* setup);
// Called as the host initialises each parameter; rebuilds the step units once
// all five transmission-related parameters have been initialised.
SCL_EXPORT int OnInitParam(CVX_Setup* setup, const char* name);
// Engineering units per drive unit of the quantity `name` in `unitType`.
SCL_EXPORT double GetScaleFactor(CVX_Setup* setup, const char* unitType, const char* name);
// The offset in drive units: engineering value = (drive value + offset) * factor.
SCL_EXPORT double GetScaleOffset(CVX_Setup* setup, const char* unitType);

// A flag that lives in the library for the host; the plug-in never uses it.
SCL_EXPORT extern int g_bKufSinusoidalMode;

}  // extern "C"

namespace plugin {

using EditSetupFn = decltype(&EditSetup);
using ComputeAllOptionsFn = decltype(&ComputeAllOptions);
using OnInitParamFn = decltype(&OnInitParam);
using GetScaleFactorFn = decltype(&GetScaleFactor);
using GetScaleOffsetFn = decltype(&GetScaleOffset);

inline constexpr const char* kEditSetupName = "EditSetup";
inline constexpr const char* kComputeAllOptionsName = "ComputeAllOptions";
inline constexpr const char* kOnInitParamName = "OnInitParam";
inline constexpr const char* kGetScaleFactorName = "GetScaleFactor";
inline constexpr const char* kGetScaleOffsetName = "GetScaleOffset";
inline constexpr const char* kKufSinusoidalModeName = "g_bKufSinusoidalMode";

}  // namespace plugin
