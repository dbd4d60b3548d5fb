#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/resources.h"

namespace {

namespace fs = std::filesystem;
using platform::ResourceSet;

const fs::path kResources = DRIVESETUP_SOURCE_DIR "/resources";

// The check that keeps the tree's resources sound: every template, bitmap,
// string and combo entry in resources/ loads without an error.
TEST(ResourceFiles, EveryResourceInTheTreeLoads) {
  const platform::ResourceLoad load = platform::LoadResources(kResources);
  for (const std::string& error : load.errors) ADD_FAILURE() << error;
  ASSERT_NE(load.resources, nullptr);
  for (const char* name : {"TO_MOTORSETUP", "TO_DRIVESETUP", "WARN_SWITCH_HW_LS", "3015", "3016", "3065", "3368"}) {
    EXPECT_NE(load.resources->FindBitmap(name), nullptr) << name;
  }
  ASSERT_NE(load.resources->FindString(2), nullptr);
  EXPECT_EQ(*load.resources->FindString(2),
            "Reference variation between two consecutive points is too big (slope overflow).");
  for (const platform::DialogTemplate* dialog : load.resources->Dialogs()) {
    EXPECT_FALSE(dialog->caption.empty()) << dialog->source;
  }
}

TEST(ResourceFiles, BitmapsAndStringsAreFoundByNameOrNumber) {
  const platform::ResourceLoad load = platform::LoadResources(kResources);
  platform::SetCurrentResources(load.resources);
  CBitmap button;
  EXPECT_TRUE(button.LoadBitmap("TO_MOTORSETUP"));
  EXPECT_EQ(button.GetSafeHandle()->width, 32);
  EXPECT_EQ(button.GetSafeHandle()->height, 24);
  CBitmap diagram;
  EXPECT_TRUE(diagram.LoadBitmap(3016));
  EXPECT_FALSE(diagram.LoadBitmap(4711));
  EXPECT_EQ(diagram.GetSafeHandle(), nullptr);
  std::string text;
  EXPECT_TRUE(AfxLoadString(1, text));
  EXPECT_EQ(text.substr(0, 20), "Distances between co");
  EXPECT_FALSE(AfxLoadString(3, text));
  EXPECT_EQ(text, "");
  platform::SetCurrentResources(nullptr);
}

// A template of one dialog whose controls are `controls` (JSON text).
std::string Template(const std::string& controls, const std::string& extra = "") {
  return R"({"id": 500, "caption": "T", "w": 100, "h": 50)" + extra + R"(, "controls": [)" + controls + "]}";
}

std::vector<std::string> Load(const std::string& text) {
  ResourceSet resources;
  resources.AddBitmap({"OK_BITMAP", "ok.bmp", 16, 16});
  return platform::AddDialogText(resources, text, "t.json");
}

TEST(DialogTemplates, ASoundTemplateLoads) {
  ResourceSet resources;
  resources.AddBitmap({"OK_BITMAP", "ok.bmp", 16, 16});
  const auto errors = platform::AddDialogText(
      resources,
      Template(R"({"id": 1, "class": "button", "text": "OK", "x": 0, "y": 0, "w": 40, "h": 14, "style": ["default"]},
                  {"class": "static", "text": "label", "x": 0, "y": 20, "w": 40, "h": 10},
                  {"class": "static", "text": "label", "x": 50, "y": 20, "w": 40, "h": 10},
                  {"id": 7, "class": "bitmap-button", "bitmap": "OK_BITMAP", "x": 60, "y": 0, "w": 40, "h": 14})"),
      "t.json");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const platform::DialogTemplate* dialog = resources.FindDialog(500);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->controls.size(), 4U);
  EXPECT_TRUE(dialog->FindControl(1)->defaultButton);
  EXPECT_EQ(dialog->FindControl(7)->bitmap, "OK_BITMAP");
  // The same identifier again is refused, naming the file that has it.
  EXPECT_EQ(platform::AddDialogText(resources, Template(""), "u.json"),
            std::vector<std::string>{"u.json: dialog 500: the identifier is taken by t.json"});
}

