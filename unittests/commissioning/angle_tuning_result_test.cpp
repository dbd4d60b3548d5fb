#include "commissioning/angle_tuning_result.h"

#include <gtest/gtest.h>

#include "commissioning/test_texts.h"
#include "kernel/missing_value.h"

namespace commissioning {
namespace {

TEST(AngleTuningResult, EachFlagGivesItsText) {
  EXPECT_TRUE(EvaluateAngleRun(1, std::nullopt).succeeded);
  EXPECT_TRUE(EvaluateAngleRun(0, std::nullopt).succeeded) << "only the three failure flags fail";
  EXPECT_TRUE(EvaluateAngleRun(kMissingValue, std::nullopt).internalError);
  EXPECT_FALSE(EvaluateAngleRun(kMissingValue, std::nullopt).succeeded);

  const auto protection = EvaluateAngleRun(-1, std::nullopt);
  EXPECT_FALSE(protection.succeeded);
  EXPECT_EQ(protection.text, kCurrentProtectionText);
  EXPECT_FALSE(protection.notStabilized);

  const auto tooLow = EvaluateAngleRun(-3, std::nullopt);
  EXPECT_EQ(tooLow.text, "Test failed!\nTest current may not be enough. Please increase test current.");
  EXPECT_FALSE(tooLow.notStabilized);
}

TEST(AngleTuningResult, NotStabilizedNamesWhereTheAngleSettled) {
  const auto settled = EvaluateAngleRun(-2, -12001.7);
  EXPECT_FALSE(settled.succeeded);
  EXPECT_TRUE(settled.notStabilized);
  EXPECT_NE(settled.text.find("close to -12001 with a tolerance"), std::string::npos) << settled.text;
  EXPECT_EQ(settled.text.rfind("Test failed!\n\nIf the Test current doesn’t decreases", 0), 0u);

  for (std::optional<double> unreadable : {std::optional<double>{}, std::optional<double>{kMissingValue}}) {
    const auto unknown = EvaluateAngleRun(-2, unreadable);
    EXPECT_TRUE(unknown.notStabilized);
    EXPECT_EQ(unknown.text.rfind("Test failed!\nAngle not stabilized.\n", 0), 0u);
    EXPECT_NE(unknown.text.find("-18204 and -14564"), std::string::npos);
  }
}

}  // namespace
}  // namespace commissioning
