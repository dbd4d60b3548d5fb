#include "platform/user_actions.h"

#include <algorithm>
#include <cctype>
#include <string>

#include <fmt/format.h>

#include "platform/dialog.h"
#include "platform/keyboard.h"
#include "platform/resources.h"
#include "platform/window_state.h"

namespace platform {

namespace {

bool Shown(HWND hwnd) {
  for (HWND w = hwnd; w; w = w->parent) {
    if (!w->visible) return false;
  }
  return true;
}

// The control a person is about to use: it must exist, be visible and be
// enabled.
ActionResult Reach(CDialog& dialog, int id, HWND& control) {
  control = dialog.m_hWnd ? dialog.m_hWnd->FindChild(id) : nullptr;
  if (!control) return ActionResult::Refused("the control does not exist");
  if (!Shown(control)) return ActionResult::Refused("the control is hidden");
  if (!control->enabled) return ActionResult::Refused("the control is disabled");
  return ActionResult::Done();
}

ActionResult WrongClass(HWND control, std::string_view action) {
  return ActionResult::Refused(
      fmt::format("the control is {}, which cannot {}", ControlClassPhrase(control->cls), action));
}

void Notify(HWND control, UINT code) {
  SendTo(control->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control->id), static_cast<WORD>(code)),
         reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyHeader(HWND control, NMHDR& header) {
  return SendTo(control->parent, WM_NOTIFY, static_cast<WPARAM>(control->id), reinterpret_cast<LPARAM>(&header));
}

void Pick(HWND combo, std::size_t index) {
  combo->selection = static_cast<int>(index);
  combo->text = combo->items[index].text;
  Notify(combo, CBN_SELCHANGE);
}

std::string ItemList(HWND combo) {
  std::string list;
  constexpr std::size_t kShown = 10;
  for (std::size_t i = 0; i < combo->items.size() && i < kShown; ++i) {
    list += fmt::format("{}\"{}\"", i == 0 ? "" : ", ", combo->items[i].text);
  }
  if (combo->items.size() > kShown) list += fmt::format(" and {} more", combo->items.size() - kShown);
  return list.empty() ? "none" : list;
}

// Clears the other radio buttons of `button`'s group: from the control that
// starts the group to the next one that starts another.
void ClearRadioGroup(HWND button) {
  HWND dialog = button->parent;
  const int at = dialog->IndexOf(button);
  int start = at;
  while (start > 0 && !dialog->children[static_cast<std::size_t>(start)]->groupStart) --start;
  for (int i = start; i < static_cast<int>(dialog->children.size()); ++i) {
    HWND other = dialog->children[static_cast<std::size_t>(i)].get();
    if (i > at && other->groupStart) break;
    if (other != button && other->cls == ControlClass::kRadioButton) other->check = BST_UNCHECKED;
  }
}

}  // namespace

namespace {

// The edit part of a combo box a person may type into: the text replaces
// what shows and no entry stays selected, as in a real combo box.
ActionResult TypeIntoCombo(HWND combo, std::string_view text) {
  auto& ui = detail::Ui();
  ui.focus = combo;
  Notify(combo, CBN_SETFOCUS);
  combo->selection = -1;
  combo->text = text;
  Notify(combo, CBN_EDITCHANGE);
  if (ui.focus == combo) ui.focus = nullptr;
  Notify(combo, CBN_KILLFOCUS);
  return ActionResult::Done();
}

}  // namespace

ActionResult TypeInto(CDialog& dialog, int id, std::string_view text) {
  HWND edit = nullptr;
  if (ActionResult reach = Reach(dialog, id, edit); !reach.ok) return reach;
  if (edit->cls == ControlClass::kComboBox && edit->editableCombo) return TypeIntoCombo(edit, text);
  if (edit->cls != ControlClass::kEdit) return WrongClass(edit, "be typed into");
  if (edit->readOnly) return ActionResult::Refused("the edit is read-only");
  if (edit->limitText > 0 && text.size() > static_cast<std::size_t>(edit->limitText)) {
    text = text.substr(0, static_cast<std::size_t>(edit->limitText));
  }
  auto& ui = detail::Ui();
  ui.focus = edit;
  Notify(edit, EN_SETFOCUS);
  edit->text = text;
  Notify(edit, EN_CHANGE);
  if (ui.focus == edit) ui.focus = nullptr;
  Notify(edit, EN_KILLFOCUS);
  return ActionResult::Done();
}

ActionResult SelectByText(CDialog& dialog, int id, std::string_view text) {
  HWND combo = nullptr;
  if (ActionResult reach = Reach(dialog, id, combo); !reach.ok) return reach;
  if (combo->cls != ControlClass::kComboBox) return WrongClass(combo, "select an entry");
  for (std::size_t i = 0; i < combo->items.size(); ++i) {
    if (combo->items[i].text == text) {
      Pick(combo, i);
      return ActionResult::Done();
    }
  }
  return ActionResult::Refused(fmt::format("the combo box has no entry \"{}\" (entries: {})", text, ItemList(combo)));
}

ActionResult SelectByData(CDialog& dialog, int id, DWORD_PTR data) {
  HWND combo = nullptr;
  if (ActionResult reach = Reach(dialog, id, combo); !reach.ok) return reach;
  if (combo->cls != ControlClass::kComboBox) return WrongClass(combo, "select an entry");
  for (std::size_t i = 0; i < combo->items.size(); ++i) {
    if (combo->items[i].data == data) {
      Pick(combo, i);
      return ActionResult::Done();
    }
  }
  return ActionResult::Refused(fmt::format("the combo box has no entry with item data {}", data));
}

ActionResult Click(CDialog& dialog, int id) {
  HWND button = nullptr;
  if (ActionResult reach = Reach(dialog, id, button); !reach.ok) return reach;
  if (!IsButtonClass(button->cls)) return WrongClass(button, "be clicked");
  if (button->cls == ControlClass::kCheckBox) {
    button->check = button->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  } else if (button->cls == ControlClass::kRadioButton) {
    ClearRadioGroup(button);
    button->check = BST_CHECKED;
  }
  detail::Ui().focus = button;
  Notify(button, BN_CLICKED);
  return ActionResult::Done();
}

ActionResult SetChecked(CDialog& dialog, int id, bool checked) {
  HWND button = nullptr;
  if (ActionResult reach = Reach(dialog, id, button); !reach.ok) return reach;
  if (!HasCheckState(button->cls)) return WrongClass(button, "be checked");
  if ((button->check == BST_CHECKED) == checked) return ActionResult::Done();
  if (button->cls == ControlClass::kRadioButton && !checked) {
    return ActionResult::Refused("a person cannot clear a radio button; click another button of its group");
  }
  return Click(dialog, id);
}

ActionResult SelectTab(CDialog& dialog, int id, int index) {
  HWND tab = nullptr;
  if (ActionResult reach = Reach(dialog, id, tab); !reach.ok) return reach;
  if (tab->cls != ControlClass::kTab) return WrongClass(tab, "switch pages");
  if (index < 0 || index >= static_cast<int>(tab->items.size())) {
    return ActionResult::Refused(fmt::format("the tab control has no page {} (it has {})", index, tab->items.size()));
  }
  if (index == tab->selection) return ActionResult::Done();
  NMHDR header{tab, static_cast<UINT_PTR>(tab->id), TCN_SELCHANGING};
  if (NotifyHeader(tab, header) != 0) return ActionResult::Done();
  tab->selection = index;
  header.code = TCN_SELCHANGE;
  NotifyHeader(tab, header);
  return ActionResult::Done();
}

ActionResult MoveSlider(CDialog& dialog, int id, int position) {
  HWND slider = nullptr;
  if (ActionResult reach = Reach(dialog, id, slider); !reach.ok) return reach;
  if (slider->cls != ControlClass::kSlider) return WrongClass(slider, "slide");
  if (position < slider->rangeMin || position > slider->rangeMax) {
    return ActionResult::Refused(fmt::format("position {} lies outside the slider's range [{}, {}]", position,
                                             slider->rangeMin, slider->rangeMax));
  }
  slider->position = position;
  const LPARAM from = reinterpret_cast<LPARAM>(slider);
  SendTo(slider->parent, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, static_cast<WORD>(position)), from);
  SendTo(slider->parent, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, static_cast<WORD>(position)), from);
  return ActionResult::Done();
}

