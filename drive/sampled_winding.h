#pragma once

#include <complex>
#include <optional>

// A winding as the drive's current loop sees it: the voltage computed in one
// sample is held over that sample by the bridge, and the current is sampled
// at the start of the next, so the sampled current obeys exactly
//     i[k+1] = d i[k] + b u[k],   d = exp(-Ts R / L),  b = (1 - d) / R.
// A sinusoidal voltage turning by `step_rad` per sample therefore drives a
// sampled current whose phasor carries the hold and the sample's delay as
// well as R and L: read as if it were the continuous current, it makes a
// short winding (L / R of a few samples) look inductive out of all
// proportion. Knowing its own sampling, the drive inverts the sampled
// relation instead and recovers R and L.
//
// Units are the drive's: voltages in voltage counts, currents in current
// counts, so R is voltage counts per current count and L the same times
// seconds.
namespace drive {

struct WindingModel {
  double resistance = 0.0;
  double inductance_s = 0.0;
};

// R and L from the fundamental phasors of the held voltage sequence and of
// the sampled current (both resolved over whole periods against the same
// angle). Nothing when the phasors cannot come from a winding: no current,
// or a current that does not lag the voltage.
std::optional<WindingModel> WindingFromSampledPhasors(std::complex<double> voltage, std::complex<double> current,
                                                      double step_rad, double period_s);

// The continuous current a sinusoidal voltage of `amplitude` at `omega_rad_s`
// drives through the winding, as the part lagging the voltage by a quarter
// turn and the part in phase with it.
struct ResolvedCurrent {
  double lagging = 0.0;
  double in_phase = 0.0;
};
ResolvedCurrent ContinuousResponse(const WindingModel& winding, double amplitude, double omega_rad_s);

}  // namespace drive
