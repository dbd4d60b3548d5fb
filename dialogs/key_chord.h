#pragma once

#include "platform/keyboard.h"
#include "platform/win_types.h"

namespace dialogs {

// The hidden chord of a dialog's expert view: `letter` pressed while Ctrl,
// Alt and Shift are held, as the dialog's PreTranslateMessage sees it.
inline bool IsExpertChord(const MSG& message, char letter) {
  return message.message == WM_KEYDOWN && message.wParam == static_cast<WPARAM>(letter) &&
         GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0 && GetKeyState(VK_SHIFT) < 0;
}

}  // namespace dialogs
