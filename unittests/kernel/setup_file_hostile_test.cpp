#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kernel/setup_file.h"
#include "setup_file_testing.h"

namespace {

using setup_file_testing::RichDocument;
using setup_file_testing::SameSetup;

// The reader's bounds, as the format documents them.
constexpr size_t kMaxDocumentBytes = size_t{64} << 20;
constexpr int kMaxDepth = 32;
constexpr size_t kMaxValues = size_t{1} << 20;

std::string FirstError(std::string_view text) {
  const kernel::SetupLoadResult result = kernel::ParseSetup(text);
  EXPECT_FALSE(result.ok());
  EXPECT_FALSE(result.errors.empty());
  return result.errors.empty() ? std::string() : result.errors.front().Text();
}

std::string Doc(std::string_view simulation) {
  return std::string(R"({"format": "drivesetup-setup", "version": 1,
    "drive": {"description": "", "firmware": "", "product": "", "userApplication": "", "e2romSize": 0,
              "adcMaxValue": 4095}, "simulation": )") + std::string(simulation) + "}";
}

TEST(SetupFileHostile, EveryTruncationOfAValidDocumentIsAnError) {
  const std::string document = RichDocument();
  const size_t complete = document.rfind('}') + 1;
  for (size_t length = 0; length < complete; ++length) {
    const kernel::SetupLoadResult result = kernel::ParseSetup(std::string_view(document).substr(0, length));
    ASSERT_FALSE(result.ok()) << length;
    ASSERT_FALSE(result.errors.empty()) << length;
  }
  EXPECT_TRUE(kernel::ParseSetup(std::string_view(document).substr(0, complete)).ok());
}

TEST(SetupFileHostile, NestingStopsAtItsBound) {
  const auto repeat = [](std::string_view text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
  };
  // The document is level 1 and the simulation level 2: 31 brackets reach 32.
  EXPECT_TRUE(kernel::ParseSetup(Doc(repeat("[", kMaxDepth - 1) + repeat("]", kMaxDepth - 1))).ok());
  EXPECT_EQ(FirstError(Doc(repeat("[", kMaxDepth) + repeat("]", kMaxDepth))),
            "simulation" + repeat("[0]", kMaxDepth - 1) + ": nested deeper than 32 levels");
  EXPECT_EQ(FirstError(repeat("[", 1'000'000)), repeat("[0]", kMaxDepth) + ": nested deeper than 32 levels");
  EXPECT_EQ(FirstError(repeat("{\"a\":", 100'000)), repeat(".a", kMaxDepth).substr(1) + ": nested deeper than 32 levels");
}

TEST(SetupFileHostile, SizeAndValueCountAreBounded) {
  // Refused before the reader looks at a byte: blanks alone would be valid.
  EXPECT_EQ(FirstError(std::string(kMaxDocumentBytes + 1, ' ')), "the document is larger than 64 MiB");

  std::string zeros = "[0";
  for (size_t i = 0; i < kMaxValues; ++i) zeros += ",0";
  EXPECT_NE(FirstError(Doc(zeros + "]")).find("more than 1048576 values"), std::string::npos);
}

TEST(SetupFileHostile, ErrorTextsStayShortWhateverTheInput) {
  const std::string longKey(1'000'000, 'k');
  const std::string error = FirstError(Doc("1, \"" + longKey + "\": 1"));
  EXPECT_LT(error.size(), 300u) << error.substr(0, 300);
  EXPECT_NE(error.find("(1000000 bytes): unknown key"), std::string::npos) << error.substr(0, 300);
  EXPECT_LT(FirstError("{\"" + longKey).size(), 400u);
}

TEST(SetupFileHostile, TextThatIsNotJsonIsAnError) {
  for (const std::string& text : {std::string(), std::string("   "), std::string("NaN"), std::string("Infinity"),
                                 std::string("{\"a\": NaN}"), std::string("\"\xff\xfe\""), std::string("{\"a\"\0:1}", 8),
                                 Doc("1") + " trailing", std::string("{} {}"), std::string("\xEF\xBB\xBF")}) {
    EXPECT_NE(FirstError(text).find("parse error"), std::string::npos) << text;
  }
  EXPECT_EQ(FirstError("{}"), "missing \"format\"");
}

TEST(SetupFileHostile, RandomBytesAreErrors) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<size_t> length(0, 400);
  for (int i = 0; i < 2000; ++i) {
    std::string text(length(random), '\0');
    for (char& c : text) c = static_cast<char>(byte(random));
    const kernel::SetupLoadResult result = kernel::ParseSetup(text);
    ASSERT_FALSE(result.ok());
    ASSERT_FALSE(result.errors.empty());
  }
}

// A mutated document either fails with errors or, when it still loads,
// survives a save and a load unchanged.
TEST(SetupFileHostile, MutatedDocumentsFailOrRoundTrip) {
  const std::string document = RichDocument();
  std::mt19937 random(11);
  std::uniform_int_distribution<size_t> position(0, document.size() - 1);
  const std::string tokens[] = {"{", "}", "[", "]", ",", ":", "\"", "0", "-1", "1e999", "null", "true", "\\u0000"};
  std::uniform_int_distribution<size_t> token(0, std::size(tokens) - 1);
  int loaded = 0;
  for (int i = 0; i < 600; ++i) {
    std::string text = document;
    const size_t at = position(random);
    switch (i % 3) {
      case 0: text[at] = static_cast<char>(text[at] ^ (1 << (i % 8))); break;
      case 1: text.insert(at, tokens[token(random)]); break;
      default: text.erase(at, 1 + i % 5); break;
    }
    const kernel::SetupLoadResult first = kernel::ParseSetup(text);
    if (!first.ok()) {
      ASSERT_FALSE(first.errors.empty());
      continue;
    }
    ++loaded;
    const kernel::SetupLoadResult second = kernel::ParseSetup(kernel::SerializeSetup(*first.setup));
    ASSERT_TRUE(second.ok()) << second.ErrorText();
    ASSERT_TRUE(SameSetup(*first.setup, *second.setup)) << text;
  }
  // Flips inside names and texts keep a document valid, so both ways are taken.
  EXPECT_GT(loaded, 0);
}

TEST(SetupFileHostile, AnEndlessDeviceIsRefusedBeforeAnyRead) {
  const kernel::SetupLoadResult result = kernel::LoadSetupFile("/dev/zero");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.ErrorText(), "a device, not a file");
}

}  // namespace
