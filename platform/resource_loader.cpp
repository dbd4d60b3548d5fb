#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include <fmt/format.h>

#include "input/bounded_file.h"
#include "input/json_read.h"
#include "platform/resources.h"

namespace platform {

namespace {

namespace fs = std::filesystem;
using input::ErrorList;
using input::Json;
using input::Members;

constexpr std::string_view kClasses =
    "edit, combo, check, radio, button, bitmap-button, static, picture, group, tab, slider, spin, progress, graph, "
    "bar-graph, encoder-diagram, phase-diagram";
// Templates and tables are a few kilobytes, bitmaps a few hundred; files
// far larger are not resources.
constexpr std::size_t kMaxTextBytes = std::size_t{4} << 20;
constexpr std::size_t kMaxBitmapBytes = std::size_t{16} << 20;

// The text of a resource file, or nothing after reporting why not.
std::optional<std::string> ReadResourceFile(const fs::path& path, std::size_t maxBytes,
                                            std::vector<std::string>& errors) {
  input::FileText file = input::ReadBoundedFile(path.string(), maxBytes);
  if (file.ok()) return std::move(file.text);
  errors.push_back(fmt::format("{}: {}", path.string(), file.error));
  return std::nullopt;
}

// The faults of one document, each after its file's name.
void AppendErrors(ErrorList& errors, const std::string& source, std::vector<std::string>& out) {
  for (const input::JsonError& error : errors.Take()) out.push_back(fmt::format("{}: {}", source, error.Text()));
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
    BitmapResource bitmap{file.stem().string(), file, 0, 0};
    if (extension != ".bmp" && extension != ".png") {
      errors.push_back(fmt::format("{}: not a bitmap (bitmaps are .bmp or .png files)", file.string()));
      continue;
    }
    const std::optional<std::string> bytes = ReadResourceFile(file, kMaxBitmapBytes, errors);
    if (!bytes) continue;
    if (!ReadBitmapSize(*bytes, bitmap)) {
      errors.push_back(fmt::format("{}: not a readable {} image", file.string(), extension.substr(1)));
    } else {
      for (std::string& e : resources.AddBitmap(std::move(bitmap))) errors.push_back(std::move(e));
    }
  }
}

// Each style sets one flag of the control.
struct Style {
  std::string_view name;
  bool ControlTemplate::*flag;
};
constexpr Style kStyles[] = {
    {"group", &ControlTemplate::group},         {"hidden", &ControlTemplate::hidden},
    {"disabled", &ControlTemplate::disabled},   {"readonly", &ControlTemplate::readOnly},
    {"multiline", &ControlTemplate::multiline}, {"editable", &ControlTemplate::editable},
    {"default", &ControlTemplate::defaultButton},
};

void ReadStyles(const Json& value, const std::string& path, ControlTemplate& control, ErrorList& errors) {
  std::vector<std::string_view> names;
  for (const Style& style : kStyles) names.push_back(style.name);
  if (!input::ReadList(value, path, errors, "a list of styles")) return;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (const auto style = input::ReadChoice(value[i], input::ElementPath(path, i), errors, names))
      control.*kStyles[*style].flag = true;
  }
}

void ReadControl(const Json& value, const std::string& path, DialogTemplate& dialog, ErrorList& errors) {
  Members fields(value, path, errors, {"id", "class", "text", "x", "y", "w", "h", "bitmap", "style"});
  if (!fields.IsObject()) return;
  ControlTemplate control;
  control.id = static_cast<int>(fields.Integer("id", false).value_or(control.id));
  if (const auto cls = fields.Text("class", true)) {
    if (const auto known = ControlClassFromName(*cls))
      control.cls = *known;
    else
      errors.Add(fields.PathOf("class"), fmt::format("unknown class {} (classes: {})", input::Quoted(*cls), kClasses));
  }
  control.text = fields.Text("text", false).value_or("");
  control.x = static_cast<int>(fields.Integer("x", true).value_or(0));
  control.y = static_cast<int>(fields.Integer("y", true).value_or(0));
  control.w = static_cast<int>(fields.Integer("w", true).value_or(0));
  control.h = static_cast<int>(fields.Integer("h", true).value_or(0));
  control.bitmap = fields.Text("bitmap", false).value_or("");
  if (const Json* styles = fields.Get("style")) ReadStyles(*styles, fields.PathOf("style"), control, errors);
  dialog.controls.push_back(std::move(control));
}

