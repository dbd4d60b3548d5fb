#pragma once

#include "platform/control_class.h"
#include "platform/wnd.h"

// Makes `widget` the object of control `id` of `parent`; FALSE when the
// dialog has no such control or the control is of another class. Attaching
// again to the same control is harmless.
BOOL AttachWidget(CWnd& widget, CWnd* parent, int id, platform::ControlClass expected);
