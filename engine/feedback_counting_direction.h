#pragma once

class CVX_Setup;

// The counting direction of the two encoder inputs. "COUNTINGDIR" reverses
// input 0 and "COUNTINGDIR_LD" input 1; the user reverses a sensor
// ("ReverseCounting" the motor's, "ReverseCounting_LD" the load's), so the
// registers follow from which input each sensor is on. A sensor is on input
// 1 when its connector parameter is 1, else on input 0; it is present when
// its type is not 0. Two sensors on one input cannot be told apart, and the
// input is then left counting forward.
namespace engine {

struct SensorPlacement {
  int motorType = 0;
  int loadType = 0;
  int motorConnector = 0;
  int loadConnector = 0;
};

struct InputDirections {
  bool input0Reversed = false;  // "COUNTINGDIR"
  bool input1Reversed = false;  // "COUNTINGDIR_LD"
};

InputDirections DirectionsFor(const SensorPlacement& placement, bool motorReversed, bool loadReversed);

// The user flags read back from the input registers. Where the computation
// above is given an input that only one sensor uses, these give back what it
// was given, and applying the computation to what they give changes no
// register: a connector counts only for a sensor that is present, and every
// present load sensor reads its input's register (SSI and BiSS included, as
// the computation sets it for them).
bool MotorReversedFrom(const SensorPlacement& placement, const InputDirections& directions);
bool LoadReversedFrom(const SensorPlacement& placement, const InputDirections& directions);

// Only firmware with "ReverseCounting" has the registers.
bool HasCountingDirection(CVX_Setup& setup);

// Return 1, or 0 with nothing written when a parameter is missing.
int ComputeCOUNTINGDIR(CVX_Setup& setup);
int ComputeCOUNTINGDIR_LD(CVX_Setup& setup);
// Limits [0, 1] each.
int RecoverReverseCounting(CVX_Setup& setup);
int RecoverReverseCounting_LD(CVX_Setup& setup);

}  // namespace engine
