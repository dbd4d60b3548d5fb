#include "input/json_read.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using input::ErrorList;
using input::Json;
using input::Members;

std::vector<std::string> Texts(ErrorList& errors) {
  std::vector<std::string> texts;
  for (const input::JsonError& error : errors.Take()) texts.push_back(error.Text());
  return texts;
}

Json Parse(std::string_view text) {
  input::ParsedJson parsed = input::ParseJson(text);
  EXPECT_TRUE(parsed.value) << text;
  return parsed.value ? std::move(*parsed.value) : Json();
}

TEST(JsonRead, EachReadSaysWhatTheValueMustBeAndWhatItWas) {
  struct Case {
    const char* json;
    std::vector<std::string> errors;
  };
  const std::vector<Case> cases = {
      {"3", {}},
      {"3.0", {"at: 3.0 is not an integer (must be an integer from 0 to 10)"}},
      {"65472.0", {"at: 65472.0 is not an integer (must be an integer from 0 to 10)"}},
      {"11", {"at: must be an integer from 0 to 10, found 11"}},
      {"-1", {"at: must be an integer from 0 to 10, found -1"}},
      {"18446744073709551615", {"at: must be an integer from 0 to 10, found 18446744073709551615"}},
      {"\"3\"", {"at: must be an integer from 0 to 10, found \"3\""}},
      {"null", {"at: must be an integer from 0 to 10, found null"}},
      {"[3]", {"at: must be an integer from 0 to 10, found array"}},
  };
  for (const Case& c : cases) {
    ErrorList errors;
    const auto value = input::ReadInteger(Parse(c.json), "at", errors, 0, 10);
    EXPECT_EQ(value.has_value(), c.errors.empty()) << c.json;
    EXPECT_EQ(Texts(errors), c.errors) << c.json;
  }

  ErrorList errors;
  EXPECT_EQ(input::ReadNumber(Parse("0.5"), "n", errors, 0.0, 1.0), 0.5);
  EXPECT_FALSE(input::ReadNumber(Parse("1.5"), "n", errors, 0.0, 1.0));
  EXPECT_FALSE(input::ReadNumber(Parse("-1"), "n", errors, 0.0));
  EXPECT_FALSE(input::ReadNumber(Parse("true"), "n", errors));
  EXPECT_FALSE(input::ReadNumber(Json(HUGE_VAL), "n", errors));
  EXPECT_FALSE(input::ReadText(Parse("\"\""), "t", errors, false));
  EXPECT_FALSE(input::ReadFlag(Parse("1"), "f", errors));
  EXPECT_FALSE(input::ReadChoice(Parse("\"wye\""), "c", errors, {"star", "delta"}));
  EXPECT_EQ(Texts(errors), (std::vector<std::string>{
                               "n: must be a number from 0 to 1, found 1.5",
                               "n: must be a number of at least 0, found -1",
                               "n: must be a number, found true",
                               "n: must be a finite number",
                               "t: must not be empty",
                               "f: must be true or false, found 1",
                               "c: must be one of \"star\", \"delta\", found \"wye\"",
                           }));
}

TEST(JsonRead, MembersReportUnknownAndMissingKeysAtTheirPlace) {
  ErrorList errors;
  const Json object = Parse(R"({"Internal": 1, "colour": 2, "min": 0})");
  Members members(object, "parameters.X", errors, {"internal", "min", "max"});
  EXPECT_TRUE(members.IsObject());
  EXPECT_EQ(members.Number("min", true), 0.0);
  EXPECT_FALSE(members.Number("max", false));
  EXPECT_FALSE(members.Require("internal"));
  EXPECT_EQ(Texts(errors), (std::vector<std::string>{
                               "parameters.X.Internal: unknown key (keys are case-sensitive: \"internal\")",
                               "parameters.X.colour: unknown key (expected one of: internal, min, max)",
                               "parameters.X: missing \"internal\"",
                           }));

  Members notAnObject(Parse("[1]"), "p", errors, {"a"});
  EXPECT_FALSE(notAnObject.IsObject());
  EXPECT_FALSE(notAnObject.Text("a", true));
  EXPECT_EQ(Texts(errors), std::vector<std::string>{"p: must be an object, found array"});
}

TEST(JsonRead, ListsOfTextsAreCheckedElementByElement) {
  ErrorList errors;
  const Json object = Parse(R"({"logs": ["IQ", "", 3], "none": []})");
  Members members(object, "", errors, {"logs", "none"});
  EXPECT_FALSE(members.TextList("logs", false, false));
  EXPECT_EQ(members.TextList("none", true), std::vector<std::string>{});
  EXPECT_EQ(Texts(errors), (std::vector<std::string>{"logs[1]: must not be empty", "logs[2]: must be text, found 3"}));
}

TEST(JsonRead, QuotedValuesAndKeysStayShortAndPrintable) {
  const std::string longText(100000, 'k');
  EXPECT_EQ(input::Found(Json(longText)), "\"" + std::string(64, 'k') + "\"... (100000 bytes)");
  EXPECT_EQ(input::Quoted(std::string("a\nb\x01", 4)), "\"a\\nb\\u0001\"");
  EXPECT_EQ(input::MemberPath("a", "b.c"), "a.\"b.c\"");
  EXPECT_EQ(input::MemberPath("", "plain"), "plain");
  EXPECT_EQ(input::MemberPath("a", longText), "a.\"" + std::string(64, 'k') + "\"... (100000 bytes)");
  EXPECT_EQ(input::ElementPath("", 2), "[2]");
  EXPECT_EQ(input::FloatText(65472.0), "65472.0");
  EXPECT_EQ(input::FloatText(1e300), "1e+300");
}

TEST(JsonRead, PastAThousandFaultsTheRestAreCounted) {
  ErrorList errors;
  for (int i = 0; i < 1005; ++i) errors.Add("p", "fault");
  const std::vector<input::JsonError> taken = errors.Take();
  ASSERT_EQ(taken.size(), 1001u);
  EXPECT_EQ(taken.back().Text(), "5 more errors not shown");
}

}  // namespace
