#pragma once

// Private to the framework's sources: what a window is, and the state of the
// one user-interface thread (modal dialogs, timers, posted messages).

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/control_class.h"
#include "platform/win_types.h"
#include "timebase/clock.h"

class CDialog;

struct HWND__ {
  struct Item {
    std::string text;
    DWORD_PTR data = 0;
  };

  int id = 0;
  platform::ControlClass cls = platform::ControlClass::kStatic;
  std::string text;
  CRect rect;
  bool visible = true;
  bool enabled = true;
  bool groupStart = false;  // first control of a radio group
  bool readOnly = false;
  bool multiline = false;
  bool editableCombo = false;
  bool defaultButton = false;
  COLORREF textColor = RGB(0, 0, 0);
  int check = BST_UNCHECKED;
  std::vector<Item> items;  // combo box entries, tab pages
  int selection = -1;       // combo box and tab selection
  int rangeMin = 0;         // slider and spin
  int rangeMax = 100;
  int position = 0;
  int limitText = 0;  // edit: most characters a person can type, 0 = no limit
  HWND buddy = nullptr;
  HBITMAP bitmap = nullptr;

  HWND parent = nullptr;  // the window that holds a control
  HWND owner = nullptr;   // a dialog's opener; visibility does not pass through it
  std::vector<std::unique_ptr<HWND__>> children;
  CWnd* object = nullptr;                 // receives the window's messages
  std::unique_ptr<CWnd> frameworkObject;  // the object the framework made for a control
  std::vector<CWnd*> attached;            // every object attached to this window

  HWND FindChild(int childId) const;
  // Index of `child` among the children; -1 when not a child.
  int IndexOf(HWND child) const;
};

namespace platform {
struct ControlState;
}

namespace platform::detail {

// What a person sees of a control window (ReadControl without the look-up,
// for controls that share an identifier, such as labels without one).
ControlState ReadWindow(HWND control);

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  timebase::Clock::Duration period{};
  timebase::Clock::Duration due{};
  std::uint64_t order = 0;  // equal due times fire in the order they were set
};

struct UiThread {
  std::vector<CDialog*> modalStack;
  std::uint64_t modalSerials = 0;  // showings of dialogs so far
  std::vector<Timer> timers;
  std::uint64_t nextTimerOrder = 0;
  std::deque<MSG> posted;
  std::vector<MSG> dispatching;  // messages being handled, innermost last
  HWND focus = nullptr;
  unsigned heldModifiers = 0;  // bits: 1 Ctrl, 2 Alt, 4 Shift
};

UiThread& Ui();

// Forgets the timers, posted messages and focus of `hwnd` and its children,
// and detaches every object from them, before the windows are deleted.
void ForgetWindowTree(HWND hwnd);

}  // namespace platform::detail
