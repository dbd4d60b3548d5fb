#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "platform/resources.h"
#include "platform/strict_json.h"

namespace platform {

namespace {

namespace fs = std::filesystem;
using detail::Fields;
using detail::Json;

constexpr std::array<std::string_view, 7> kStyles{"group", "hidden", "disabled", "readonly", "multiline", "editable",
                                                  "default"};
constexpr std::string_view kClasses =
    "edit, combo, check, radio, button, bitmap-button, static, picture, group, tab, slider, spin, progress, graph, "
    "bar-graph, encoder-diagram, phase-diagram";

bool ReadFile(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

std::uint32_t LittleEndian32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

// Reads the size from a BMP or PNG header; false when the file is neither.
bool ReadBitmapSize(const std::string& bytes, BitmapResource& bitmap) {
  static const std::string kPng("\x89PNG\r\n\x1a\n", 8);
  if (bytes.size() >= 26 && bytes.compare(0, 2, "BM") == 0) {
    bitmap.width = static_cast<std::int32_t>(LittleEndian32(bytes, 18));
    // A negative height marks rows stored top-down.
    bitmap.height = std::abs(static_cast<std::int32_t>(LittleEndian32(bytes, 22)));
  } else if (bytes.size() >= 24 && bytes.compare(0, 8, kPng) == 0 && bytes.compare(12, 4, "IHDR") == 0) {
    bitmap.width = static_cast<int>(BigEndian32(bytes, 16));
    bitmap.height = static_cast<int>(BigEndian32(bytes, 20));
  } else {
    return false;
  }
  return bitmap.width > 0 && bitmap.height > 0;
}

std::vector<fs::path> SortedFiles(const fs::path& directory) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void LoadBitmaps(const fs::path& directory, ResourceSet& resources, std::vector<std::string>& errors) {
  for (const fs::path& file : SortedFiles(directory)) {
    const std::string extension = Lower(file.extension().string());
    std::string bytes;
    BitmapResource bitmap{file.stem().string(), file, 0, 0};
    if (extension != ".bmp" && extension != ".png") {
      errors.push_back(fmt::format("{}: not a bitmap (bitmaps are .bmp or .png files)", file.string()));
    } else if (!ReadFile(file, bytes) || !ReadBitmapSize(bytes, bitmap)) {
      errors.push_back(fmt::format("{}: not a readable {} image", file.string(), extension.substr(1)));
    } else {
      for (std::string& e : resources.AddBitmap(std::move(bitmap))) errors.push_back(std::move(e));
    }
  }
}

void ReadStyles(Fields& fields, ControlTemplate& control, std::vector<std::string>& errors) {
  std::vector<std::string> styles;
  if (!fields.StringList("style", styles, false)) return;
  for (const std::string& style : styles) {
    if (style == "group") control.group = true;
    if (style == "hidden") control.hidden = true;
    if (style == "disabled") control.disabled = true;
    if (style == "readonly") control.readOnly = true;
    if (style == "multiline") control.multiline = true;
    if (style == "editable") control.editable = true;
    if (style == "default") control.defaultButton = true;
    if (std::find(kStyles.begin(), kStyles.end(), style) == kStyles.end()) {
      errors.push_back(fmt::format("{}: unknown style \"{}\" (styles: group, hidden, disabled, readonly, multiline, "
                                   "editable, default)",
                                   fields.Where(), style));
    }
  }
}

void ReadControl(const Json& object, std::string where, DialogTemplate& dialog, std::vector<std::string>& errors) {
  if (!object.is_object()) {
    errors.push_back(fmt::format("{}: a control is a JSON object", where));
    return;
  }
  ControlTemplate control;
  if (object.contains("id") && object["id"].is_number_integer()) where += fmt::format(" (id {})", object["id"].dump());
  Fields fields(object, where, errors);
  fields.Int("id", control.id, false);
  std::string cls;
  if (fields.String("class", cls, true)) {
    if (const auto known = ControlClassFromName(cls)) {
      control.cls = *known;
    } else {
      errors.push_back(fmt::format("{}: unknown class \"{}\" (classes: {})", where, cls, kClasses));
    }
  }
  fields.String("text", control.text, false);
  fields.Int("x", control.x, true);
  fields.Int("y", control.y, true);
  fields.Int("w", control.w, true);
  fields.Int("h", control.h, true);
  fields.String("bitmap", control.bitmap, false);
  ReadStyles(fields, control, errors);
  fields.Finish();
  dialog.controls.push_back(std::move(control));
}

// Parses a file that holds a JSON list; reports its own errors.
bool ParseList(const std::string& text, const std::string& source, Json& list, std::vector<std::string>& errors) {
  detail::StrictParse parsed = detail::ParseStrict(text);
  if (!parsed.error.empty()) {
    errors.push_back(fmt::format("{}: {}", source, parsed.error));
    return false;
  }
  if (!parsed.value.is_array()) {
    errors.push_back(fmt::format("{}: the file holds a JSON list", source));
    return false;
  }
  list = std::move(parsed.value);
  return true;
}

// Reads a file that holds a list of JSON objects and hands each entry, with
// its place for error texts, to `read`.
template <typename ReadEntry>
void ForEachEntry(const fs::path& file, std::vector<std::string>& errors, ReadEntry read) {
  std::string text;
  Json list;
  if (!ReadFile(file, text) || !ParseList(text, file.string(), list, errors)) return;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string where = fmt::format("{}: entry {}", file.string(), i + 1);
    if (!list[i].is_object()) {
      errors.push_back(where + ": an entry is a JSON object");
      continue;
    }
    read(list[i], where);
  }
}

void LoadStrings(const fs::path& file, ResourceSet& resources, std::vector<std::string>& errors) {
  ForEachEntry(file, errors, [&](const Json& entry, const std::string& where) {
    Fields fields(entry, where, errors);
    int id = 0;
    std::string value;
    const bool ok = fields.Int("id", id, true) & fields.String("text", value, true);
    fields.Finish();
    if (!ok) return;
    for (std::string& e : resources.AddString(id, std::move(value))) errors.push_back(file.string() + ": " + e);
  });
}

void LoadCombos(const fs::path& file, ResourceSet& resources, std::vector<std::string>& errors) {
  ForEachEntry(file, errors, [&](const Json& entry, const std::string& where) {
    Fields fields(entry, where, errors);
    int dialog = 0;
    int control = 0;
    std::vector<std::string> items;
    const bool ok = fields.Int("dialog", dialog, true) & fields.Int("control", control, true) &
                    fields.StringList("items", items, true);
    fields.Finish();
    if (!ok) return;
    for (std::string& e : resources.AddComboItems(dialog, control, std::move(items))) errors.push_back(where + ": " + e);
  });
}

}  // namespace

std::vector<std::string> AddDialogText(ResourceSet& resources, std::string_view text, std::string_view source) {
  const std::string name(source);
  detail::StrictParse parsed = detail::ParseStrict(text);
  if (!parsed.error.empty()) return {fmt::format("{}: {}", name, parsed.error)};
  if (!parsed.value.is_object()) return {fmt::format("{}: a dialog template is a JSON object", name)};
  std::vector<std::string> errors;
  DialogTemplate dialog;
  dialog.source = name;
  Fields fields(parsed.value, name, errors);
  fields.Int("id", dialog.id, true);
  fields.String("caption", dialog.caption, true);
  fields.Int("w", dialog.w, true);
  fields.Int("h", dialog.h, true);
  const Json* controls = fields.Member("controls");
  fields.Finish();
  if (!controls || !controls->is_array()) {
    errors.push_back(fmt::format("{}: \"controls\" must be a list of controls", name));
  } else {
    for (std::size_t i = 0; i < controls->size(); ++i) {
      ReadControl((*controls)[i], fmt::format("{}: controls[{}]", name, i), dialog, errors);
    }
  }
  if (!errors.empty()) return errors;
  return resources.AddDialog(std::move(dialog));
}

std::vector<std::string> AddDialogFile(ResourceSet& resources, const fs::path& file) {
  std::string text;
  if (!ReadFile(file, text)) return {fmt::format("{}: cannot be read", file.string())};
  return AddDialogText(resources, text, file.string());
}

ResourceLoad LoadResources(const fs::path& directory) {
  ResourceLoad load;
  load.resources = std::make_shared<ResourceSet>();
  if (!fs::is_directory(directory)) {
    load.errors.push_back(fmt::format("{}: not a resource directory", directory.string()));
    return load;
  }
  ResourceSet& resources = *load.resources;
  LoadBitmaps(directory / "bitmaps", resources, load.errors);
  if (fs::exists(directory / "strings.json")) LoadStrings(directory / "strings.json", resources, load.errors);
  for (const fs::path& file : SortedFiles(directory / "dialogs")) {
    if (file.extension() != ".json") {
      load.errors.push_back(fmt::format("{}: not a dialog template (templates are .json files)", file.string()));
      continue;
    }
    for (std::string& e : AddDialogFile(resources, file)) load.errors.push_back(std::move(e));
  }
  if (fs::exists(directory / "combos.json")) LoadCombos(directory / "combos.json", resources, load.errors);
  return load;
}

}  // namespace platform
