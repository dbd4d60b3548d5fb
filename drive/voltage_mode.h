#pragma once

#include "drive/named_values.h"

// The open-loop voltage mode of a two-phase stepper ("OSR" bit 14 clear):
// no current loop; the voltage vector turns with the commanded microstep and
// its amplitude grows with the speed,
//     amplitude = "UOFFSET" + "KOMEGA" · |rate|        (voltage counts),
// rate in microsteps per slow-loop sample.
//
// "KOMEGA" is an int16 register in voltage counts per (microstep per slow
// sample), an integer with no fraction bits. A stepper's back-EMF is K·ω
// volts, and its winding's reactance adds ω_e·L·I: both are proportional to
// the speed, so one count per unit of rate is the natural grain. At the
// examples' figures (K 0.26-0.75 V·s/rad, 24-72 V supplies, 64-256
// microsteps per step, 0.5-0.8 ms slow loop) that puts the constant between
// some 60 and 400, where one count is well under 2 % and the register has
// room to spare. Eight fraction bits would put the same motors at 15 000 to
// 100 000, beyond the register.
//
// "KOMEGA_test" is the same constant for 256 microsteps per step: a
// microstep of N per step is 256 / N of those, so the register for N
// microsteps is 256 / N · "KOMEGA_test".
namespace drive {

// The amplitude for `rate_microsteps_per_sample`, limited to `limit_counts`.
double VoltageModeAmplitude_counts(double offset_counts, double komega, double rate_microsteps_per_sample,
                                   double limit_counts);

// The largest speed constant whose amplitude at `rate` stays within the
// limit (the constant is never negative).
double LargestSpeedConstant(double offset_counts, double rate_microsteps_per_sample, double limit_counts);

}  // namespace drive
