// Every dialog names its controls in a header "<dialog>_controls.h" beside
// its code: the template's identifier as kTemplateId and one enum entry
// "kName = id," per control. These tests read every such header of the
// source tree, so a control renumbered or removed in a template, or a name
// added with a wrong number, fails here rather than as a control the code
// silently cannot find.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "unittests/support/ui_resources.h"

namespace {

namespace fs = std::filesystem;

struct NamedControl {
  std::string name;
  int id;
};

struct ControlsHeader {
  fs::path path;
  std::vector<int> templateIds;  // exactly one in a sound header
  std::vector<NamedControl> controls;
};

ControlsHeader ReadHeader(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();

  ControlsHeader header{path, {}, {}};
  static const std::regex kTemplate(R"(\bkTemplateId\s*=\s*(\d+)\s*;)");
  for (std::sregex_iterator it(source.begin(), source.end(), kTemplate), end; it != end; ++it)
    header.templateIds.push_back(std::stoi((*it)[1]));
  // Enum entries end with a comma; the constants around them with ';'.
  static const std::regex kEntry(R"(\b(k\w+)\s*=\s*(\d+)\s*,)");
  for (std::sregex_iterator it(source.begin(), source.end(), kEntry), end; it != end; ++it)
    header.controls.push_back({(*it)[1], std::stoi((*it)[2])});
  return header;
}

// The controls headers of the product's folders (the build tree and hidden
// folders are not part of it).
std::vector<ControlsHeader> AllControlsHeaders() {
  std::vector<ControlsHeader> headers;
  const fs::path root = DRIVESETUP_SOURCE_DIR;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && (name.starts_with(".") || name.starts_with("build") || name == "examples")) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file() && name.ends_with("_controls.h")) headers.push_back(ReadHeader(it->path()));
  }
  return headers;
}

class ControlIds : public ::testing::Test {
 protected:
  void SetUp() override {
    resources = testsupport::LoadProjectResources();
    ASSERT_TRUE(resources);
  }
  std::shared_ptr<platform::ResourceSet> resources;
};

TEST_F(ControlIds, EveryNamedControlExistsInItsTemplate) {
  const std::vector<ControlsHeader> headers = AllControlsHeaders();
  // The Drive Setup, Advanced, Drive info and the three small dialogs at least.
  EXPECT_GE(headers.size(), 6u);
  for (const ControlsHeader& header : headers) {
    SCOPED_TRACE(header.path.string());
    ASSERT_EQ(header.templateIds.size(), 1u) << "one kTemplateId per header";
    const platform::DialogTemplate* dialog = resources->FindDialog(header.templateIds.front());
    ASSERT_NE(dialog, nullptr) << "no template " << header.templateIds.front();
    EXPECT_FALSE(header.controls.empty());
    for (const NamedControl& control : header.controls)
      EXPECT_NE(dialog->FindControl(control.id), nullptr)
          << control.name << " = " << control.id << " is not a control of \"" << dialog->caption << "\"";
  }
}

TEST_F(ControlIds, NoTwoNamesForOneControl) {
  for (const ControlsHeader& header : AllControlsHeaders()) {
    SCOPED_TRACE(header.path.string());
    std::map<int, std::string> seen;
    for (const NamedControl& control : header.controls) {
      const auto [it, fresh] = seen.emplace(control.id, control.name);
      EXPECT_TRUE(fresh) << control.name << " and " << it->second << " both name " << control.id;
    }
  }
}

// A person (or a front end listing the controls) tells radio buttons and
// labels apart by their captions; a group box may take its title from the
// check box drawn on its frame instead.
TEST_F(ControlIds, RadioButtonsAndLabelsHaveCaptions) {
  for (const platform::DialogTemplate* dialog : resources->Dialogs()) {
    for (const platform::ControlTemplate& control : dialog->controls) {
      const bool needsCaption =
          control.cls == platform::ControlClass::kRadioButton || control.cls == platform::ControlClass::kStatic;
      EXPECT_TRUE(!needsCaption || !control.text.empty())
          << "control " << control.id << " of \"" << dialog->caption << "\" has no caption";
    }
  }
}

}  // namespace
