#pragma once

#include "commissioning/result.h"

// The phase resistance from two runs of the resistance program, at the test
// current and at half of it. The difference of the two operating points
// cancels the bridge's constant voltage drop, which a single run would
// count as resistance.
namespace commissioning {

struct ResistanceRun {
  double voltage_counts = 0.0;  // the mean voltage the controller applied ("var_i1")
  double current_counts = 0.0;  // the mean current it measured (logged "IQ")
};

struct ResistanceRuns {
  double test_current_counts = 0.0;  // what the first run asked for; the second asked for half
  ResistanceRun full;
  ResistanceRun half;
  double current_counts_per_A = 0.0;
  double voltage_counts_per_V = 0.0;  // for the measured supply
};

// The share of the test current a run must reach for its operating point to
// count; below it the supply held the current back.
inline constexpr double kReachedShare = 0.9;

// R = (U1 - U2) / (m1 - m2) / Kv * Kc, in ohms, for the drive's view of the
// winding (a delta's caller multiplies by 3). Fails with a text that names
// the cause when the first run did not reach the test current, when the two
// runs measured (nearly) the same current (the supply cannot drive the test
// current, or the test current is too small to halve), when an input is not
// finite, or when the result is not a positive finite number.
Result<double> ResistanceFromTwoRuns(const ResistanceRuns& runs);

}  // namespace commissioning
