#include "host_test_support.h"
#include "unittests/support/example_setups.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/drivesetup.h"
#include "kernel/setup_file.h"

namespace host_test {
namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

namespace {

CVX_Parameter* Add(CVX_Setup& setup, const char* name, double internal) {
  CVX_Parameter* p = setup.AddParameter(name);
  EXPECT_NE(p, nullptr) << name;
  if (p) p->InitInternal(internal);
  return p;
}

}  // namespace

CVX_Setup MakeTestSetup(bool withStepFamilies) {
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.description = "host test drive";
  identity.adcMaxValue = 65472;
  setup.SetIdentity(identity);

  EXPECT_TRUE(setup.AddUnitFamily("Hz"));
  EXPECT_TRUE(setup.MergeDerivedUnit("kHz", "Hz", 0.001, 0.0));
  if (withStepFamilies) {
    for (const char* family : {"rad", "rad/s", "rad/s^2", "rad/s^3"}) EXPECT_TRUE(setup.AddUnitFamily(family));
  }

  Add(setup, "Gain", 2.5);
  if (CVX_Parameter* p = Add(setup, "PWM_freq", 20000)) {
    p->InitUnit("Hz", "kHz");
    p->InitLimits(1000, 100000);
  }
  if (CVX_Parameter* p = Add(setup, "KPI", 100)) p->InitType(kernel::ValueType::kInt16);
  Add(setup, "NoMotorSteps", 200);
  Add(setup, "NoMicroStepsPerStep", 16);
  Add(setup, "StepperControlType", 0);
  Add(setup, "Motor_transmission", 1);
  Add(setup, "Load_transmission", 1);

  setup.AddVariable("MER", 1);
  if (withStepFamilies) {
    if (CVX_Variable* v = setup.AddVariable("APOS", 1)) v->InitUnit("rad", "rad");
  }
  setup.SetOption("MaxFilters", "4");
  return setup;
}

std::string WriteTestSetup(const std::string& path, bool withStepFamilies) {
  const std::string cause = kernel::SaveSetupFile(MakeTestSetup(withStepFamilies), path);
  EXPECT_EQ(cause, "");
  return path;
}

RunResult RunInProcess(const std::vector<std::string>& args) {
  std::vector<std::string> words = {"drivesetup"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  RunResult result;
  result.status = host::RunDriveSetup(static_cast<int>(words.size()), argv.data(), out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

namespace {

std::string ShellQuote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

RunResult RunBinary(const std::vector<std::string>& args, const std::string& shellPrefix) {
  const TempDir capture;
  std::string command = shellPrefix + ShellQuote(DRIVESETUP_BINARY_DIR "/bin/drivesetup");
  for (const std::string& a : args) command += " " + ShellQuote(a);
  command += " </dev/null >" + ShellQuote(capture.File("out")) + " 2>" + ShellQuote(capture.File("err"));
  const int raw = std::system(command.c_str());
  RunResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(capture.File("out"));
  result.err = ReadFile(capture.File("err"));
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

double SavedBase(const std::string& path, const std::string& name) {
  const RunResult get = RunBinary({"--setup", path, "get", name, "--json"});
  EXPECT_EQ(get.status, 0) << get.err;
  if (get.status != 0) return 0.0;
  return nlohmann::json::parse(get.out)["parameters"][name]["value"].get<double>();
}

SimulatedCommandTest::SimulatedCommandTest(std::string_view example) {
  WriteFile(input, ReadFile(testsupport::ExamplePath(example)));
}

RunResult SimulatedCommandTest::RunOnSimulation(const std::vector<std::string>& args) const {
  std::vector<std::string> all{"--setup", input, "--sim", simulation, "--out", output};
  all.insert(all.end(), args.begin(), args.end());
  return RunBinary(all);
}

}  // namespace host_test
