#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ui_test_support.h"

namespace uitest {
namespace {

using platform::ParseUserScript;
using platform::StepKind;

TEST(UserScriptJson, ReadsEveryStepKind) {
  const platform::ScriptParse parse = ParseUserScript(R"([
    {"do": "expect-dialog", "caption": "Drive Setup"},
    {"do": "type", "id": 3173, "text": "1.5"},
    {"do": "select", "id": 3136, "text": "H/W"},
    {"do": "select", "id": 3166, "data": 4},
    {"do": "click", "id": 3158},
    {"do": "check", "id": 3213, "value": false},
    {"do": "tab", "id": 1300, "index": 1},
    {"do": "chord", "key": "d"},
    {"do": "wait", "ms": 20},
    {"do": "answer", "text": "Sure?", "button": "no"},
    {"do": "expect", "id": 3245, "text": "", "visible": true, "enabled": false, "checked": true, "color": "#B40014"},
    {"do": "expect", "id": 3245, "color": 1310900},
    {"do": "list"},
    {"do": "wait-until", "id": 10000, "text": "&Start", "enabled": true, "ms": 60000},
    {"do": "slide", "id": 1337, "position": 40},
    {"do": "spin", "id": 1336, "delta": -1}
  ])");
  ASSERT_TRUE(parse.script.has_value()) << parse.error;
  const auto& steps = parse.script->Steps();
  ASSERT_EQ(steps.size(), 16U);
  EXPECT_EQ(steps[0].kind, StepKind::kExpectDialog);
  EXPECT_EQ(steps[0].text, "Drive Setup");
  EXPECT_EQ(steps[1].id, 3173);
  EXPECT_EQ(steps[1].text, "1.5");
  EXPECT_FALSE(steps[2].data.has_value());
  EXPECT_EQ(steps[3].data, DWORD_PTR{4});
  EXPECT_EQ(steps[4].kind, StepKind::kClick);
  EXPECT_FALSE(steps[5].value);
  EXPECT_EQ(steps[6].index, 1);
  EXPECT_EQ(steps[7].key, 'D');
  EXPECT_EQ(steps[8].ms, 20);
  EXPECT_EQ(steps[9].button, IDNO);
  EXPECT_EQ(steps[10].expect.text, "");
  EXPECT_EQ(steps[10].expect.visible, true);
  EXPECT_EQ(steps[10].expect.enabled, false);
  EXPECT_EQ(steps[10].expect.checked, true);
  // Both forms of the red of the warning text: "#RRGGBB" and the colour value.
  EXPECT_EQ(steps[10].expect.color, RGB(180, 0, 20));
  EXPECT_EQ(steps[11].expect.color, RGB(180, 0, 20));
  EXPECT_EQ(steps[12].kind, StepKind::kList);
  EXPECT_EQ(steps[13].kind, StepKind::kWaitUntil);
  EXPECT_EQ(steps[13].expect.text, "&Start");
  EXPECT_EQ(steps[13].expect.enabled, true);
  EXPECT_EQ(steps[13].ms, 60000);
  EXPECT_EQ(steps[14].kind, StepKind::kSlide);
  EXPECT_EQ(steps[14].position, 40);
  EXPECT_EQ(steps[15].position, -1);
}

TEST(UserScriptJson, MalformedScriptsNameTheStep) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {R"({"do": "click", "id": 1})", "a user script is a JSON list of steps"},
      {R"([{"do": "click", "id": 1}, {"do": "click" "id": 2}])", "step 2: parse error at line 1, column 46"},
      {R"([{"do": "click", "id": 1, "id": 2}])", "step 1: duplicate key \"id\""},
      {R"([{"do": "click", "id": 1}, 7])", "step 2: a step is a JSON object"},
      {R"([{"id": 1}])",
       "step 1: \"do\" must name the step (expect-dialog, type, select, click, check, tab, chord, "
       "wait, answer, expect, list, wait-until, slide, spin)"},
      {R"([{"do": "clik", "id": 1}])",
       "step 1: unknown step \"clik\" (steps: expect-dialog, type, select, click, "
       "check, tab, chord, wait, answer, expect, list, wait-until, slide, spin)"},
      {R"([{"do": "call"}])", "step 1: unknown step \"call\""},
      {R"([{"do": "click"}])", "step 1 (click): missing \"id\""},
      {R"([{"do": "click", "id": "OK"}])", "step 1 (click).id: must be an integer from 1 to 65535, found \"OK\""},
      {R"([{"do": "click", "id": 0}])", "step 1 (click).id: must be an integer from 1 to 65535, found 0"},
      {R"([{"do": "click", "id": 1, "text": "OK"}])", "step 1 (click).text: unknown key (expected one of: do, id)"},
      {R"([{"do": "type", "id": 1}])", "step 1 (type): missing \"text\""},
      {R"([{"do": "type", "id": 1, "text": 5}])", "step 1 (type).text: must be text, found 5"},
      {R"([{"do": "select", "id": 1}])", "step 1 (select): give either \"text\" or \"data\""},
      {R"([{"do": "select", "id": 1, "text": "a", "data": 1}])", "step 1 (select): give either \"text\" or \"data\""},
      {R"([{"do": "check", "id": 1, "value": 1}])", "step 1 (check).value: must be true or false, found 1"},
      {R"([{"do": "tab", "id": 1, "index": -1}])", "step 1 (tab).index: must be an integer of at least 0, found -1"},
      {R"([{"do": "chord", "key": "Ctrl+D"}])",
       "step 1 (chord).key: must be one letter from A to Z, found \"Ctrl+D\""},
      {R"([{"do": "wait", "ms": -20}])", "step 1 (wait).ms: must be an integer of at least 0, found -20"},
      {R"([{"do": "wait", "ms": 1.5}])", "step 1 (wait).ms: 1.5 is not an integer (must be an integer of at least 0)"},
      {R"([{"do": "answer", "text": "Sure?", "button": "abort"}])",
       "step 1 (answer).button: must be one of \"ok\", \"yes\", \"no\", \"cancel\", found \"abort\""},
      {R"([{"do": "answer", "button": "ok"}])", "step 1 (answer): missing \"text\""},
      {R"([{"do": "expect", "id": 3}])",
       "step 1 (expect): give at least one of \"text\", \"visible\", \"enabled\", "
       "\"checked\", \"color\""},
      {R"([{"do": "expect", "id": 3, "color": "red"}])",
       "step 1 (expect).color: must be \"#RRGGBB\" or a colour value from 0 to 16777215, found \"red\""},
      {R"([{"do": "expect-dialog"}])", "step 1 (expect-dialog): missing \"caption\""},
      {R"([{"do": "list", "id": 1}])", "step 1 (list).id: unknown key (expected one of: do)"},
      {R"([{"do": "wait-until", "id": 3, "text": "x"}])", "step 1 (wait-until): missing \"ms\""},
      {R"([{"do": "wait-until", "id": 3, "ms": 10}])",
       "step 1 (wait-until): give at least one of \"text\", \"visible\", \"enabled\", \"checked\""},
      {R"([{"do": "wait-until", "id": 3, "text": "x", "ms": -1}])",
       "step 1 (wait-until).ms: must be an integer of at least 0, found -1"},
      {R"([{"do": "wait-until", "id": 3, "text": "x", "color": "#000000", "ms": 5}])",
       "step 1 (wait-until).color: unknown key (expected one of: do, id, text, visible, enabled, checked, ms)"},
      {R"([{"do": "slide", "id": 3}])", "step 1 (slide): missing \"position\""},
      {R"([{"do": "spin", "id": 3, "delta": 2}])", "step 1 (spin).delta: must be an integer from -1 to 1, found 2"},
      {R"([{"do": "spin", "id": 3, "delta": 0}])",
       "step 1 (spin).delta: must be 1 (the up arrow) or -1 (the down arrow), found 0"},
  };
  for (const auto& [json, error] : cases) {
    const platform::ScriptParse parse = ParseUserScript(json);
    EXPECT_FALSE(parse.script.has_value()) << json;
    // Parser messages go on with the library's detail; the start is ours.
    EXPECT_EQ(parse.error.substr(0, error.size()), error) << json;
  }
}

