#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/setup_file.h"

namespace {

// A valid document with `sections` appended as further top-level members.
std::string Doc(std::string_view sections) {
  std::string text = R"({"format": "drivesetup-setup", "version": 1,
    "drive": {"description": "", "firmware": "", "product": "", "userApplication": "", "e2romSize": 0,
              "adcMaxValue": 4095})";
  if (!sections.empty()) text += std::string(", ") + std::string(sections);
  return text + "}";
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

constexpr std::string_view kUnits = R"("units": {"rad": {"rot": {"factor": 0.159}}, "rad/s": {"rpm": {"factor": 9.55}}})";

std::string WithUnits(std::string_view sections) { return Doc(std::string(kUnits) + ", " + std::string(sections)); }

std::vector<std::string> Errors(const std::string& document) {
  const kernel::SetupLoadResult result = kernel::ParseSetup(document);
  EXPECT_FALSE(result.ok());
  std::vector<std::string> texts;
  for (const auto& error : result.errors) texts.push_back(error.Text());
  return texts;
}

struct Fault {
  std::string document;
  std::vector<std::string> errors;  // all of them, in reading order
};

// Each fault alone in an otherwise valid document is reported once, with its
// path, and brings no follow-on errors.
TEST(SetupFileErrors, EachFaultIsReportedOnceWithItsPath) {
  const std::vector<Fault> faults = {
      // The document and its identity.
      {"[1]", {"must be an object, found array"}},
      {Doc(R"("colour": 1)"),
       {"colour: unknown key (expected one of: format, version, drive, capabilities, options, units, variables, "
        "parameters, simulation)"}},
      {Replace(Doc(""), "drivesetup-setup", "other"), {R"(format: must be "drivesetup-setup", found "other")"}},
      {Replace(Doc(""), R"("format": "drivesetup-setup", )", ""), {"missing \"format\""}},
      {Replace(Doc(""), R"("version": 1)", R"("version": 2)"),
       {"version: version 2 is not one this program reads (it reads 1)"}},
      {Replace(Doc(""), R"("adcMaxValue": 4095)", R"("adcMaxValue": 0)"),
       {"drive.adcMaxValue: must be an integer of at least 1, found 0"}},
      {Replace(Doc(""), R"("description": "", )", ""), {"drive: missing \"description\""}},
      {Replace(Doc(""), R"("e2romSize": 0)", R"("e2romSize": 1.5)"),
       {"drive.e2romSize: 1.5 is not an integer (must be an integer of at least 0)"}},
      // Written with a fraction, a whole number is still no integer, and says so as written.
      {Replace(Doc(""), R"("adcMaxValue": 4095)", R"("adcMaxValue": 65472.0)"),
       {"drive.adcMaxValue: 65472.0 is not an integer (must be an integer of at least 1)"}},
      // Duplicate keys, exact or by letter case.
      {Doc(R"("parameters": {"KPI": 1, "KPI": 2})"), {R"(parameters: duplicate key "KPI")"}},
      {Doc(R"("parameters": {"KPI": 1, "kpi": 2})"), {R"(parameters: "kpi" duplicates "KPI" (names ignore case))"}},
      {Doc(R"("simulation": {"a": [{"b": 1, "b": 2}]})"), {R"(simulation.a[0]: duplicate key "b")"}},
      {Doc(R"("options": {"Mode": "1", "MODE": 2})"), {R"(options: "MODE" duplicates "Mode" (names ignore case))"}},
      {Doc(R"("units": {"rad": {}, "RAD": {}})"), {R"(units: "RAD" duplicates "rad" (names ignore case))"}},
      {Doc(R"("units": {"rad": {"turn": {"factor": 1}}, "m": {"turn": {"factor": 2}}})"),
       {R"(units.m.turn: "turn" is already a unit of "rad" (names ignore case))"}},
      {Doc(R"("variables": [{"name": "MER", "axis": 1, "type": "uint16"}, {"name": "mer", "axis": 1, "type": "uint16"}])"),
       {R"(variables[1]: "mer" on axis 1 duplicates variables[0] (names ignore case))"}},
      // Parameters.
      {Doc(R"("parameters": {"KPI": {"internal": 3, "type": "int17"}})"), {R"(parameters.KPI.type: unknown type "int17")"}},
      {Doc(R"("parameters": {"Kp_C_scl": {"internal": 15, "min": 20, "max": 10}})"),
       {"parameters.Kp_C_scl.min: 20 is above max 10"}},
      {Doc(R"("parameters": {"KPI": {"internal": 1.5, "type": "int16"}})"),
       {"parameters.KPI.internal: 1.5 is not a whole number, as type int16 needs"}},
      {Doc(R"("parameters": {"KPI": {"internal": 32768, "type": "int16"}})"),
       {"parameters.KPI.internal: 32768 is outside the range of int16 (-32768 to 32767)"}},
      {Doc(R"("parameters": {"PCR": {"internal": -1, "type": "uint16"}})"),
       {"parameters.PCR.internal: -1 is outside the range of uint16 (0 to 65535)"}},
      {Doc(R"("parameters": {"X": {"internal": 1, "value": 2}})"),
       {R"(parameters.X: has both "internal" and "value"; give one)"}},
      {Doc(R"("parameters": {"X": {"unit": ""}})"), {R"(parameters.X: needs "internal" or "value")"}},
      {Doc(R"("parameters": {"X": {"internal": 1e999}})"),
       {"parameters.X.internal: the number 1e999 is too large for a double"}},
      {Doc(R"("options": {"Big": -1e999})"), {"options.Big: the number -1e999 is too large for a double"}},
      {Doc(R"("parameters": {"X": "12"})"), {"parameters.X: must be a number or an object, found string"}},
      {Doc(R"("parameters": {"X": {"internal": 1, "decimals": 16}})"),
       {"parameters.X.decimals: must be an integer from 0 to 15, found 16"}},
      {Doc(R"("parameters": {"X": {"value": -1, "min": 0}})"), {"parameters.X.value: -1 is below min 0"}},
      {Doc(R"("parameters": {"X": {"internal": 1, "Internal": 1}})"),
       {R"(parameters.X.Internal: unknown key (keys are case-sensitive: "internal"))"}},
      {Doc(R"("parameters": {"a.b": {"internal": 1, "typo": 1}})"),
       {R"(parameters."a.b".typo: unknown key (expected one of: internal, value, unit, display, min, max, type, decimals))"}},
      {Doc(R"("parameters": {"": 1})"), {R"(parameters."": a parameter needs a name)"}},
      // Units as parameters and variables name them.
      {WithUnits(R"("parameters": {"Speed": {"internal": 1, "unit": "rad/s", "display": "rot"}})"),
       {R"(parameters.Speed.display: "rot" is not a unit of the family "rad/s")"}},
      {WithUnits(R"("parameters": {"X": {"internal": 1, "display": "rot"}})"),
       {"parameters.X.display: a dimensionless value has no display unit"}},
      {WithUnits(R"("parameters": {"X": {"internal": 1, "unit": "rpm"}})"),
       {R"(parameters.X.unit: "rpm" is a unit of the family "rad/s", not a family)"}},
      {WithUnits(R"("variables": [{"name": "MER", "axis": 1, "type": "uint16"}, {"name": "V", "axis": 1, "type": "int32", "unit": "rad/ss"}])"),
       {R"(variables[1].unit: unknown unit family "rad/ss")"}},
      {Doc(R"("variables": [{"name": "MER", "axis": 0}])"),
       {"variables[0].axis: must be an integer of at least 1, found 0", "variables[0]: missing \"type\""}},
      {Doc(R"("units": {"rad": {"rot": {"factor": 0}}},
              "parameters": {"P": {"internal": 1, "unit": "rad", "display": "rot"}})"),
       {"units.rad.rot.factor: must be a finite non-zero number"}},
      {Doc(R"("units": {"rad": {"rot": {"factor": "1"}}})"), {R"(units.rad.rot.factor: must be a number, found "1")"}},
      {Doc(R"("units": {"°C": {"°F": {"factor": 1.8, "offset": null}}})"),
       {"units.°C.°F.offset: must be a number, found null"}},
      // Options and capabilities.
      {Doc(R"("options": {"List": [1]})"), {"options.List: must be text or a number, found array"}},
      {Doc(R"("capabilities": {"sensorNames": {"16": "x", "01": "y"}})"),
       {"capabilities.sensorNames.16: key must be a sensor type from 0 to 15",
        "capabilities.sensorNames.01: key must be a sensor type from 0 to 15"}},
      {Doc(R"("capabilities": {"sensorNames": {"1": 5}, "sensorInputs": [{"name": "F1", "motor": [1]}]})"),
       {"capabilities.sensorNames.1: must be text, found 5"}},
      {Doc(R"("capabilities": {"sensorNames": {"1": "Enc"}, "sensorInputs": [{"name": "F1", "motor": [1, 2, 1]}]})"),
       {"capabilities.sensorInputs[0].motor[1]: sensor type 2 has no name in capabilities.sensorNames",
        "capabilities.sensorInputs[0].motor[2]: sensor type 1 is listed twice"}},
      {Doc(R"("capabilities": {"ssiFrequencies": [{"kHz": 1000, "code": 1}, {"kHz": 1000, "code": 0}]})"),
       {"capabilities.ssiFrequencies[1].kHz: 1000 does not ascend from the previous 1000"}},
      {Doc(R"("capabilities": {"ioPorts": [{"port": 1, "pin": 2}, {"port": 1, "pin": 2, "inverted": 0}]})"),
       {"capabilities.ioPorts[1].inverted: must be true or false, found 0",
        "capabilities.ioPorts[1].port: port 1 is already capabilities.ioPorts[0]",
        "capabilities.ioPorts[1].pin: pin 2 is already capabilities.ioPorts[0]"}},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.document);
    EXPECT_EQ(Errors(fault.document), fault.errors);
  }
}

