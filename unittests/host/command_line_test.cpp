#include "host/command_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

namespace {

using host::Command;

host::ParsedCommandLine Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "drivesetup");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return host::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, EveryCommandIsKnown) {
  const std::vector<std::pair<std::vector<std::string>, Command>> cases = {
      {{"compute"}, Command::kCompute},
      {{"recover"}, Command::kRecover},
      {{"roundtrip"}, Command::kRoundTrip},
      {{"limits"}, Command::kLimits},
      {{"options"}, Command::kOptions},
      {{"init-param", "NoMotorSteps"}, Command::kInitParam},
      {{"scale", "rad/s", "Limit_Speed"}, Command::kScale},
      {{"get", "KPI"}, Command::kGet},
  };
  for (const auto& [args, command] : cases) {
    const host::ParsedCommandLine parsed = Parse(args);
    ASSERT_TRUE(parsed.invocation) << args.front() << ": " << (parsed.failure ? parsed.failure->message : "");
    EXPECT_EQ(parsed.invocation->command, command) << args.front();
  }
}

TEST(CommandLine, GlobalOptionsStandBeforeOrAfterTheCommand) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--setup", "a.json", "--plugin", "p.so", "--out", "b.json", "--json", "get", "KPI", "SFTKPI"},
           {"get", "KPI", "SFTKPI", "--setup", "a.json", "--plugin", "p.so", "--out", "b.json", "--json"},
           {"--json", "--setup", "a.json", "get", "KPI", "--plugin", "p.so", "SFTKPI", "--out", "b.json"},
       }) {
    const host::ParsedCommandLine parsed = Parse(args);
    ASSERT_TRUE(parsed.invocation) << (parsed.failure ? parsed.failure->message : "");
    const host::Invocation& inv = *parsed.invocation;
    EXPECT_EQ(inv.setupPath, "a.json");
    EXPECT_EQ(inv.pluginPath, "p.so");
    EXPECT_EQ(inv.outPath, "b.json");
    EXPECT_TRUE(inv.json);
    EXPECT_EQ(inv.names, (std::vector<std::string>{"KPI", "SFTKPI"}));
  }
}

TEST(CommandLine, DefaultsLeaveEveryPathEmpty) {
  const host::ParsedCommandLine parsed = Parse({"roundtrip"});
  ASSERT_TRUE(parsed.invocation);
  EXPECT_EQ(parsed.invocation->setupPath, "");
  EXPECT_EQ(parsed.invocation->pluginPath, "");
  EXPECT_EQ(parsed.invocation->outPath, "");
  EXPECT_FALSE(parsed.invocation->json);
  EXPECT_TRUE(parsed.invocation->assignments.empty());
}

TEST(CommandLine, AssignmentsKeepTheirOrderAcrossTheCommand) {
  const host::ParsedCommandLine parsed = Parse({"--set", "A=1", "--set=B=-2.5e3", "compute", "--set", "a=+3"});
  ASSERT_TRUE(parsed.invocation) << parsed.failure->message;
  const auto& a = parsed.invocation->assignments;
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].name, "A");
  EXPECT_EQ(a[0].value, 1.0);
  EXPECT_EQ(a[1].name, "B");
  EXPECT_EQ(a[1].value, -2500.0);
  EXPECT_EQ(a[2].name, "a");
  EXPECT_EQ(a[2].value, 3.0);
}

TEST(CommandLine, MalformedAssignmentsAreUsageErrors) {
  for (const char* text : {"A", "=1", "A=", "A=abc", "A=1.5x", "A= 1", "A=1=2", "A=inf", "A=-inf", "A=nan",
                           "A=1e999", "A=0x10", "A=+-3", "A=+"}) {
    const host::ParsedCommandLine parsed = Parse({"--set", text, "compute"});
    EXPECT_FALSE(parsed.invocation) << text;
    ASSERT_TRUE(parsed.failure) << text;
    EXPECT_EQ(parsed.failure->status, host::kExitUsage) << text;
    EXPECT_EQ(parsed.failure->message.find('\n'), std::string::npos) << text;
  }
}

TEST(CommandLine, TinyValuesAreNotRefused) {
  const host::ParsedAssignment parsed = host::ParseAssignment("A=1e-400");
  ASSERT_TRUE(parsed.assignment);
  EXPECT_TRUE(std::isfinite(parsed.assignment->value));
  EXPECT_LT(std::fabs(parsed.assignment->value), 1e-300);
}

