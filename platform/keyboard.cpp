#include "platform/keyboard.h"

#include "platform/window_state.h"

SHORT GetKeyState(int nVirtKey) {
  unsigned bit = 0;
  if (nVirtKey == VK_CONTROL) bit = platform::kCtrl;
  if (nVirtKey == VK_MENU) bit = platform::kAlt;
  if (nVirtKey == VK_SHIFT) bit = platform::kShift;
  // The high bit marks a key that is down.
  return (platform::detail::Ui().heldModifiers & bit) != 0 ? static_cast<SHORT>(0x8000) : SHORT{0};
}

namespace platform {

HeldModifiers::HeldModifiers(unsigned modifiers) : previous_(detail::Ui().heldModifiers) {
  detail::Ui().heldModifiers = modifiers;
}

HeldModifiers::~HeldModifiers() { detail::Ui().heldModifiers = previous_; }

}  // namespace platform