TEST(SetupFileErrors, EveryFaultOfOneDocumentIsReported) {
  const std::string document = Replace(
      WithUnits(R"("options": {"A": {}},
                   "variables": [{"name": "MER", "axis": 1, "type": "int17"}],
                   "parameters": {"KPI": {"internal": 3, "type": "int17"}, "Speed": {"internal": 1, "unit": "rad/sec"},
                                  "Ok": 1, "kpi": 4})"),
      R"("adcMaxValue": 4095)", R"("adcMaxValue": -2)");
  EXPECT_EQ(Errors(document), (std::vector<std::string>{
                                  "drive.adcMaxValue: must be an integer of at least 1, found -2",
                                  "options.A: must be text or a number, found object",
                                  R"(variables[0].type: unknown type "int17")",
                                  R"(parameters.KPI.type: unknown type "int17")",
                                  R"(parameters.Speed.unit: unknown unit family "rad/sec")",
                                  R"(parameters: "kpi" duplicates "KPI" (names ignore case))",
                              }));
}

TEST(SetupFileErrors, SyntaxErrorsSayWhereTheReaderStopped) {
  std::vector<std::string> errors = Errors(Doc(R"("parameters": {"KPI": {"internal": tru}})"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].starts_with("parameters.KPI.internal: parse error at line 3")) << errors[0];

  errors = Errors(R"({"format": "drivesetup-setup", "parameters": {"KPI": 1,)");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].starts_with("parameters: parse error")) << errors[0];
  EXPECT_NE(errors[0].find("unexpected end of input"), std::string::npos) << errors[0];
}

TEST(SetupFileErrors, ManyFaultsAreCutAtAThousand) {
  std::string parameters;
  for (int i = 0; i < 1500; ++i) parameters += (i ? ", " : "") + std::string("\"P") + std::to_string(i) + "\": \"x\"";
  const std::vector<std::string> errors = Errors(Doc("\"parameters\": {" + parameters + "}"));
  ASSERT_EQ(errors.size(), 1001u);
  EXPECT_EQ(errors.back(), "500 more errors not shown");
}

}  // namespace
