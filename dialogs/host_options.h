#pragma once

class CVX_Setup;

namespace dialogs {

// Brings the host's view of the axis up to date after the configuration
// changed: the feedback and mode options, the load-side units and the step
// units, in that order. Writes no register and shows no message.
void UpdateHostOptions(CVX_Setup& setup);

}  // namespace dialogs
