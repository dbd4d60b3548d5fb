#include <gtest/gtest.h>

#include <httplib.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host_test_support.h"
#include "unittests/support/serve_process.h"
#include "unittests/support/example_setups.h"

namespace {

using host_test::ReadFile;
using host_test::RunBinary;
using host_test::RunResult;
using testsupport::ServeProcess;
using host_test::TempDir;
using host_test::WriteFile;
using Json = nlohmann::json;

const std::string kExample = testsupport::ExamplePath("two_phase_open_loop");
const std::string kPowerOfTwo = "The number of microsteps per step value must be a power of 2.";

// A person's session in the Drive Setup dialog: a step, and the answer to
// the message box it brings up, if any.
struct PersonStep {
  Json step;
  std::string answers;  // the box's text; empty when none comes up
};

std::vector<PersonStep> RaiseCurrentAndMicrosteps(int closeWith) {
  return {
      {{{"do", "type"}, {"id", 3416}, {"text", "2"}}, ""},
      {{{"do", "type"}, {"id", 1174}, {"text", "6"}}, kPowerOfTwo},
      {{{"do", "type"}, {"id", 3211}, {"text", "1.25"}}, ""},
      {{{"do", "click"}, {"id", closeWith}}, ""},
  };
}

// The same session as a user script: the answer is armed before its box.
std::string AsScript(const std::vector<PersonStep>& steps) {
  // The motor dialog comes up by itself once the Drive Setup dialog shows.
  Json script = Json::array({{{"do", "wait"}, {"ms", 10}},
                             {{"do", "expect-dialog"}, {"caption", "Step Motor and Load Setup"}},
                             {{"do", "click"}, {"id", 2}},
                             {{"do", "expect-dialog"}, {"caption", "Drive Setup"}}});
  for (const PersonStep& s : steps) {
    if (!s.answers.empty()) script.push_back({{"do", "answer"}, {"text", s.answers}, {"button", "ok"}});
    script.push_back(s.step);
  }
  return script.dump();
}

const Json* FindControl(const Json& dialog, int id) {
  for (const Json& control : dialog["controls"]) {
    if (control["id"] == id) return &control;
  }
  return nullptr;
}

class DriveSetupServed : public ::testing::Test {
 protected:
  void SetUp() override {
    setupPath = dir.File("served.json");
    WriteFile(setupPath, ReadFile(kExample));
  }

  // Plays `steps` through the API as the page sends them, answering each box.
  void Play(ServeProcess& server, const std::vector<PersonStep>& steps) {
    ASSERT_TRUE(server.OpenDriveSetup()) << server.State().dump();
    for (const PersonStep& s : steps) {
      SCOPED_TRACE(s.step.dump());
      const ServeProcess::Answer acted = server.Act(s.step);
      ASSERT_EQ(acted.status, 200) << acted.body;
      if (s.answers.empty()) continue;
      const Json state = server.State();
      ASSERT_TRUE(state["messageBox"].is_object()) << state.dump();
      EXPECT_EQ(state["messageBox"]["text"], s.answers);
      const ServeProcess::Answer answered = server.Act({{"do", "answer"}, {"text", s.answers}, {"button", "ok"}});
      ASSERT_EQ(answered.status, 200) << answered.body;
    }
  }

