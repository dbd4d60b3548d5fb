#pragma once

#include "commissioning/result.h"
#include "commissioning/total_inertia.h"

class CVX_Setup;

// The total inertia evaluation and the "Jt" / "Jload_over_J" rule applied
// to a setup.
namespace commissioning {

// The inertia the run reports, with the setup's motor speed scale, current
// scale, slow-loop period and torque constant.
Result<double> MeasuredTotalInertia(CVX_Setup& setup, const InertiaRunReport& report, double testCurrent_counts);

// Whether "Jt" and "Jload_over_J" follow each other: "isMotorInertiaUnknown"
// is 0.
bool MotorInertiaKnown(CVX_Setup& setup);

// After an edit of "Jt": "Jload_over_J" from it. After an edit of
// "Jload_over_J": "Jt" from it. Each returns false and leaves the other
// value as it was when the motor inertia is unknown or not usable.
bool FollowTotalInertia(CVX_Setup& setup);
bool FollowLoadInertiaRatio(CVX_Setup& setup);

// "Jt" below "Jm" while the motor inertia is known: the dialogs then say
// so and mark the motor inertia unknown.
bool TotalInertiaBelowMotor(CVX_Setup& setup);

}  // namespace commissioning
