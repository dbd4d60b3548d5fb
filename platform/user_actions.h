#pragma once

// What a person can do to a dialog and see on it. Each action checks first
// that a person could do it (the control exists, is visible and enabled, and
// is of a class that takes the action), and then sends the notifications
// the real control sends. Users (scripts, the front end) act through these.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control_class.h"
#include "platform/win_types.h"

class CDialog;

namespace platform {

struct ActionResult {
  bool ok = true;
  std::string error;  // why a person could not do it: "control 3171 is disabled"

  static ActionResult Done() { return {}; }
  static ActionResult Refused(std::string why) { return {false, std::move(why)}; }
};

// Types `text` into an edit and leaves it: EN_CHANGE, then EN_KILLFOCUS.
// The edit's character limit cuts what is typed, as it cuts a person.
ActionResult TypeInto(CDialog& dialog, int id, std::string_view text);
// Picks the combo box entry with exactly this text / this item data (the
// first such): the selection changes, then CBN_SELCHANGE.
ActionResult SelectByText(CDialog& dialog, int id, std::string_view text);
ActionResult SelectByData(CDialog& dialog, int id, DWORD_PTR data);
// Clicks a button. A check box toggles, a radio button becomes the checked
// one of its group; then BN_CLICKED (IDOK and IDCANCEL reach OnOK/OnCancel).
ActionResult Click(CDialog& dialog, int id);
// Clicks a check box or radio button only when its state differs from
// `checked`; a person cannot clear a checked radio button.
ActionResult SetChecked(CDialog& dialog, int id, bool checked);
// Switches a tab control to page `index`: TCN_SELCHANGING (a handler that
// returns TRUE keeps the page), then TCN_SELCHANGE.
ActionResult SelectTab(CDialog& dialog, int id, int index);
// Drags a slider to `position` (within its range): WM_HSCROLL with
// TB_THUMBPOSITION, then TB_ENDTRACK.
ActionResult MoveSlider(CDialog& dialog, int id, int position);
// Clicks a spin arrow: UDN_DELTAPOS (a handler that returns TRUE refuses),
// the position moves within the range, then WM_VSCROLL SB_THUMBPOSITION.
ActionResult ClickSpin(CDialog& dialog, int id, int delta);
// Presses virtual key `key` while `modifiers` (platform/keyboard.h) are held.
// The dialog's PreTranslateMessage sees WM_KEYDOWN first; what it does not
// take is dispatched to the dialog.
ActionResult PressKey(CDialog& dialog, int key, unsigned modifiers);
// A letter pressed with Ctrl, Alt and Shift held.
ActionResult PressChord(CDialog& dialog, char letter);
// The close box of the title bar: WM_CLOSE.
ActionResult CloseDialog(CDialog& dialog);

// What a person sees of a control.
struct ControlState {
  ControlClass cls = ControlClass::kStatic;
  // Edit: its content; combo box: the text shown; tab control: the selected
  // page's name; slider, spin and progress bar: the position; others
  // (the kernel's widgets too): the caption.
  std::string text;
  bool visible = false;
  bool enabled = false;
  int check = BST_UNCHECKED;  // check boxes and radio buttons
  COLORREF color = 0;         // text colour when last painted
  int selection = -1;         // combo box entry or tab page
  std::vector<std::string> items;
  std::string bitmap;         // name of the bitmap shown, if any
  // Where it sits in the dialog, in dialog units, and what a front end
  // needs to draw it as the person would see it.
  CRect rect;
  int rangeMin = 0;  // slider, spin and progress bar
  int rangeMax = 0;
  int position = 0;
  bool readOnly = false;   // edit
  bool multiline = false;  // edit
  bool editable = false;   // combo box a person may type into
  bool defaultButton = false;
};

// Nothing when the dialog has no control `id`.
std::optional<ControlState> ReadControl(const CDialog& dialog, int id);

// "#RRGGBB" for a colour (COLORREF keeps blue in the high byte).
std::string ColorText(COLORREF color);

}  // namespace platform
