#include <gtest/gtest.h>

#include <cmath>

#include "kernel/kernel_functions.h"
#include "kernel/missing_value.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "scale_fixture.h"
#include "unittests/support/kernel_errors.h"

namespace {

TEST(SetupLookup, NamesIgnoreCaseAndKeepIndexOrder) {
  CVX_Setup setup;
  for (const char* name : {"PWMPER", "Kp_C_scl", "SSI_Freq"}) setup.AddParameter(name);
  EXPECT_EQ(setup.FindParameter("pwmper"), setup.GetParameters()[0]);
  EXPECT_EQ(setup.FindParameter("SSI_freq"), setup.GetParameters()[2]);
  EXPECT_EQ(setup.GetParameters()[1]->GetName(), "Kp_C_scl");
  EXPECT_EQ(setup.GetParameters()[1]->GetIndex(), 1);
  EXPECT_EQ(setup.GetParametersCount(), 3);
  testsupport::ErrorCapture errors;
  EXPECT_EQ(setup.AddParameter("KP_C_SCL"), nullptr);
  EXPECT_EQ(setup.GetParametersCount(), 3);
}

TEST(SetupLookup, AMissingParameterReportsUnlessErrorsAreOff) {
  CVX_Setup setup;
  testsupport::ErrorCapture errors;
  EXPECT_EQ(setup.GetParameterValueInBaseUnit("ELRESL"), kMissingValue);
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("ELRESL"), kMissingValue);
  EXPECT_EQ(setup.SetParameterValueInBaseUnit("ELRESL", 1), 0);
  EXPECT_EQ(errors.errors.size(), 3u);
  EXPECT_NE(errors.errors[0].find("ELRESL"), std::string::npos);

  errors.errors.clear();
  EXPECT_EQ(kernel::ProbeParameter(setup, "ELRESL"), nullptr);
  EXPECT_FALSE(kernel::HasParameter(setup, "ELRESL"));
  EXPECT_FALSE(kernel::HasVariable(setup, "CADIN", 1));
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_EQ(g_bShowErrors, 1) << "the probe restores the error switch";
  EXPECT_NE(std::string(GetLastErrorText()).find("CADIN"), std::string::npos);
}

TEST(SetupOptions, IntegerReadingAndTextAreIndependentOfCase) {
  CVX_Setup setup;
  setup.SetOption("NewDeadBand", "1");
  setup.SetOption("MaxFilters", " 7");
  setup.SetOption("IsInputsTypeProgrammable", "");
  setup.SetOption("ReferenceName", "SOL");
  EXPECT_EQ(setup.GetIntOption("newdeadband"), 1);
  EXPECT_EQ(setup.GetIntOption("MaxFilters"), 7);
  EXPECT_EQ(setup.GetIntOption("ReferenceName"), 0);
  EXPECT_EQ(setup.GetIntOption("absent"), 0);
  EXPECT_EQ(setup.GetOptionNoError("absent"), "");
  EXPECT_TRUE(setup.HasOption("isinputstypeprogrammable"));
  setup.SetOption("NEWDEADBAND", "0");
  EXPECT_EQ(setup.GetIntOption("NewDeadBand"), 0);
  setup.ClearOption("maxfilters");
  EXPECT_FALSE(setup.HasOption("MaxFilters"));
  ASSERT_EQ(setup.GetOptions().size(), 3u);
  EXPECT_EQ(setup.GetOptions()[0].first, "NewDeadBand");
  EXPECT_EQ(setup.GetOptions()[2].first, "ReferenceName");
}

