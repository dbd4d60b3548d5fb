#pragma once

#include <optional>
#include <string>
#include <string_view>

class CVX_Setup;

// The PWM timer and the two loop periods as registers and user values. The
// drive runs the fast (current) loop every "CLPER" PWM periods and the slow
// (speed and position) loop every "SLPER" PWM periods; the PWM timer counts
// up and down, so one PWM period is 2 "PWMPER" processor clock ticks.
//
// Register functions return 1, or 0 with nothing written when a parameter
// they need is missing or the result would be zero or not finite.
namespace engine {

// "PWMPER" = "DSP_freq" * 0.5 / "PWM_freq".
int ComputePWMPER(CVX_Setup& setup);
// "SATPWM" = "PWM_freq" * 0.13107 when "CurrentMeasurementType" is not 0,
// else 0. No recovery: nothing of the user's is held in it.
int ComputeSATPWM(CVX_Setup& setup);

// User values recovered from the timer and divider registers.
int RecoverPWM_freq(CVX_Setup& setup);
int RecoverPWMperiod(CVX_Setup& setup);
int RecoverTs_C(CVX_Setup& setup);
int RecoverTs_S(CVX_Setup& setup);
// Bit 6 of "UPGRADE", limits [0, 1]. A firmware without the switch
// succeeds without change.
int RecoverPosSpd_in_FastLoop(CVX_Setup& setup);

// After a divider or the PWM frequency changed: "Ts_S", "Ts_C", "PWMPER",
// "SATPWM", "PWMperiod", in this order. 1 when all five were written.
int RecomputeTimingParameters(CVX_Setup& setup);

// The Advanced dialog's OK is refused while a loop period is shorter than
// the drive's minimum ("Ts_C_min", "Ts_S_min"; absent or 0: no minimum).
// The message to show, or nullopt when the period is long enough. The same
// test decides the warning marker next to the divider.
std::optional<std::string> FastLoopMinimumMessage(CVX_Setup& setup);
std::optional<std::string> SlowLoopMinimumMessage(CVX_Setup& setup);

// The caption under the dividers: open loop derives the slow loop from the
// fast one.
std::string_view SlowLoopPeriodCaption(bool openLoop);

}  // namespace engine
