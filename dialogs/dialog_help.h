#pragma once

#include "kernel/ui/help_topic.h"

namespace dialogs {

// Opens the host's help file for a setup at a topic; nothing when the host
// gives no help file.
using kernel::ShowHelpTopic;

}  // namespace dialogs
