#include <gtest/gtest.h>

#include "commissioning/measured_values.h"

namespace commissioning {
namespace {

TEST(MeasuredValues, FormatsAsTheTestsQuestionsShowThem) {
  EXPECT_EQ(FormatMeasured(1999.7, ValueFormat::kInteger), "1999") << "%d shows the integer part";
  EXPECT_EQ(FormatMeasured(-3.9, ValueFormat::kInteger), "-3");
  EXPECT_EQ(FormatMeasured(0.95, ValueFormat::kFixed), "0.950000");
  EXPECT_EQ(FormatMeasured(0.0031, ValueFormat::kGeneral), "0.0031");
  EXPECT_EQ(FormatMeasured(48.0, ValueFormat::kGeneralUpper), "48");
  EXPECT_EQ(FormatMeasured(46.51, ValueFormat::kGeneralUpper), "46.51");
  EXPECT_EQ(FormatMeasured(1.5e-7, ValueFormat::kGeneralUpper), "1.5E-07");
}

TEST(MeasuredValues, TheQuestionListsOnlyTheValuesThatDiffer) {
  const std::vector<MeasuredValue> values{{"Phase resistance", "0.950000", "1.120000"},
                                          {"Phase inductance", "0.003100", "0.003100"}};
  EXPECT_TRUE(values[0].Differs());
  EXPECT_FALSE(values[1].Differs());
  EXPECT_EQ(KeepValuesQuestion(values),
            "A different value than specified has been detected for the following parameter(s):\r\n\r\n"
            "Phase resistance:\tOld = 0.950000\tNew = 1.120000\r\n"
            "\r\nDo you want to save the new value(s)? (Recommended)");
}

}  // namespace
}  // namespace commissioning
