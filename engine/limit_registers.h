#pragma once

#include <string_view>

class CVX_Setup;

// Position limits and position windows: the software limit switches, the
// position range, the motion-complete window and the freeze-control window.
// Positions count in the signed position scale P; times in slow-loop
// samples.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing or a value would not be finite (no position scale, a zero
// slow-loop period). A recovery first gives its user parameter the limits
// the registers can hold.
namespace engine {

// ----- software limit switches (only when the setup has "isSWLS") -----

// "Negative_SWLS" * P and "Positive_SWLS" * P; a negative P swaps the two
// registers, so the drive's negative switch stays its lower count.
int ComputeSWNEGLS(CVX_Setup& setup);
int ComputeSWPOSLS(CVX_Setup& setup);
// Limits: the 32-bit register range over |P|.
int RecoverNegative_SWLS(CVX_Setup& setup);
int RecoverPositive_SWLS(CVX_Setup& setup);

// ----- position range (only when the setup has "POSRANGEDEF") -----

bool HasPositionRange(CVX_Setup& setup);

// "isPosRange" in closed loop, else 0.
int ComputePOSRANGEDEF(CVX_Setup& setup);
int RecoverIsPosRange(CVX_Setup& setup);

// The range in counts, narrowed by one count: the minimum moves up when its
// magnitude is the larger, else the maximum moves down. 0 .. 0 while the
// range is not in effect ("POSRANGEDEF" would hold 0).
int ComputeMINPOSRANGE(CVX_Setup& setup);
int ComputeMAXPOSRANGE(CVX_Setup& setup);
// Widened back by the count the computation took off; limits as the
// software limit switches.
int RecoverPosRange_Minimum(CVX_Setup& setup);
int RecoverPosRange_Maximum(CVX_Setup& setup);

// The narrowing, in counts; `low` and `high` as the user range gives them.
struct CountRange {
  double low;
  double high;
  friend bool operator==(const CountRange&, const CountRange&) = default;
};
CountRange NarrowPositionRange(CountRange range);
// The range that narrows to `registered`: of the two candidates (one more
// count above, or one below), the one the magnitudes point to, unless only
// the other narrows back to `registered`. So a recovered range computes the
// same registers again, and ranges never drift.
CountRange WidenPositionRange(CountRange registered);

// ----- motion complete (only when the setup has
// "MotionCompleteDefaultSettings") -----

// "MotionCompleteSettleBand" * |P| when "MotionCompleteType" is 0, else 0.
int ComputePOSOKLIM(CVX_Setup& setup);
// "MotionCompleteStabilizeTime" in samples when "MotionCompleteType" is 0,
// else 65535 (no stabilize time).
int ComputeTONPOSOK(CVX_Setup& setup);
// Limits always; the value only while "UPGRADE" selects the default motion
// complete (bit 11).
int RecoverMotionCompleteSettleBand(CVX_Setup& setup);
int RecoverMotionCompleteStabilizeTime(CVX_Setup& setup);

// ----- freeze control (only when the setup has "POSOKLIM_FC" and
// "TONPOSOK_FC") -----

int ComputePOSOKLIM_FC(CVX_Setup& setup);  // "FreezeControl_errband" * |P|
int ComputeTONPOSOK_FC(CVX_Setup& setup);  // "FreezeControl_time" in samples
int RecoverFreezeControl_errband(CVX_Setup& setup);
int RecoverFreezeControl_time(CVX_Setup& setup);

// ----- shared by the reference, limit and I/O register families -----

// A recovery's write: limits [low, high], then the value in base units. 0,
// with nothing changed, when the target is missing, when its unit cannot
// convert now (a scale it hangs on is zero, so the kernel would refuse the
// value with an error message) or when the limits are refused.
int RecoverUserValue(CVX_Setup& setup, std::string_view name, double value, double low, double high);

// `value` as the register `name` will hold it, rounded and bounded to its
// type; `value` itself when the setup lacks the register. A decision taken
// on the value must be the one the recovery reads back from the register.
double AsRegisterHolds(CVX_Setup& setup, std::string_view name, double value);

// `target` = the user time (s) / Ts_S, in internal units.
int ComputeSlowLoopSamples(CVX_Setup& setup, std::string_view target, std::string_view user);
// `user` = Ts_S * `source`, with limits [minimum_s, maxSamples * Ts_S].
int RecoverSlowLoopTime(CVX_Setup& setup, std::string_view user, std::string_view source, double minimum_s,
                        double maxSamples);

}  // namespace engine