TEST(DialogTemplates, ABrokenTemplateIsAnErrorAtLoadTime) {
  const std::string button = R"("class": "button", "x": 0, "y": 0, "w": 10, "h": 10)";
  const std::vector<std::pair<std::string, std::string>> cases{
      {Template(R"({"id": 3, )" + button + R"(}, {"id": 3, )" + button + "}"),
       "t.json: dialog 500, control 3: the identifier appears twice"},
      {Template(R"({"id": 3, "class": "listbox", "x": 0, "y": 0, "w": 10, "h": 10})"),
       "t.json: controls[0].class: unknown class \"listbox\" (classes: edit, combo, check, radio, button, "
       "bitmap-button, static, picture, group, tab, slider, spin, progress, graph, bar-graph, encoder-diagram, "
       "phase-diagram)"},
      {Template(R"({"id": 3, "class": "picture", "bitmap": "NOPE", "x": 0, "y": 0, "w": 10, "h": 10})"),
       "t.json: dialog 500, control 3: bitmap \"NOPE\" is not among the bitmaps"},
      {Template(R"({"id": 3, "class": "edit", "bitmap": "OK_BITMAP", "x": 0, "y": 0, "w": 10, "h": 10})"),
       "t.json: dialog 500, control 3: an edit shows no bitmap; only a bitmap-button or a picture does"},
      {Template(R"({"id": 3, "class": "edit", "x": 95, "y": 0, "w": 10, "h": 10})"),
       "t.json: dialog 500, control 3: rectangle (95, 0, 10 x 10) lies outside the dialog (100 x 50)"},
      {Template(R"({"id": 3, "class": "edit", "x": 0, "y": 0, "w": 0, "h": 10})"),
       "t.json: dialog 500, control 3: size 0 x 10 is not positive"},
      {Template(R"({"id": 0, )" + button + "}"),
       "t.json: dialog 500, control 0: identifier 0 is outside 1..65535 (-1 marks a label without one)"},
      {Template(R"({"id": 3, "style": ["bold"], )" + button + "}"),
       "t.json: controls[0].style[0]: must be one of \"group\", \"hidden\", \"disabled\", \"readonly\", "
       "\"multiline\", \"editable\", \"default\", found \"bold\""},
      {Template(R"({"id": 3, "style": ["readonly"], )" + button + "}"),
       "t.json: dialog 500, control 3: styles readonly and multiline belong to an edit, not a push button"},
      {Template(R"({"id": 3, "caption": "OK", )" + button + "}"),
       "t.json: controls[0].caption: unknown key (expected one of: id, class, text, x, y, w, h, bitmap, style)"},
      {Template(R"({"id": 3, "class": "edit", "x": 0, "y": 0, "w": 10})"), "t.json: controls[0]: missing \"h\""},
      {Template("", R"(, "id": 501)"), "t.json: duplicate key \"id\""},
      {"{", "t.json: parse error at line 1, column 2"},
      {Template("", R"(, "font": "Arial")"), "t.json: font: unknown key (expected one of: id, caption, w, h, controls)"},
      {R"({"id": 500, "caption": "T", "w": 100, "h": 50, "controls": {}})",
       "t.json: controls: must be a list of controls, found object"},
      {"[]", "t.json: must be an object, found array"},
  };
  for (const auto& [text, error] : cases) {
    const std::vector<std::string> errors = Load(text);
    ASSERT_FALSE(errors.empty()) << text;
    EXPECT_EQ(errors.front().substr(0, error.size()), error) << text;
  }
}

class ResourceDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("resources_test_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bitmaps");
    fs::create_directories(root / "dialogs");
    fs::copy_file(kResources / "bitmaps" / "TO_MOTORSETUP.bmp", root / "bitmaps" / "TO_MOTORSETUP.bmp");
    Write("dialogs/a.json", Template(R"({"id": 3, "class": "combo", "x": 0, "y": 0, "w": 10, "h": 10},
                                        {"id": 4, "class": "edit", "x": 0, "y": 20, "w": 10, "h": 10})"));
  }
  void TearDown() override { fs::remove_all(root); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(root / name) << text; }
  std::vector<std::string> Errors() { return platform::LoadResources(root).errors; }

  fs::path root;
};

TEST_F(ResourceDirectory, ComboDataFillsTheNamedCombo) {
  Write("combos.json", R"([{"dialog": 500, "control": 3, "items": ["LowPass, High"]}])");
  const platform::ResourceLoad load = platform::LoadResources(root);
  ASSERT_TRUE(load.ok()) << load.errors.front();
  EXPECT_EQ(load.resources->FindDialog(500)->FindControl(3)->items, std::vector<std::string>{"LowPass, High"});
}

TEST_F(ResourceDirectory, EveryFileIsCheckedAndNamedInItsErrors) {
  const std::string at = root.string() + "/";
  Write("bitmaps/broken.bmp", "not an image");
  Write("bitmaps/notes.txt", "x");
  Write("dialogs/README", "x");
  Write("strings.json", R"([{"id": 1, "text": "a"}, {"id": 1, "text": "b"}, {"id": 2}])");
  Write("combos.json", R"([{"dialog": 501, "control": 3, "items": []},
                          {"dialog": 500, "control": 4, "items": []},
                          {"dialog": 500, "control": 3, "items": ["x"]},
                          {"dialog": 500, "control": 3, "items": ["y"]}])");
  EXPECT_EQ(Errors(), (std::vector<std::string>{
                          at + "bitmaps/broken.bmp: not a readable bmp image",
                          at + "bitmaps/notes.txt: not a bitmap (bitmaps are .bmp or .png files)",
                          at + "strings.json: string 1 is defined twice",
                          at + "strings.json: [2]: missing \"text\"",
                          at + "dialogs/README: not a dialog template (templates are .json files)",
                          at + "combos.json: [0]: dialog 501, control 3: there is no such dialog",
                          at + "combos.json: [1]: dialog 500, control 4: the control is an edit, not a combo box",
                          at + "combos.json: [3]: dialog 500, control 3: entries given twice",
                      }));
  EXPECT_EQ(platform::LoadResources(root / "absent").errors,
            std::vector<std::string>{at + "absent: not a resource directory"});
}

}  // namespace
