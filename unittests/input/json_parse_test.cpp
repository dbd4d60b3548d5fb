#include "input/json_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Errors(std::string_view text, const input::JsonBounds& bounds = {}) {
  const input::ParsedJson parsed = input::ParseJson(text, bounds);
  EXPECT_EQ(parsed.value.has_value(), parsed.errors.empty()) << text;
  std::vector<std::string> texts;
  for (const input::JsonError& error : parsed.errors) texts.push_back(error.Text());
  return texts;
}

TEST(JsonParse, NumbersADoubleCannotHoldAreFaultsAtTheirPath) {
  EXPECT_EQ(Errors(R"({"a": {"b": [1, 1e400]}})"),
            std::vector<std::string>{"a.b[1]: the number 1e400 is too large for a double"});
  EXPECT_EQ(Errors(R"([{"do": "wait", "ms": -1e400}])"),
            std::vector<std::string>{"[0].ms: the number -1e400 is too large for a double"});
  EXPECT_EQ(Errors("1e400", {.root = "simulation"}),
            std::vector<std::string>{"simulation: the number 1e400 is too large for a double"});
  // Integers too large for 64 bits become doubles; the smallest double is one.
  EXPECT_TRUE(input::ParseJson("[18446744073709551616, -9223372036854775809, 4.9e-324, 1e-400]").value);
}

TEST(JsonParse, EveryRepeatedKeyIsAFaultAndTheFirstValueIsKept) {
  EXPECT_EQ(Errors(R"({"a": 1, "b": {"c": 1, "c": 2, "c": 3}, "a": 2})"),
            (std::vector<std::string>{"b: duplicate key \"c\"", "b: duplicate key \"c\"", "duplicate key \"a\""}));
}

TEST(JsonParse, TheBoundsStopAHostileDocumentEarly) {
  EXPECT_EQ(Errors("[[[1]]]", {.maxDepth = 2}), std::vector<std::string>{"[0][0]: nested deeper than 2 levels"});
  EXPECT_TRUE(input::ParseJson("[[1]]", {.maxDepth = 2}).value);
  EXPECT_EQ(Errors("[1, 2, 3]", {.maxValues = 3}), std::vector<std::string>{"[2]: the document holds more than 3 values"});
  EXPECT_EQ(Errors("[1,2]   ", {.maxBytes = 7}), std::vector<std::string>{"the document is larger than 7 bytes"});
}

TEST(JsonParse, SyntaxFaultsSayWhereWithoutTheLibrarysTag) {
  const std::vector<std::string> errors = Errors(R"({"a": [1, }])", {.root = "top"});
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("top.a[1]: parse error at line 1, column 11: syntax error", 0), 0u) << errors[0];
  for (const char* text : {"", "{", "NaN", "[Infinity]", "{} {}", "\"\xff\""}) {
    for (const std::string& error : Errors(text)) EXPECT_EQ(error.find("[json.exception"), std::string::npos) << error;
  }
}

TEST(JsonParse, OnlyTheNamedSectionKeepsItsNumbersAsWritten) {
  const input::ParsedJson parsed =
      input::ParseJson(R"({"options": {"Ratio": 1.50, "Count": 3}, "other": {"Ratio": 1.50}})",
                       {.rawNumbersUnder = "options"});
  ASSERT_TRUE(parsed.value);
  EXPECT_EQ((*parsed.value)["options"]["Ratio"], "1.50");
  EXPECT_EQ((*parsed.value)["options"]["Count"], 3);
  EXPECT_EQ((*parsed.value)["other"]["Ratio"], 1.5);
}

}  // namespace
