#pragma once

#include <string_view>

class CVX_Setup;

// The host options that describe the configured axis: open or closed loop,
// which loops are closed, where the position sensors sit, the reference
// program and the motor type. All values are option texts.
namespace engine {

// True when both "ReferenceName" and "MotorType" were set. Stops, returning
// false, at an unknown control mode or position control type, and writes
// nothing when "StepperControlType" is missing.
bool UpdateFeedbackOptions(CVX_Setup& setup);

// The two options of UpdateFeedbackOptions that follow the motor alone, for
// a dialog that changes the motor or control type: "ReferenceName" (true
// when the pair has a reference program and it was set) and "MotorType"
// (true when "StepperMotorType" exists).
bool UpdateReferenceName(CVX_Setup& setup);
bool UpdateMotorTypeOption(CVX_Setup& setup);

// The reference program for a control type and a motor type; empty for a
// pair that has none. A closed-loop three-phase motor runs the open-loop
// three-phase reference: there is no closed-loop one.
std::string_view ReferenceName(int controlType, int motorType);

}  // namespace engine
