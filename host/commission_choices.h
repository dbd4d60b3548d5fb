#pragma once

#include <string>

// The inputs that commissioning must choose where a setup does not fix them
// well: test currents, the inertia test's speed, the tuning bandwidths.
// Each is what a careful engineer would take from what is known by then
// (the motor's and drive's currents, the supply, the identified R, L and
// inertia), with the reason, so that the commissioning can print it.
namespace host {

struct Choice {
  double value = 0.0;  // base units
  std::string why;
};

// Half the rated current of motor and drive, less when the supply could not
// drive it through the winding with room to spare: the identification tests
// need a current they can hold steadily, not the motor's torque.
Choice TestCurrentChoice(double motorRated_A, double driveRated_A, double supply_V, double resistance_Ohm);

// The protection trips at 1.5 times the test current (a tuning run
// overshoots), never beyond what motor and drive allow, never below the
// test current itself.
Choice ProtectionCurrentChoice(double testCurrent_A, double allowed_A);

// The drive's current limit during the tuning runs: 90 % of the protection,
// the most the tuning test recommends.
Choice TuningCurrentLimitChoice(double protection_A);

// The speed the inertia test accelerates to: reached in about a quarter
// second with the inertia known so far, well below the speed at which the
// back-EMF eats the supply, within the parameter's range.
Choice InertiaTestSpeedChoice(double testCurrent_A, double torqueConstant_NmPerA, double inertia_kgm2,
                              double supply_V, double highest_rad_s);

// The speed tuning's test speed (of the load; `motorPerLoad` motor turns per
// load turn): the setup's, lowered until the motor's back-EMF takes a
// quarter of the supply (the bound of every speed the commissioning runs
// at), with its sign kept.
Choice TestSpeedChoice(double speed_rad_s, double motorPerLoad, double torqueConstant_NmPerA, double supply_V);

// A position profile's ramp carries the travel (of the load) at constant
// speed: long enough that the motor's speed stays within the same back-EMF
// bound. A motor asked to run faster falls behind its target until the
// control error protection stops it.
Choice PositionRampTimeChoice(double ramp_s, double travel, double motorPerLoad, double torqueConstant_NmPerA,
                              double supply_V);

// The speed loop a tenth as fast as the current loop and at most a tenth of
// the slow loop's sampling rate (so that the sampled loop behaves as its
// continuous design).
Choice SpeedBandwidthChoice(double currentBandwidth_rad_s, double slowLoop_s);

// The position loop a fifth as fast as the speed loop beneath it.
Choice PositionBandwidthChoice(double speedBandwidth_rad_s);

// A speed profile's ramp long enough that accelerating the total inertia
// to the test speed takes at most half the current limit.
Choice RampTimeChoice(double ramp_s, double speed_rad_s, double inertia_kgm2, double torqueConstant_NmPerA,
                      double currentLimit_A);

}  // namespace host
