#pragma once

class CVX_Setup;

namespace engine {

// Register computation followed at once by user value recovery, so that the
// user values show what the drive will use.
using RoundTripFn = void (*)(CVX_Setup& setup);
void RegisterRoundTrip(CVX_Setup& setup);

// Keeps every time-based user value unchanged in engineering units after the
// slow-loop period changed; ratio = old period / new period. The kernel
// stores internal values (ticks, counts per sample), so times are multiplied
// by the ratio, speeds and current rates divided by it, accelerations divided
// by its square; other unit types, derived values and constants stay. A
// value that its limits clip is written again after `roundTrip` has brought
// the limits up to date. When the clipping shortened a protection's i2t time
// ("t_I2t_D", "t_I2t_M"), its current ("I_I2t_D", "I_I2t_M") grows so that
// current^2 * time stays.
//
// 0, with nothing written, when the ratio is not a finite positive number.
int RescaleTimeParameters(CVX_Setup& setup, double ratio, RoundTripFn roundTrip = RegisterRoundTrip);

}  // namespace engine
