#include "dialogs/host_options.h"

#include "engine/feedback_options.h"
#include "engine/load_units.h"
#include "engine/step_units.h"

namespace dialogs {

void UpdateHostOptions(CVX_Setup& setup) {
  // Each part stands alone: a setup that cannot name its reference still
  // gets its units.
  engine::UpdateFeedbackOptions(setup);
  engine::UpdateLoadUnits(setup);
  engine::UpdateStepUnits(setup);
}

}  // namespace dialogs
