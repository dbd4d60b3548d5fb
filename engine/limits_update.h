#pragma once

class CVX_Setup;

// The parameter limits update: the user parameters' ranges follow the loop
// periods, the position, speed and current scales and the register widths.
// One function per step, run in this order by RunLimitsUpdate. Each returns
// 1 when it set every limit it is for, 0 when a parameter or a scale it
// needs is missing (that limit stays as it was, the others are still set).
// A step for a feature the firmware lacks does nothing and returns 1.
namespace engine {

// 1. "ERR_speed" up to 32767 speed units, "ERR_position" up to 32767
//    position units (2147483647 with the long register "ERRMAXL"), both
//    over the scale's magnitude; "time_ERR_spd", "time_ERR_pos" up to 32767
//    slow-loop samples.
int LimitControlErrors(CVX_Setup& setup);
// 2. LimitBandwidths and 3. LimitTestMoveTimes of parameter_limits.h.
// 4. "TestPosition" within what the shorter position test ramp reaches at
//    32767 position units per sample; "TestSpeed" within "Limit_Speed" and
//    32767 speed units; both symmetric.
int LimitTestMotion(CVX_Setup& setup);
// 5. With the analogue reference: its filter corner, dead band, and the
//    position, speed and current ranges "POS_*", "SPD_*", "CRT_*", each pair
//    kept ordered.
int LimitAnalogueReference(CVX_Setup& setup);
// 6. With the electric angle controller ("KPTHT"): "MAX_CURRENT".
int LimitElectricAngleCurrent(CVX_Setup& setup);
// 7. Under the option "ExtendedMicroSteps": "NoMicroStepsPerStep" [0, 512].
int LimitExtendedMicrosteps(CVX_Setup& setup);
// 8. With a serial motor sensor: the "SSI_Offset" maximum.
int LimitSerialSensorOffset(CVX_Setup& setup);
// 9. With the biquad filters ("IQREF_BQ_INI"): their corner maxima.
int LimitBiquadFilterCorners(CVX_Setup& setup);

// Steps 1 to 9.
void RunLimitsUpdate(CVX_Setup& setup);

}  // namespace engine
