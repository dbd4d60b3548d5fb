#include "platform/resources.h"

#include <fmt/format.h>

namespace platform {

namespace {

constexpr int kMaxId = 0xFFFF;  // identifiers travel in 16 bits of a message

bool MayCarryBitmap(ControlClass cls) { return cls == ControlClass::kBitmapButton || cls == ControlClass::kPicture; }

void CheckControl(const DialogTemplate& dialog, const ControlTemplate& control,
                  const std::map<std::string, BitmapResource, std::less<>>& bitmaps, const std::string& where,
                  std::vector<std::string>& errors) {
  auto error = [&](const std::string& text) { errors.push_back(fmt::format("{}: {}", where, text)); };
  if (control.id != -1 && (control.id < 1 || control.id > kMaxId)) {
    error(fmt::format("identifier {} is outside 1..{} (-1 marks a label without one)", control.id, kMaxId));
  }
  if (control.w <= 0 || control.h <= 0) error(fmt::format("size {} x {} is not positive", control.w, control.h));
  if (control.x < 0 || control.y < 0 || control.x + control.w > dialog.w || control.y + control.h > dialog.h) {
    error(fmt::format("rectangle ({}, {}, {} x {}) lies outside the dialog ({} x {})", control.x, control.y,
                      control.w, control.h, dialog.w, dialog.h));
  }
  const std::string_view cls = ControlClassPhrase(control.cls);
  if (!control.bitmap.empty()) {
    if (!MayCarryBitmap(control.cls)) {
      error(fmt::format("{} shows no bitmap; only a bitmap-button or a picture does", cls));
    } else if (bitmaps.find(control.bitmap) == bitmaps.end()) {
      error(fmt::format("bitmap \"{}\" is not among the bitmaps", control.bitmap));
    }
  }
  if ((control.readOnly || control.multiline) && control.cls != ControlClass::kEdit) {
    error(fmt::format("styles readonly and multiline belong to an edit, not {}", cls));
  }
  if (control.editable && control.cls != ControlClass::kComboBox) {
    error(fmt::format("style editable belongs to a combo, not {}", cls));
  }
  if (control.defaultButton && control.cls != ControlClass::kPushButton &&
      control.cls != ControlClass::kBitmapButton) {
    error(fmt::format("style default belongs to a button, not {}", cls));
  }
  if (!control.items.empty() && control.cls != ControlClass::kComboBox) {
    error(fmt::format("{} holds no entries", cls));
  }
}

}  // namespace

const ControlTemplate* DialogTemplate::FindControl(int controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

std::vector<std::string> ResourceSet::AddDialog(DialogTemplate dialog) {
  std::vector<std::string> errors;
  const std::string where = fmt::format("{}: dialog {}", dialog.source, dialog.id);
  if (dialog.id < 1 || dialog.id > kMaxId) {
    errors.push_back(fmt::format("{}: identifier is outside 1..{}", where, kMaxId));
  }
  if (dialog.w <= 0 || dialog.h <= 0) {
    errors.push_back(fmt::format("{}: size {} x {} is not positive", where, dialog.w, dialog.h));
  }
  if (const auto it = dialogs_.find(dialog.id); it != dialogs_.end()) {
    errors.push_back(fmt::format("{}: the identifier is taken by {}", where, it->second.source));
  }
  std::set<int> ids;
  for (const ControlTemplate& control : dialog.controls) {
    const std::string controlWhere = fmt::format("{}, control {}", where, control.id);
    if (control.id != -1 && !ids.insert(control.id).second) {
      errors.push_back(fmt::format("{}: the identifier appears twice", controlWhere));
    }
    CheckControl(dialog, control, bitmaps_, controlWhere, errors);
  }
  if (errors.empty()) {
    const int id = dialog.id;
    dialogs_.emplace(id, std::move(dialog));
  }
  return errors;
}

std::vector<std::string> ResourceSet::AddBitmap(BitmapResource bitmap) {
  if (bitmaps_.count(bitmap.name)) {
    return {fmt::format("{}: bitmap \"{}\" is defined twice", bitmap.path.string(), bitmap.name)};
  }
  std::string name = bitmap.name;
  bitmaps_.emplace(std::move(name), std::move(bitmap));
  return {};
}

std::vector<std::string> ResourceSet::AddString(int id, std::string text) {
  if (id < 1 || id > kMaxId) return {fmt::format("string {}: identifier is outside 1..{}", id, kMaxId)};
  if (!strings_.emplace(id, std::move(text)).second) return {fmt::format("string {} is defined twice", id)};
  return {};
}

std::vector<std::string> ResourceSet::AddComboItems(int dialogId, int controlId, std::vector<std::string> items) {
  const std::string where = fmt::format("dialog {}, control {}", dialogId, controlId);
  const auto dialog = dialogs_.find(dialogId);
  if (dialog == dialogs_.end()) return {fmt::format("{}: there is no such dialog", where)};
  ControlTemplate* combo = nullptr;
  for (ControlTemplate& control : dialog->second.controls) {
    if (control.id == controlId) combo = &control;
  }
  if (!combo) return {fmt::format("{}: the dialog has no such control", where)};
  if (combo->cls != ControlClass::kComboBox) {
    return {fmt::format("{}: the control is {}, not a combo box", where, ControlClassPhrase(combo->cls))};
  }
  if (!comboItemsSet_.insert({dialogId, controlId}).second) return {fmt::format("{}: entries given twice", where)};
  combo->items = std::move(items);
  return {};
}

const DialogTemplate* ResourceSet::FindDialog(int id) const {
  const auto it = dialogs_.find(id);
  return it == dialogs_.end() ? nullptr : &it->second;
}

const BitmapResource* ResourceSet::FindBitmap(std::string_view name) const {
  const auto it = bitmaps_.find(name);
  return it == bitmaps_.end() ? nullptr : &it->second;
}

const std::string* ResourceSet::FindString(int id) const {
  const auto it = strings_.find(id);
  return it == strings_.end() ? nullptr : &it->second;
}

std::vector<const DialogTemplate*> ResourceSet::Dialogs() const {
  std::vector<const DialogTemplate*> all;
  for (const auto& [id, dialog] : dialogs_) all.push_back(&dialog);
  return all;
}

namespace {

std::shared_ptr<const ResourceSet>& Installed() {
  static std::shared_ptr<const ResourceSet> installed;
  return installed;
}

}  // namespace

const ResourceSet& CurrentResources() {
  static const ResourceSet empty;
  const auto& installed = Installed();
  return installed ? *installed : empty;
}

void SetCurrentResources(std::shared_ptr<const ResourceSet> resources) { Installed() = std::move(resources); }

}  // namespace platform
