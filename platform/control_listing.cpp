#include "platform/control_listing.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/dialog.h"
#include "platform/window_state.h"

namespace platform {
namespace {

std::string YesNo(bool value) { return value ? "yes" : "no"; }

// The text as a JSON string holds it, so that it can be pasted into a step.
std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string CheckText(const ControlState& state) {
  if (!HasCheckState(state.cls)) return "-";
  return state.check == BST_CHECKED ? "yes" : "no";
}

}  // namespace

ControlListing ListControls(const CDialog& dialog) {
  ControlListing listing;
  listing.caption = dialog.GetWindowText();
  listing.templateId = dialog.GetTemplateId();
  if (!dialog.m_hWnd) return listing;
  for (const auto& child : dialog.m_hWnd->children) listing.controls.push_back({child->id, detail::ReadWindow(child.get())});
  return listing;
}

std::string ListingText(const ControlListing& listing) {
  std::string text = fmt::format("dialog {} (template {}), {} controls:\n", Quoted(listing.caption),
                                 listing.templateId, listing.controls.size());
  text += fmt::format("  {:<6} {:<14} {:<8} {:<8} {:<8} {}\n", "id", "class", "visible", "enabled", "checked",
                      "text");
  for (const ListedControl& control : listing.controls) {
    const ControlState& s = control.state;
    std::string shown = Quoted(s.text);
    if (s.cls == ControlClass::kComboBox || s.cls == ControlClass::kTab)
      shown += fmt::format(" ({} {})", s.items.size(), s.items.size() == 1 ? "entry" : "entries");
    // A label no code refers to has no identifier a script could name.
    const std::string id = control.id > 0 ? std::to_string(control.id) : "-";
    text += fmt::format("  {:<6} {:<14} {:<8} {:<8} {:<8} {}\n", id, ControlClassName(s.cls), YesNo(s.visible),
                        YesNo(s.enabled), CheckText(s), shown);
  }
  return text;
}

}  // namespace platform
