#pragma once

#include "dialogs/setup_values.h"
#include "engine/sequences.h"

// What the Step Motor and Load Setup dialog binds, and when: a control is
// enabled only while its parameter is bound, so the rules ask the same
// questions as the bindings.
namespace motorsetup {

using dialogs::BaseValue;
using dialogs::Has;
using dialogs::IntValue;

inline constexpr int kNoSensor = 0;
inline constexpr int kIncremental = 1;
inline constexpr int kSineCosine = 2;

// What the drive reads on each side.
inline bool MotorIncremental(CVX_Setup& s) { return s.HasDLMotorSensor(kIncremental); }
inline bool MotorSineCosine(CVX_Setup& s) { return s.HasDLMotorSensor(kSineCosine); }
inline bool LoadIncremental(CVX_Setup& s) { return s.HasDLLoadSensor(kIncremental); }
inline bool LoadSineCosine(CVX_Setup& s) { return s.HasDLLoadSensor(kSineCosine); }

// The encoder input filter and the counting direction of each side. The
// load side's have parameters of their own, which a firmware may lack even
// where the motor side has them.
inline bool MotorFilter(CVX_Setup& s) { return MotorIncremental(s) && engine::HasEncoderFilter(s); }
inline bool LoadFilter(CVX_Setup& s) {
  return LoadIncremental(s) && engine::HasEncoderFilter(s) && Has(s, "isFilterEnc_LD") && Has(s, "FilterEncValue_LD");
}
inline bool MotorReverse(CVX_Setup& s) { return MotorIncremental(s) && Has(s, "ReverseCounting"); }
inline bool LoadReverse(CVX_Setup& s) {
  return LoadIncremental(s) && Has(s, "ReverseCounting") && Has(s, "ReverseCounting_LD");
}

// A serial load sensor on a linear axis, with its travel per count.
inline bool LinearSerialLoad(CVX_Setup& s) { return engine::HasSerialLoadSensor(s) && Has(s, "SSI_Resolution_LD"); }

// A brake the drive can drive: the brake registers and an output for it.
inline bool BrakeOutput(CVX_Setup& s) { return engine::HasBrake(s) && s.GetNumberOfBrakeOutputs() > 0; }

inline bool HasMovementDirection(CVX_Setup& s) { return Has(s, "IsReverseMovementDirection"); }

}  // namespace motorsetup
