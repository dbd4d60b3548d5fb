#pragma once

class CVX_Setup;

// The units in which load-side quantities are shown follow the load: a
// rotary load ("TransmissionType" 0) in rotations, rpm and rad/s^n, a linear
// one in millimetres and m/s^n. Changes the unit type of the parameters and
// drive variables concerned; any that the setup lacks is skipped, and
// nothing changes while "TransmissionType" is missing. Never shows a message.
namespace engine {

void UpdateLoadUnits(CVX_Setup& setup);

}  // namespace engine