TEST(CommandLine, UnknownOrMissingCommandIsAUsageError) {
  const host::ParsedCommandLine unknown = Parse({"--json", "frobnicate"});
  ASSERT_TRUE(unknown.failure);
  EXPECT_EQ(unknown.failure->status, host::kExitUsage);
  EXPECT_NE(unknown.failure->message.find("frobnicate"), std::string::npos) << unknown.failure->message;

  const host::ParsedCommandLine none = Parse({"--json"});
  ASSERT_TRUE(none.failure);
  EXPECT_EQ(none.failure->status, host::kExitUsage);
}

TEST(CommandLine, CommandArgumentsAreChecked) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"get"}, {"init-param"}, {"scale", "rad"}, {"scale", "rad", "KPI", "extra"}, {"compute", "extra"},
           {"compute", "--unknown"}, {"compute", "get", "KPI"}, {"--setup"}, {"roundtrip", "--setup", "a", "--setup", "b"}}) {
    const host::ParsedCommandLine parsed = Parse(args);
    EXPECT_FALSE(parsed.invocation) << args.front();
    ASSERT_TRUE(parsed.failure) << args.front();
    EXPECT_EQ(parsed.failure->status, host::kExitUsage);
    EXPECT_EQ(parsed.failure->message.find('\n'), std::string::npos);
  }
}

TEST(CommandLine, ScaleTakesTheUnitAsGiven) {
  const host::ParsedCommandLine parsed = Parse({"scale", "V ", "KPI"});
  ASSERT_TRUE(parsed.invocation);
  EXPECT_EQ(parsed.invocation->unit, "V ");
  EXPECT_EQ(parsed.invocation->parameter, "KPI");
}

TEST(CommandLine, HelpIsNotAnError) {
  const host::ParsedCommandLine program = Parse({"--json", "--help"});
  EXPECT_FALSE(program.failure);
  ASSERT_TRUE(program.help);
  EXPECT_NE(program.help->find("--setup"), std::string::npos);

  const host::ParsedCommandLine command = Parse({"get", "--help"});
  EXPECT_FALSE(command.failure);
  ASSERT_TRUE(command.help);
  EXPECT_NE(command.help->find("NAME"), std::string::npos);

  // --version answers alone, wherever it stands, like --help.
  for (const auto& words : {std::vector<std::string>{"--version"}, std::vector<std::string>{"roundtrip", "--version"}}) {
    const host::ParsedCommandLine version = Parse(words);
    EXPECT_FALSE(version.failure);
    EXPECT_FALSE(version.invocation);
    ASSERT_TRUE(version.help);
    EXPECT_TRUE(std::regex_match(*version.help, std::regex("drivesetup [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << *version.help;
  }
}

TEST(CommandLine, HelpSaysWhichCommandsBypassThePlugin) {
  const host::ParsedCommandLine program = Parse({"--help"});
  ASSERT_TRUE(program.help);
  for (const char* command : {"compute", "recover", "roundtrip", "limits"}) {
    SCOPED_TRACE(command);
    const size_t start = program.help->find(std::string("  ") + command + " ");
    ASSERT_NE(start, std::string::npos);
    const std::string line = program.help->substr(start, program.help->find('\n', start) - start);
    EXPECT_NE(line.find("Diagnostic:"), std::string::npos) << line;
  }
  EXPECT_NE(program.help->find("not the plug-in"), std::string::npos);
}

TEST(ServeCommandLine, TakesThePortTheSetupAndOpen) {
  const host::ParsedCommandLine parsed = Parse({"serve", "--setup", "a.json", "--port", "8080", "--open"});
  ASSERT_TRUE(parsed.invocation) << (parsed.failure ? parsed.failure->message : "");
  EXPECT_EQ(parsed.invocation->command, Command::kServe);
  EXPECT_EQ(parsed.invocation->setupPath, "a.json");
  EXPECT_EQ(parsed.invocation->port, 8080);
  EXPECT_TRUE(parsed.invocation->open);
  EXPECT_EQ(Parse({"serve"}).invocation->port, 0);
}

TEST(ServeCommandLine, RefusesWhatServeCannotHonour) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"serve", "--port", "65536"},
                                                                {"serve", "--port", "-1"},
                                                                {"serve", "--port", "x"},
                                                                {"--out", "b.json", "serve"},
                                                                {"--json", "serve"}}) {
    const host::ParsedCommandLine parsed = Parse(args);
    EXPECT_FALSE(parsed.invocation) << args.back();
    EXPECT_TRUE(parsed.failure) << args.back();
  }
}

}  // namespace