TEST(UserScriptJson, EveryFaultOfAStepIsReported) {
  const platform::ScriptParse parse = ParseUserScript(R"([{"do": "type", "id": "x", "txt": "1"}])");
  EXPECT_EQ(parse.error,
            "step 1 (type).txt: unknown key (expected one of: do, id, text)\n"
            "step 1 (type).id: must be an integer from 1 to 65535, found \"x\"\n"
            "step 1 (type): missing \"text\"");
}

using UserScriptFile = UiTest;

TEST_F(UserScriptFile, AScriptFileDrivesTheDialog) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("user_script_" + std::to_string(::getpid()) + ".json");
  std::ofstream(file) << R"([
    {"do": "check", "id": 120, "value": true},
    {"do": "expect", "id": 150, "visible": true, "color": "#B40014"},
    {"do": "answer", "text": "Keep the new values?", "button": "yes"},
    {"do": "click", "id": 200}
  ])";
  platform::ScriptParse parse = platform::LoadUserScript(file);
  std::filesystem::remove(file);
  ASSERT_TRUE(parse.script.has_value()) << parse.error;
  SampleDialog dialog;
  const platform::ScriptRun run = RunSample(*parse.script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);

  const platform::ScriptParse missing = platform::LoadUserScript(file);
  EXPECT_EQ(missing.error, "No such file or directory");
}

}  // namespace
}  // namespace uitest
