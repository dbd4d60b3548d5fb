#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "kernel/setup_file.h"
#include "scale_fixture.h"

namespace {

constexpr double kAmperesPerCount = 0.01;
constexpr double kCelsiusOffset = -100.0;

std::string Doc(std::string_view parameters) {
  return std::string(R"({"format": "drivesetup-setup", "version": 1,
    "drive": {"description": "", "firmware": "", "product": "", "userApplication": "", "e2romSize": 0,
              "adcMaxValue": 4095},
    "units": {"A": {"mA": {"factor": 1000}}, "s": {}, "°C": {}},
    "parameters": {)") + std::string(parameters) + "}}";
}

// Current scales by a constant; time by the loop period "Ts", as the
// plug-in's time units do; temperature has an offset.
double TestFactor(CVX_Setup* setup, const std::string& unit, const std::string&) {
  if (unit == "A") return kAmperesPerCount;
  if (unit == "s") return setup->GetParameterValueInInternalUnit("Ts");
  return 1.0;
}

TEST(SetupFileValue, ConvertsThroughTheScaleOnceEveryOtherValueIsLoaded) {
  ScaleHook hook(&TestFactor, {{"°C", kCelsiusOffset}});
  // "Period" comes before the "Ts" its scale reads.
  const kernel::SetupLoadResult result = kernel::ParseSetup(Doc(R"(
      "Current": {"value": 2.5, "unit": "A", "display": "mA", "type": "uint16"},
      "Rounded": {"value": 2.504, "unit": "A", "type": "int16"},
      "Period": {"value": 0.002, "unit": "s", "type": "uint16"},
      "Temp": {"value": 25, "unit": "°C"},
      "Gain": {"value": 3},
      "Ts": 0.0005)"));
  ASSERT_TRUE(result.ok()) << result.ErrorText();
  const CVX_Setup& setup = *result.setup;
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("Current"), 250.0);
  // An integer type keeps the nearest count, as any write of a base value.
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("Rounded"), 250.0);
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("Period"), 4.0);
  EXPECT_DOUBLE_EQ(setup.GetParameterValueInInternalUnit("Temp"), 25.0 - kCelsiusOffset);
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("Gain"), 3.0);

  // Saved, the converted values are internal ones and load without a scale.
  const std::string text = kernel::SerializeSetup(setup);
  EXPECT_NE(text.find(R"("Period": {"internal": 4, "type": "uint16", "unit": "s"})"), std::string::npos) << text;
}

TEST(SetupFileValue, InternalValuesAreStoredWithoutAnyConversion) {
  ScaleHook hook(&TestFactor);
  const kernel::SetupLoadResult result =
      kernel::ParseSetup(Doc(R"("Current": {"internal": 250, "unit": "A", "type": "uint16"}, "Ts": 0.0005)"));
  ASSERT_TRUE(result.ok()) << result.ErrorText();
  EXPECT_EQ(ScaleHook::Calls(), 0);
  EXPECT_EQ(result.setup->GetParameterValueInInternalUnit("Current"), 250.0);
  EXPECT_DOUBLE_EQ(result.setup->GetParameterValueInBaseUnit("Current"), 2.5);
}

TEST(SetupFileValue, AValueTheScaleCannotConvertIsAnError) {
  ScaleHook hook([](CVX_Setup*, const std::string&, const std::string&) {
    return std::numeric_limits<double>::quiet_NaN();
  });
  const kernel::SetupLoadResult result =
      kernel::ParseSetup(Doc(R"("Ok": {"value": 1}, "Current": {"value": 2.5, "unit": "A"})"));
  EXPECT_FALSE(result.ok());
  ASSERT_EQ(result.errors.size(), 1u);
  EXPECT_TRUE(result.errors[0].Text().starts_with("parameters.Current.value: cannot be converted to an internal value"))
      << result.errors[0].Text();
}

}  // namespace