ActionResult ClickSpin(CDialog& dialog, int id, int delta) {
  HWND spin = nullptr;
  if (ActionResult reach = Reach(dialog, id, spin); !reach.ok) return reach;
  if (spin->cls != ControlClass::kSpin) return WrongClass(spin, "spin");
  NMUPDOWN change{NMHDR{spin, static_cast<UINT_PTR>(spin->id), UDN_DELTAPOS}, spin->position, delta};
  if (NotifyHeader(spin, change.hdr) != 0) return ActionResult::Done();
  const int lo = std::min(spin->rangeMin, spin->rangeMax);
  const int hi = std::max(spin->rangeMin, spin->rangeMax);
  spin->position = std::clamp(spin->position + delta, lo, hi);
  SendTo(spin->parent, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(spin->position)),
         reinterpret_cast<LPARAM>(spin));
  return ActionResult::Done();
}

ActionResult PressKey(CDialog& dialog, int key, unsigned modifiers) {
  if (!dialog.m_hWnd) return ActionResult::Refused("the dialog is not open");
  HeldModifiers held(modifiers);
  // The context bit of a key message says Alt is down.
  const LPARAM flags = 1 | ((modifiers & kAlt) ? (LPARAM{1} << 29) : 0);
  MSG msg{dialog.m_hWnd, WM_KEYDOWN, static_cast<WPARAM>(key), flags, 0};
  if (!dialog.PreTranslateMessage(&msg)) SendTo(dialog.m_hWnd, WM_KEYDOWN, msg.wParam, msg.lParam);
  return ActionResult::Done();
}