  TempDir dir;
  std::string setupPath;
};

TEST_F(DriveSetupServed, ActionsThroughTheApiSaveWhatTheSameScriptSaves) {
  const std::vector<PersonStep> steps = RaiseCurrentAndMicrosteps(1);
  {
    ServeProcess server({"--setup", setupPath});
    ASSERT_TRUE(server.Started()) << server.Printed();
    Play(server, steps);
    EXPECT_TRUE(server.State()["dialogs"].empty());
    const ServeProcess::Answer saved = server.Post("/api/save", "");
    ASSERT_EQ(saved.status, 200) << saved.body;
    EXPECT_EQ(server.Stop(), 0);
  }

  const std::string scriptPath = dir.File("script.json");
  WriteFile(scriptPath, AsScript(steps));
  const std::string edited = dir.File("edited.json");
  const RunResult run = RunBinary({"--setup", kExample, "edit", "--script", scriptPath, "--out", edited});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(ReadFile(kExample), ReadFile(edited));
  EXPECT_EQ(ReadFile(setupPath), ReadFile(edited));
}

TEST_F(DriveSetupServed, TheStateShowsTheDialogAsTheFrameworkHoldsIt) {
  ServeProcess server({"--setup", setupPath});
  ASSERT_TRUE(server.Started()) << server.Printed();
  ASSERT_TRUE(server.OpenDriveSetup());
  ASSERT_EQ(server.Act({{"do", "type"}, {"id", 1174}, {"text", "6"}}).status, 200);

  const Json state = server.State();
  ASSERT_EQ(state["dialogs"].size(), 1u) << state.dump();
  const Json& dialog = state["dialogs"][0];
  EXPECT_EQ(dialog["caption"], "Drive Setup");
  EXPECT_GT(dialog["w"].get<int>(), 0);
  EXPECT_EQ(state["messageBox"]["text"], kPowerOfTwo);
  EXPECT_EQ(state["messageBox"]["buttons"], Json::array({"ok"}));

  // While the box waits, nothing else reaches the dialog.
  const ServeProcess::Answer blocked = server.Act({{"do", "click"}, {"id", 1}});
  EXPECT_EQ(blocked.status, 409);
  EXPECT_NE(blocked.body.find("A message box waits"), std::string::npos) << blocked.body;
  const ServeProcess::Answer wrongButton = server.Act({{"do", "answer"}, {"text", kPowerOfTwo}, {"button", "yes"}});
  EXPECT_EQ(wrongButton.status, 409);

  ASSERT_EQ(server.Act({{"do", "answer"}, {"text", kPowerOfTwo}, {"button", "ok"}}).status, 200);
  const Json after = server.State();
  EXPECT_TRUE(after["messageBox"].is_null());
  const Json* microsteps = FindControl(after["dialogs"][0], 1174);
  ASSERT_NE(microsteps, nullptr);
  EXPECT_EQ((*microsteps)["text"], "8");
  EXPECT_EQ((*microsteps)["class"], "edit");
  EXPECT_TRUE((*microsteps)["visible"].get<bool>());
}

TEST_F(DriveSetupServed, CancelLeavesTheSetupAsItWas) {
  ServeProcess server({"--setup", setupPath});
  ASSERT_TRUE(server.Started()) << server.Printed();
  const ServeProcess::Answer before = server.Get("/api/setup");
  ASSERT_EQ(before.status, 200);
  Play(server, RaiseCurrentAndMicrosteps(2));
  const ServeProcess::Answer after = server.Get("/api/setup");
  EXPECT_EQ(after.body, before.body);
  const Json notices = server.State()["notices"];
  ASSERT_FALSE(notices.empty());
  EXPECT_NE(notices.back()["text"].get<std::string>().find("without OK"), std::string::npos) << notices.dump();
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_EQ(ReadFile(setupPath), ReadFile(kExample));
}

TEST_F(DriveSetupServed, RefusesActionsThatCannotApply) {
  ServeProcess server({"--setup", setupPath});
  ASSERT_TRUE(server.Started()) << server.Printed();
  // No dialog yet.
  EXPECT_EQ(server.Act({{"do", "click"}, {"id", 1}}).status, 409);

  ASSERT_TRUE(server.OpenDriveSetup());
  const std::uint64_t first = server.State()["dialogs"][0]["serial"];
  const ServeProcess::Answer hidden = server.Act({{"do", "type"}, {"id", 65000}, {"text", "1"}});
  EXPECT_EQ(hidden.status, 409);
  EXPECT_NE(hidden.body.find("control 65000"), std::string::npos) << hidden.body;
  // Opening again while a dialog is open, or uploading a setup, must wait.
  EXPECT_EQ(server.Post("/api/open", "").status, 409);
  EXPECT_EQ(server.Post("/api/setup?name=x.json", ReadFile(kExample)).status, 409);

  ASSERT_EQ(server.Post("/api/close", Json{{"dialog", first}}.dump()).status, 200);
  ASSERT_TRUE(server.OpenDriveSetup());
  // An action meant for the dialog that closed does not reach its successor.
  const ServeProcess::Answer stale =
      server.Post("/api/action", Json{{"dialog", first}, {"step", {{"do", "click"}, {"id", 1}}}}.dump());
  EXPECT_EQ(stale.status, 409);
  EXPECT_NE(stale.body.find("no longer on top"), std::string::npos) << stale.body;
  EXPECT_EQ(server.State()["dialogs"].size(), 1u);
}

TEST_F(DriveSetupServed, SetupFilesOpenWithTheCommandLinesMessagesAndSaveOnlyWhenAsked) {
  ServeProcess server({});
  ASSERT_TRUE(server.Started()) << server.Printed();
  const ServeProcess::Answer broken = server.Post("/api/setup?name=broken.json", "{\"parameters\": 3}");
  EXPECT_EQ(broken.status, 422);
  EXPECT_NE(broken.Json()["error"].get<std::string>().find("cannot load setup broken.json: "), std::string::npos)
      << broken.body;
  EXPECT_EQ(server.State()["setup"]["name"], "two_phase_open_loop.json");

  const std::string other = ReadFile(testsupport::ExamplePath("three_phase_open_loop"));
  ASSERT_FALSE(other.empty());
  ASSERT_EQ(server.Post("/api/setup?name=mine.json", other).status, 200);
  EXPECT_EQ(server.State()["setup"]["name"], "mine.json");
  EXPECT_EQ(server.Get("/api/setup").status, 200);

  // Started without --setup: nothing is written on the server's disk.
  const ServeProcess::Answer save = server.Post("/api/save", "");
  EXPECT_EQ(save.status, 409);
  EXPECT_NE(save.body.find("download"), std::string::npos) << save.body;
}

TEST_F(DriveSetupServed, RefusesRequestsWithoutTheTokenOrForAnotherHost) {
  ServeProcess server({"--setup", setupPath});
  ASSERT_TRUE(server.Started()) << server.Printed();
  httplib::Client stranger("127.0.0.1", server.Port());
  const auto noToken = stranger.Post("/api/open", "", "application/json");
  ASSERT_TRUE(noToken);
  EXPECT_EQ(noToken->status, 403);
  EXPECT_NE(noToken->body.find("no token"), std::string::npos) << noToken->body;
  const auto page = stranger.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 403);

