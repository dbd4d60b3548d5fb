#pragma once

// The resources of a module: dialog templates, bitmaps, the string table and
// the combo box initialisation data, read from a resource directory
// (resources/README.md describes the files) and checked as they load, so a
// broken template is an error at load time rather than a gap at run time.

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/control_class.h"

namespace platform {

struct ControlTemplate {
  int id = -1;  // -1: a label no code refers to (may repeat)
  ControlClass cls = ControlClass::kStatic;
  std::string text;
  int x = 0;  // dialog units
  int y = 0;
  int w = 0;
  int h = 0;
  bool group = false;     // starts a group (radio buttons)
  bool hidden = false;
  bool disabled = false;
  bool readOnly = false;  // edit
  bool multiline = false; // edit
  bool editable = false;  // combo: a person may type into it
  bool defaultButton = false;
  std::string bitmap;              // bitmap button, picture: a bitmap resource name
  std::vector<std::string> items;  // combo: initialisation data
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int w = 0;  // dialog units
  int h = 0;
  std::vector<ControlTemplate> controls;
  std::string source;  // the file it came from, for messages

  const ControlTemplate* FindControl(int controlId) const;
};

struct BitmapResource {
  std::string name;  // "TO_MOTORSETUP", or the decimal identifier "3016"
  std::filesystem::path path;
  int width = 0;
  int height = 0;
};

class ResourceSet {
 public:
  // Each adds the resource when it is sound and returns what is wrong
  // otherwise (nothing is added then).
  std::vector<std::string> AddDialog(DialogTemplate dialog);
  std::vector<std::string> AddBitmap(BitmapResource bitmap);
  std::vector<std::string> AddString(int id, std::string text);
  // Initial entries of combo box `controlId` of dialog `dialogId`.
  std::vector<std::string> AddComboItems(int dialogId, int controlId, std::vector<std::string> items);

  const DialogTemplate* FindDialog(int id) const;
  const BitmapResource* FindBitmap(std::string_view name) const;
  const std::string* FindString(int id) const;
  std::vector<const DialogTemplate*> Dialogs() const;

 private:
  std::map<int, DialogTemplate> dialogs_;
  std::map<std::string, BitmapResource, std::less<>> bitmaps_;
  std::map<int, std::string> strings_;
  std::set<std::pair<int, int>> comboItemsSet_;
};

struct ResourceLoad {
  std::shared_ptr<ResourceSet> resources;  // what loaded, even with errors
  std::vector<std::string> errors;         // each names its file
  bool ok() const { return errors.empty(); }
};

// Loads bitmaps/, strings.json, dialogs/*.json and combos.json of
// `directory`, in that order.
ResourceLoad LoadResources(const std::filesystem::path& directory);
// Adds one dialog template given as JSON text; `source` names it in errors.
std::vector<std::string> AddDialogText(ResourceSet& resources, std::string_view text, std::string_view source);
std::vector<std::string> AddDialogFile(ResourceSet& resources, const std::filesystem::path& file);

// The resources the framework builds dialogs from; empty until installed.
const ResourceSet& CurrentResources();
void SetCurrentResources(std::shared_ptr<const ResourceSet> resources);

}  // namespace platform
