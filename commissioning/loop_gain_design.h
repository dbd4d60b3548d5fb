#pragma once

#include <string>

#include "commissioning/result.h"

// What the speed and position gain designs share: the sampling period they
// design for, the plant seen by a loop that commands current, and the check
// that a designed gain fits the drive's scaled-gain registers.
namespace commissioning {

// The speed and position loops run in the fast loop when the firmware has
// "PosSpd_in_FastLoop" set; otherwise in the slow loop.
double GainDesignPeriod_s(double fastLoop_s, double slowLoop_s, bool posSpdInFastLoop);

// A loop that commands current drives the inertia through the torque
// constant; its gains are in drive units, so the current and position
// scales enter.
struct CurrentCommandPlant {
  double inertia_kgm2;             // "Jt"
  double torqueConstant_NmPerA;    // "K"
  double currentScale_countsPerA;  // converter counts per ampere
};

// Jt / K * Kc, or why it cannot be formed (zero or non-finite inputs).
Result<double> InertiaOverTorqueCounts(const CurrentCommandPlant& plant);

// An empty text when every value is finite and representable by a scaled
// gain (0 to 16384), else a text naming `what` and the value.
std::string CheckDesignedGain(const char* what, double gain);

// The design inputs every loop shares: a positive finite bandwidth and a
// non-negative finite damping; empty text when they are.
std::string CheckBandwidthAndDamping(double bandwidth_rad_s, double damping);

}  // namespace commissioning