TEST(SetupUnits, MergeRemoveAndFindAcrossFamilies) {
  CVX_Setup setup;
  ASSERT_TRUE(setup.AddUnitFamily("rad"));
  ASSERT_TRUE(setup.AddUnitFamily("rad/s"));
  EXPECT_FALSE(setup.AddUnitFamily("RAD"));
  testsupport::ErrorCapture errors;
  EXPECT_TRUE(setup.MergeDerivedUnit("steps", "rad", 31.83, 0));
  EXPECT_TRUE(setup.MergeDerivedUnit("µsteps", "rad", 8148.7, 0));
  EXPECT_TRUE(setup.MergeDerivedUnit("steps", "rad", 40, 0)) << "a merge updates";
  EXPECT_EQ(setup.FindUnit("Steps")->factor, 40);
  EXPECT_EQ(setup.FindUnit("µSTEPS")->family, "rad");
  EXPECT_TRUE(setup.FindUnit("rad")->IsBase());
  EXPECT_FALSE(setup.MergeDerivedUnit("x", "nofamily", 1, 0));
  EXPECT_FALSE(setup.MergeDerivedUnit("rad/s", "rad", 1, 0)) << "base units are not redefined";
  EXPECT_FALSE(setup.MergeDerivedUnit("y", "rad", 0, 0));
  EXPECT_FALSE(setup.MergeDerivedUnit("y", "rad", NAN, 0));
  EXPECT_TRUE(setup.MergeDerivedUnit("steps", "rad/s", 2, 0)) << "moves to the new family";
  EXPECT_EQ(setup.FindUnit("steps")->family, "rad/s");
  EXPECT_EQ(setup.GetUnits()[0].derived.size(), 1u);
  EXPECT_TRUE(setup.RemoveUnit("steps"));
  EXPECT_EQ(setup.FindUnit("steps"), nullptr);
  EXPECT_NE(setup.FindUnit("µsteps"), nullptr) << "removal keeps the others findable";
  EXPECT_FALSE(setup.RemoveUnit("steps"));
  EXPECT_FALSE(setup.RemoveUnit("rad"));
}

TEST(SetupVariables, PerAxisAndCaseInsensitive) {
  CVX_Setup setup;
  setup.AddVariable("MER", 1);
  setup.AddVariable("MER", 2);
  EXPECT_EQ(setup.FindVariable("mer", 1)->GetAxis(), 1);
  EXPECT_EQ(setup.FindVariable("MER", 2)->GetAxis(), 2);
  testsupport::ErrorCapture errors;
  EXPECT_EQ(setup.FindVariable("MER", 3), nullptr);
  EXPECT_EQ(setup.AddVariable("mer", 1), nullptr);
  EXPECT_EQ(errors.errors.size(), 2u);
}

TEST(SetupCapabilities, SensorsConnectorsAndPortsComeFromTheDriveDescription) {
  CVX_Setup setup;
  CVX_DriveCapabilities caps;
  caps.sensorNames = {{0, "None"}, {1, "Incremental encoder"}, {3, "SSI encoder"}, {4, "BiSS encoder"}};
  caps.sensorInputs = {{"Feedback #1", {1, 3}, {1}, true}, {"Feedback #2", {}, {4}, false}};
  caps.ioPorts = {{25, 3, 0x10, true}, {26, 4, 0, false}};
  setup.SetCapabilities(caps);
  EXPECT_TRUE(setup.HasDLMotorSensor(3));
  EXPECT_FALSE(setup.HasDLMotorSensor(4));
  EXPECT_TRUE(setup.HasDLLoadSensor(4));
  EXPECT_FALSE(setup.HasDLLoadSensor(3));
  EXPECT_EQ(setup.GetSensorName(3), "SSI encoder");
  EXPECT_EQ(setup.GetSensorName(2), "");
  EXPECT_EQ(setup.GetFeedbackName(1), "Feedback #2");
  EXPECT_EQ(setup.GetFeedbackName(2), "");
  EXPECT_EQ(setup.GetDLMaxSensorValue(), 4);
  EXPECT_EQ(setup.GetDLMaxConnectorValue(), 1);
  EXPECT_EQ(setup.GetIOPinFromPort(25), 3);
  EXPECT_EQ(setup.GetIOPortFromPin(4), 26);
  EXPECT_EQ(setup.GetIOPinFromPort(99), -1);
  EXPECT_EQ(setup.IsBrakePortEnable(25) & 0x30, 0x10);
  EXPECT_TRUE(setup.IsIOVX3PortInverted(25));
  EXPECT_EQ(setup.GetNumberOfBrakeOutputs(), 1);
}

