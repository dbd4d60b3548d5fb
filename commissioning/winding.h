#pragma once

// How the motor's windings meet the drive, as far as the electrical tests
// care. A delta motor looks to the drive like a star of windings with a third
// of the impedance, so the tests design with R / 3 and store three times what
// they measure.
namespace commissioning {

// "StepperMotorType" 1 (three-phase) with "MotorPhaseConnectionType" 1 (delta).
inline bool IsDeltaConnected(double stepperMotorType, double phaseConnectionType) {
  return stepperMotorType == 1 && phaseConnectionType == 1;
}

// What a measured phase impedance is multiplied by to give the winding's own.
inline double WindingImpedanceFactor(bool delta) { return delta ? 3.0 : 1.0; }

}  // namespace commissioning
