#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "host/drivesetup.h"
#include "host/report.h"
#include "host_test_support.h"

namespace {

using namespace host_test;

// Times `needle` stands in `text`.
std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
  return count;
}

// Every file of the directory with its contents.
std::map<std::string, std::string> Snapshot(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.Entries()) {
    const std::string path = dir.File(name);
    files[name] = std::filesystem::is_regular_file(path) ? ReadFile(path) : std::string("(not a file)");
  }
  return files;
}

// Whatever a hostile command line holds, the program ends with exit status 1
// or 2 and exactly one line on standard error that says why, prints nothing
// else, leaves its input as it was and no file behind.
TEST(HostileCommandLine, EveryCaseIsOneLineAndLeavesEverythingAsItWas) {
  TempDir dir;
  const std::string in = host_test::WriteTestSetup(dir.File("in.json"));
  const std::string setupText = ReadFile(in);
  const auto setupWith = [&](const std::string& name, const std::string& from, const std::string& to) {
    std::string text = setupText;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    host_test::WriteFile(dir.File(name), text);
    return dir.File(name);
  };
  const std::string setupHuge = setupWith("huge.json", "\"adcMaxValue\": 65472", "\"adcMaxValue\": 1e400");
  const std::string setupFloat = setupWith("float.json", "\"adcMaxValue\": 65472", "\"adcMaxValue\": 65472.0");
  const std::string setupKey = setupWith("key.json", "\"adcMaxValue\"", "\"adcMax\": 1, \"adcMaxValue\"");
  host_test::WriteFile(dir.File("broken.json"), "{\"format\": ");
  host_test::WriteFile(dir.File("sim_huge.json"), R"({"supply_V": 1e400})");
  host_test::WriteFile(dir.File("sim_frame.json"), R"({"sensors": {"ssi": {"bits": 32, "multi_turn_bits": 32}}})");
  host_test::WriteFile(dir.File("script_huge.json"), R"([{"do":"wait","ms":1e400}])");
  host_test::WriteFile(dir.File("script_bad.json"), R"([{"do":"click"}, {"do":"type","id":0}])");
  std::filesystem::create_directory(dir.File("folder"));
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string missing = dir.File("missing.json");
  const std::string out = dir.File("out.json");
  // The kernel passes no single argument longer than 128 KiB, and the shell
  // gets the whole command as one.
  const std::string longName(1 << 16, 'N');

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string mentions;
    std::string shellPrefix = "";
  };
  const std::vector<Case> cases = {
      // Numbers a double cannot hold, anywhere.
      {{"--setup", in, "--sim", dir.File("sim_huge.json"), "get", "Gain"}, 1,
       "simulation.supply_V: the number 1e400 is too large for a double"},
      {{"--setup", in, "edit", "--script", dir.File("script_huge.json")}, 1,
       "step 1.ms: the number 1e400 is too large for a double"},
      {{"--setup", setupHuge, "roundtrip"}, 1, "drive.adcMaxValue: the number 1e400 is too large for a double"},
      {{"--setup", setupFloat, "roundtrip"}, 1, "drive.adcMaxValue: 65472.0 is not an integer"},
      // Files that are no files, or too large, or wait for a writer.
      {{"--setup", in, "--sim", dir.File("folder"), "get", "Gain"}, 1, "a directory, not a file"},
      {{"--setup", in, "--sim", "/dev/zero", "get", "Gain"}, 1, "a device, not a file"},
      {{"--setup", in, "--sim", fifo, "get", "Gain"}, 1, "a named pipe, not a file"},
      {{"--setup", in, "edit", "--script", "/dev/zero"}, 1, "a device, not a file"},
      {{"--setup", in, "edit", "--script", dir.File("folder")}, 1, "a directory, not a file"},
      {{"--setup", "/dev/zero", "roundtrip"}, 1, "a device, not a file"},
      {{"--setup", fifo, "roundtrip"}, 1, "a named pipe, not a file"},
      {{"--plugin", "/dev/zero", "roundtrip"}, 1, "a device, not a file"},
      {{"--plugin", fifo, "roundtrip"}, 1, "a named pipe, not a file"},
      // A frame no sensor has, and every fault of a script counted.
      {{"--setup", in, "--sim", dir.File("sim_frame.json"), "get", "Gain"}, 1,
       "simulation.sensors.ssi.multi_turn_bits: must be an integer from 0 to 31, found 32"},
      {{"--setup", in, "edit", "--script", dir.File("script_bad.json")}, 1,
       "step 1 (click): missing \"id\" (and 2 more errors)"},
      // Empty values and options where a value belongs.
      {{"--setup", "", "roundtrip"}, 2, "--setup: the value is empty"},
      {{"--setup", in, "--out", "", "roundtrip"}, 2, "--out: the value is empty"},
      {{"--setup", in, "--sim", "", "get", "Gain"}, 2, "--sim: the value is empty"},
      {{"--setup", in, "run-program", "VDC_Detection_Test", "--log", "--out", out}, 2,
       "--log needs a value before the option --out"},
      {{"--setup", "--out", out, "roundtrip"}, 2, "--setup needs a value before the option --out"},
      {{"--setup", in, "edit", "--script", "--json"}, 2, "--script needs a value before the option --json"},
      // Arguments cut and escaped.
      {{"--setup", in, "get", longName}, 1, "NNN... (65536 bytes)"},
      {{"--setup", in, "get", "A\x01\x1b[2J\xff"}, 1, "A\\x01\\x1b[2J\\xff"},
      {{"--setup", dir.File(longName.substr(0, 200)), "roundtrip"}, 1, "... (" },
      // The setup file's own faults, as before.
      {{"--setup", missing, "roundtrip"}, 1, "cannot load setup " + missing + ": No such file or directory"},
      {{"--setup", dir.File("broken.json"), "roundtrip"}, 1, "parse error at line 1, column 12"},
      {{"--setup", setupKey, "roundtrip"}, 1, "drive.adcMax: unknown key"},
      {{"--setup", in, "--set", "NoSuchThing=1", "roundtrip", "--out", out}, 1, "NoSuchThing"},
      {{"--setup", in, "--set", "Gain=abc", "roundtrip"}, 2, "\"abc\" is not a number"},
      {{"--setup", in, "roundtrip", "--out", dir.File("folder")}, 1, "cannot replace the file"},
      {{"--setup", in, "roundtrip", "--out", dir.File("nowhere/out.json")}, 1, "No such file or directory"},
      // A file-size limit met while saving: the save cleans up and says why.
      {{"--setup", in, "roundtrip", "--out", out}, 1, "cannot write the temporary file: File too large",
       "ulimit -f 1; "},
  };

  const std::map<std::string, std::string> before = Snapshot(dir);
  for (const Case& c : cases) {
    const RunResult r = RunBinary(c.args, c.shellPrefix);
    std::string shown;
    for (const std::string& arg : c.args) shown += " " + arg.substr(0, 60);
    SCOPED_TRACE(shown);
    EXPECT_GE(r.status, 1);
    EXPECT_LE(r.status, 2);
    EXPECT_EQ(r.status, c.status) << r.err.substr(0, 500);
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err.substr(0, 2000);
    EXPECT_EQ(lines[0].rfind("drivesetup: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.mentions), std::string::npos) << lines[0].substr(0, 500);
    EXPECT_LT(lines[0].size(), 600u) << "a line, not a page";
    EXPECT_EQ(lines[0].find("[json.exception"), std::string::npos) << lines[0];
    EXPECT_TRUE(std::all_of(lines[0].begin(), lines[0].end(), [](char ch) { return ch >= ' ' && ch != 0x7F; }))
        << lines[0];
    // Each file the line names, it names once.
    for (const std::string& arg : c.args) {
      if (arg.rfind(dir.path().string(), 0) == 0 && arg.size() < 200) {
        EXPECT_LE(Count(lines[0], arg), 1u) << lines[0];
      }
    }
    EXPECT_EQ(Snapshot(dir), before) << "the input stays as it was and nothing is left behind";
  }
}

// Every write fails, and the stream was asked to throw when one does.
class FailingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(HostileCommandLine, AnExceptionNothingExpectedIsOneLineAndExitStatusOne) {
  FailingBuffer buffer;
  std::ostream out(&buffer);
  out.exceptions(std::ios::badbit);
  std::ostringstream err;
  std::vector<std::string> words = {"drivesetup", "roundtrip"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  EXPECT_EQ(host::RunDriveSetup(static_cast<int>(words.size()), argv.data(), out, err), 1);
  const std::vector<std::string> lines = Lines(err.str());
  ASSERT_EQ(lines.size(), 1u) << err.str();
  EXPECT_EQ(lines[0].rfind("drivesetup: internal error: ", 0), 0u) << lines[0];
}

TEST(TextReport, ALongNameDoesNotWidenEveryOtherLine) {
  CVX_Setup setup = host_test::MakeTestSetup();
  setup.AddParameter(std::string(1 << 20, 'N'));
  const CVX_Parameter* gain = setup.FindParameter("Gain");
  const CVX_Parameter* longOne = setup.GetParameters().back();
  std::ostringstream out;
  host::PrintParametersText(out, {gain, longOne});
  const std::vector<std::string> lines = Lines(out.str());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(lines[0].size(), 80u) << lines[0];
  EXPECT_EQ(lines[0].rfind("  Gain ", 0), 0u) << lines[0];
  EXPECT_LT(lines[1].size(), (std::size_t{1} << 20) + 80) << "the long name itself is shown, unpadded";
}

}  // namespace
