#include <gtest/gtest.h>

#include <string>

#include "browser/action_request.h"

namespace {

using browser::ParseActionRequest;
using browser::ParseCloseRequest;
using browser::Request;
using platform::StepKind;

TEST(BrowserActionRequest, ReadsAPersonsStepAndTheDialogItWasMeantFor) {
  const auto typed = ParseActionRequest(R"({"step": {"do": "type", "id": 3416, "text": "2"}, "dialog": 7})");
  ASSERT_TRUE(typed.request) << typed.error;
  EXPECT_EQ(typed.request->kind, Request::Kind::kStep);
  EXPECT_EQ(typed.request->step.kind, StepKind::kType);
  EXPECT_EQ(typed.request->step.id, 3416);
  EXPECT_EQ(typed.request->step.text, "2");
  EXPECT_EQ(typed.request->dialog, 7u);

  const auto answer = ParseActionRequest(R"({"step": {"do": "answer", "text": "Sure?", "button": "yes"}})");
  ASSERT_TRUE(answer.request) << answer.error;
  EXPECT_EQ(answer.request->step.kind, StepKind::kAnswer);
  EXPECT_FALSE(answer.request->dialog);
}

TEST(BrowserActionRequest, RefusesWhatIsNoActionWithAReason) {
  struct Row {
    const char* body;
    const char* reason;
  };
  const Row rows[] = {
      {"", "not a JSON document"},
      {"{\"step\": ", "not a JSON document"},
      {"[1]", "must be a JSON object"},
      {"{}", "needs a \"step\""},
      {R"({"step": {"do": "click", "id": 1}, "extra": 1})", "Unknown member \"extra\""},
      {R"({"step": {"do": "click", "id": 1}, "dialog": -1})", "serial number"},
      {R"({"step": {"do": "click", "id": 1}, "dialog": "7"})", "serial number"},
      {R"({"step": {"do": "clik", "id": 1}})", "the step: unknown step \"clik\""},
      {R"({"step": {"do": "type", "id": 1}})", "missing \"text\""},
      {R"({"step": {"do": "click", "id": 0}})", "the step"},
      {R"({"step": {"do": "expect", "id": 1, "text": "x"}})", "no action"},
      {R"({"step": {"do": "list"}})", "no action"},
      {R"({"step": {"do": "wait", "ms": 60001}})", "at most 60000 ms"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.body);
    const auto parsed = ParseActionRequest(row.body);
    EXPECT_FALSE(parsed.request);
    EXPECT_NE(parsed.error.find(row.reason), std::string::npos) << parsed.error;
  }
  EXPECT_TRUE(ParseActionRequest(R"({"step": {"do": "wait", "ms": 60000}})").request);
}

TEST(BrowserCloseRequest, TakesAnEmptyBodyOrTheDialogOnly) {
  const auto bare = ParseCloseRequest("");
  ASSERT_TRUE(bare.request);
  EXPECT_EQ(bare.request->kind, Request::Kind::kCloseDialog);
  EXPECT_FALSE(bare.request->dialog);

  const auto meant = ParseCloseRequest(R"({"dialog": 3})");
  ASSERT_TRUE(meant.request) << meant.error;
  EXPECT_EQ(meant.request->dialog, 3u);

  EXPECT_FALSE(ParseCloseRequest(R"({"step": {"do": "click", "id": 2}})").request);
  EXPECT_FALSE(ParseCloseRequest("nonsense").request);
}

}  // namespace