// The factor of "s" reads "Ts_S" in base units, which needs the factor of
// "s": a loop the kernel must report, not recurse into.
TEST(SetupConversion, AConversionThatReentersItselfIsAnErrorNotAStackOverflow) {
  CVX_Setup setup;
  setup.AddUnitFamily("s");
  CVX_Parameter* ts = setup.AddParameter("Ts_S");
  ts->InitUnit("s", "");
  ts->InitInternal(1);
  CVX_Parameter* other = setup.AddParameter("TPP");
  other->InitUnit("s", "");
  ScaleHook hook([](CVX_Setup* s, const std::string&, const std::string&) {
    return s->FindParameter("Ts_S")->GetValueInBaseUnit();
  });
  testsupport::ErrorCapture errors;
  EXPECT_TRUE(std::isnan(ts->GetValueInBaseUnit()));
  EXPECT_EQ(other->SetValueInBaseUnit(0.01), 0);
  ASSERT_FALSE(errors.errors.empty());
  EXPECT_NE(errors.errors.front().find("\"Ts_S\""), std::string::npos);
  EXPECT_NE(errors.errors.front().find("depends on itself"), std::string::npos);
}

TEST(SetupConversion, DimensionlessValuesNeverCallTheScaleFunctions) {
  CVX_Setup setup;
  CVX_Parameter* p = setup.AddParameter("KPI");
  ScaleHook hook([](CVX_Setup*, const std::string&, const std::string&) { return 3.0; });
  p->SetValueInBaseUnit(5);
  EXPECT_EQ(p->GetValueInBaseUnit(), 5);
  EXPECT_EQ(ScaleHook::Calls(), 0);
}

TEST(SetupCopy, ACopyIsAnIndependentDocument) {
  CVX_Setup original;
  original.AddUnitFamily("A");
  CVX_Parameter* p = original.AddParameter("RunCurrent");
  p->InitUnit("A", "");
  p->SetValueInBaseUnit(2.0);
  original.SetOption("MotorType", "Stepper, Rotary");
  original.AddVariable("MER", 1);
  CVX_Setup copy = original;
  copy.FindParameter("RunCurrent")->SetValueInBaseUnit(3.0);
  copy.SetOption("MotorType", "x");
  EXPECT_EQ(p->GetValueInBaseUnit(), 2.0);
  EXPECT_EQ(original.GetOptionNoError("MotorType"), "Stepper, Rotary");
  EXPECT_EQ(copy.FindParameter("runcurrent")->GetSetup(), &copy);
  EXPECT_EQ(copy.FindVariable("MER", 1) != original.FindVariable("MER", 1), true);
}

TEST(KernelFunctions, RoundDecimalValueAndConverterFullScale) {
  EXPECT_EQ(RoundDecimalValue(6.49185, 0), 6);
  EXPECT_EQ(RoundDecimalValue(2.345, 2), 2.35);
  EXPECT_EQ(RoundDecimalValue(-2.5, 0), -3);
  EXPECT_EQ(RoundDecimalValue(1234, -2), 1200);
  EXPECT_TRUE(std::isnan(RoundDecimalValue(NAN, 2)));
  EXPECT_EQ(RoundDecimalValue(1e300, 300), 1e300);
  CVX_Setup setup;
  CVX_DriveIdentity id;
  id.adcMaxValue = 65472;
  setup.SetIdentity(id);
  EXPECT_EQ(Compute_ADCMaxValue(&setup), 65472);
  EXPECT_EQ(Compute_ADCMaxValue(nullptr), 0);
  EXPECT_EQ(GetHelpFileOfGUI(&setup), "");
}

}  // namespace
