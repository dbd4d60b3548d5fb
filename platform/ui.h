#pragma once

// Everything the dialog code uses of the headless user-interface framework.

#include "platform/bitmap.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/html_help.h"
#include "platform/keyboard.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/message_map.h"
#include "platform/win_app.h"
#include "platform/win_types.h"
#include "platform/wnd.h"
#include "timebase/clock.h"