// Reads a file that holds a list of JSON objects and hands each entry, with
// its path for error texts, to `read`; returns the faults of the file.
template <typename ReadEntry>
void ForEachEntry(const fs::path& file, std::vector<std::string>& errors, ReadEntry read) {
  const std::optional<std::string> text = ReadResourceFile(file, kMaxTextBytes, errors);
  if (!text) return;
  input::ParsedJson parsed = input::ParseJson(*text, {.maxBytes = kMaxTextBytes});
  ErrorList faults;
  faults.Append(std::move(parsed.errors));
  if (parsed.value && input::ReadList(*parsed.value, "", faults, "a JSON list")) {
    for (std::size_t i = 0; i < parsed.value->size(); ++i) read((*parsed.value)[i], input::ElementPath("", i), faults);
  }
  AppendErrors(faults, file.string(), errors);
}

void LoadStrings(const fs::path& file, ResourceSet& resources, std::vector<std::string>& errors) {
  ForEachEntry(file, errors, [&](const Json& entry, const std::string& path, ErrorList& faults) {
    Members fields(entry, path, faults, {"id", "text"});
    const auto id = fields.Integer("id", true);
    auto text = fields.Text("text", true);
    if (!id || !text) return;
    for (std::string& e : resources.AddString(static_cast<int>(*id), std::move(*text))) faults.Add("", std::move(e));
  });
}

void LoadCombos(const fs::path& file, ResourceSet& resources, std::vector<std::string>& errors) {
  ForEachEntry(file, errors, [&](const Json& entry, const std::string& path, ErrorList& faults) {
    Members fields(entry, path, faults, {"dialog", "control", "items"});
    const auto dialog = fields.Integer("dialog", true);
    const auto control = fields.Integer("control", true);
    auto items = fields.TextList("items", true);
    if (!dialog || !control || !items) return;
    for (std::string& e : resources.AddComboItems(static_cast<int>(*dialog), static_cast<int>(*control), std::move(*items)))
      faults.Add(path, std::move(e));
  });
}

}  // namespace

std::vector<std::string> AddDialogText(ResourceSet& resources, std::string_view text, std::string_view source) {
  const std::string name(source);
  input::ParsedJson parsed = input::ParseJson(text, {.maxBytes = kMaxTextBytes});
  ErrorList faults;
  faults.Append(std::move(parsed.errors));
  DialogTemplate dialog;
  dialog.source = name;
  if (parsed.value) {
    Members fields(*parsed.value, "", faults, {"id", "caption", "w", "h", "controls"});
    if (fields.IsObject()) {
      dialog.id = static_cast<int>(fields.Integer("id", true).value_or(0));
      dialog.caption = fields.Text("caption", true).value_or("");
      dialog.w = static_cast<int>(fields.Integer("w", true).value_or(0));
      dialog.h = static_cast<int>(fields.Integer("h", true).value_or(0));
      const Json* controls = fields.Require("controls");
      if (controls && input::ReadList(*controls, fields.PathOf("controls"), faults, "a list of controls")) {
        for (std::size_t i = 0; i < controls->size(); ++i)
          ReadControl((*controls)[i], input::ElementPath("controls", i), dialog, faults);
      }
    }
  }
  std::vector<std::string> errors;
  AppendErrors(faults, name, errors);
  if (!errors.empty()) return errors;
  return resources.AddDialog(std::move(dialog));
}

std::vector<std::string> AddDialogFile(ResourceSet& resources, const fs::path& file) {
  std::vector<std::string> errors;
  const std::optional<std::string> text = ReadResourceFile(file, kMaxTextBytes, errors);
  if (!text) return errors;
  return AddDialogText(resources, *text, file.string());
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