ActionResult PressChord(CDialog& dialog, char letter) {
  if (!std::isalpha(static_cast<unsigned char>(letter))) {
    return ActionResult::Refused(fmt::format("a chord takes a letter from A to Z, not '{}'", letter));
  }
  return PressKey(dialog, std::toupper(static_cast<unsigned char>(letter)), kCtrl | kAlt | kShift);
}

ActionResult CloseDialog(CDialog& dialog) {
  if (!dialog.m_hWnd) return ActionResult::Refused("the dialog is not open");
  SendTo(dialog.m_hWnd, WM_CLOSE);
  return ActionResult::Done();
}

std::optional<ControlState> ReadControl(const CDialog& dialog, int id) {
  HWND control = dialog.m_hWnd ? dialog.m_hWnd->FindChild(id) : nullptr;
  if (!control) return std::nullopt;
  return detail::ReadWindow(control);
}

ControlState detail::ReadWindow(HWND control) {
  ControlState state;
  state.cls = control->cls;
  state.visible = Shown(control);
  state.enabled = control->enabled;
  state.check = control->check;
  state.color = control->textColor;
  state.selection = control->selection;
  for (const auto& item : control->items) state.items.push_back(item.text);
  if (control->bitmap) state.bitmap = control->bitmap->name;
  state.rect = control->rect;
  state.rangeMin = control->rangeMin;
  state.rangeMax = control->rangeMax;
  state.position = control->position;
  state.readOnly = control->readOnly;
  state.multiline = control->multiline;
  state.editable = control->editableCombo;
  state.defaultButton = control->defaultButton;
  switch (control->cls) {
    case ControlClass::kTab:
      state.text = control->selection >= 0 ? control->items[static_cast<std::size_t>(control->selection)].text : "";
      break;
    case ControlClass::kSlider:
    case ControlClass::kSpin:
    case ControlClass::kProgress:
      state.text = std::to_string(control->position);
      break;
    default:
      state.text = control->text;
  }
  return state;
}

std::string ColorText(COLORREF color) {
  return fmt::format("#{:02X}{:02X}{:02X}", GetRValue(color), GetGValue(color), GetBValue(color));
}

}  // namespace platform
