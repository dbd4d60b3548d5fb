#pragma once

#include "platform/win_types.h"

// Negative while the key is held, as the chord handlers test it:
// GetKeyState(VK_CONTROL) < 0. Only Ctrl, Alt (VK_MENU) and Shift are
// tracked; they are held only while a person's key press is dispatched.
SHORT GetKeyState(int nVirtKey);

namespace platform {

enum Modifier : unsigned { kNoModifier = 0, kCtrl = 1, kAlt = 2, kShift = 4 };

// Holds modifier keys for its lifetime (while one key press is dispatched).
class HeldModifiers {
 public:
  explicit HeldModifiers(unsigned modifiers);
  ~HeldModifiers();
  HeldModifiers(const HeldModifiers&) = delete;
  HeldModifiers& operator=(const HeldModifiers&) = delete;

 private:
  unsigned previous_;
};

}  // namespace platform