  const std::string withToken = "/api/state?token=" + server.Token();
  const auto rebound = stranger.Get(withToken, httplib::Headers{{"Host", "attacker.example:" + std::to_string(server.Port())}});
  ASSERT_TRUE(rebound);
  EXPECT_EQ(rebound->status, 403);
  const auto foreignPage = stranger.Get(withToken, httplib::Headers{{"Origin", "http://attacker.example"}});
  ASSERT_TRUE(foreignPage);
  EXPECT_EQ(foreignPage->status, 403);
  EXPECT_EQ(stranger.Get(withToken)->status, 200);
  // Nothing reached the dialogs.
  EXPECT_TRUE(server.State()["dialogs"].empty());
}

TEST_F(DriveSetupServed, BadRequestsGetAClearRefusal) {
  ServeProcess server({"--setup", setupPath});
  ASSERT_TRUE(server.Started()) << server.Printed();
  const ServeProcess::Answer notJson = server.Post("/api/action", "{");
  EXPECT_EQ(notJson.status, 400);
  EXPECT_TRUE(notJson.Json().contains("error")) << notJson.body;
  EXPECT_EQ(server.Get("/api/nothing").status, 404);
  EXPECT_EQ(server.Get("/api/state?after=x").status, 400);
  EXPECT_EQ(server.Get("/api/plot?key=1-1").status, 404);
  EXPECT_EQ(server.Get("/api/file?serial=99").status, 404);
  EXPECT_EQ(server.Get("/api/bitmap?name=../../etc/passwd").status, 404);

  const ServeProcess::Answer huge = server.Post("/api/setup?name=big.json", std::string(5 << 20, ' '));
  EXPECT_EQ(huge.status, 413);
  // Still serving.
  EXPECT_EQ(server.Get("/api/state").status, 200);
}

}  // namespace
