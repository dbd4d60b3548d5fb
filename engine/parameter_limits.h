#pragma once

#include <cmath>

class CVX_Parameter;
class CVX_Setup;

namespace engine {

// Gives `target` the limits [low, high] in an order that never leaves its
// minimum above its maximum: an inverted pair is first closed up, then the
// bound that moves away from the other is set first. 0, with nothing
// changed, when low > high or a bound is NaN. `Limited` offers
// Get/SetMinimum and Get/SetMaximum; a template so that tests can watch the
// order of the calls.
template <class Limited>
int SetLimitsInOrder(Limited& target, double low, double high) {
  if (std::isnan(low) || std::isnan(high) || low > high) return 0;
  if (target.GetMaximum() < target.GetMinimum()) target.SetMaximum(target.GetMinimum());
  if (low > target.GetMaximum()) {
    target.SetMaximum(high);
    target.SetMinimum(low);
  } else {
    target.SetMinimum(low);
    target.SetMaximum(high);
  }
  return 1;
}

// The above on a user parameter; 0 for a null parameter. Every recovery
// calls it on its target first and skips the value when it returns 0.
int SetParameterLimits(CVX_Parameter* parameter, double low, double high);

// The limits update steps that need only the kernel and the loop periods.
// Each limits the targets the setup has and returns 1 when it had all of
// them and the values they depend on, else 0.

// "time_ERR_spd", "time_ERR_pos": maximum 32767 slow-loop samples.
int LimitControlErrorTimes(CVX_Setup& setup);
// "PB_C", "PB_S", "PB_P": the range held in "PB_x_minim" / "PB_x_maxim".
int LimitBandwidths(CVX_Setup& setup);
// Test move times: one to 65535 slow-loop samples ("TaPP", "TaNP" from two).
int LimitTestMoveTimes(CVX_Setup& setup);
// Analogue reference "filter": maximum 1 / (2 Ts_S).
int LimitAnalogueFilter(CVX_Setup& setup);
// "DeadBand_Point" by "AnalogueInputsRange", then "DeadBand_Range" from it.
int LimitDeadBand(CVX_Setup& setup);
// "MAX_CURRENT": [0, min("In", "InPS")].
int LimitMaxCurrent(CVX_Setup& setup);
// "NoMicroStepsPerStep": [0, 512].
int LimitMicrosteps(CVX_Setup& setup);
// "SSI_Offset": maximum 2^min("SSI_No_Bits_Revolution", 32).
int LimitSsiOffset(CVX_Setup& setup);
// "BQFilterF1<k>" for each available filter: maximum 0.5 / Ts_S - 1.
int LimitBiquadCorners(CVX_Setup& setup);

// The limits of "DeadBand_Point" for an analogue input range in volts.
struct VoltRange {
  double low_V;
  double high_V;
};
VoltRange DeadBandPointLimits(double inputRange_V);

// Biquad filters the firmware offers: 0 when the speed and position loops
// run in the fast loop, else the option "MaxFilters", 10 when it is absent.
int MaxBiquadFilters(CVX_Setup& setup);

}  // namespace engine
