// The drive runs exactly the programs whose images the plug-in ships: a test
// that loads an image must find its program on the drive, and a program
// without an image could never be started by a test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "drive/drive_program.h"
#include "kernel/coff_format.h"
#include "kernel/name_key.h"
#include "kernel/program_run.h"
#include "drive/sim_bench.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> ImageNames() {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(kernel::ProgramsDirectory()))
    if (entry.path().extension() == ".json") names.insert(entry.path().stem().string());
  return names;
}

TEST(ProgramCatalogue, EveryImageHasItsProgramAndNoProgramLacksAnImage) {
  const drive::ProgramRegistry& programs = drive::BuiltInPrograms();
  const std::set<std::string> images = ImageNames();
  ASSERT_EQ(images.size(), 29u);
  for (const std::string& image : images) EXPECT_TRUE(programs.Has(image)) << image;
  for (const std::string& program : programs.Names()) {
    const bool imaged = std::any_of(images.begin(), images.end(),
                                    [&](const std::string& image) { return kernel::SameName(image, program); });
    EXPECT_TRUE(imaged) << program;
  }
}

// The variables a test writes and reads are those of the image, so every
// program must start with every variable its image declares, and read each
// of them back.
TEST(ProgramCatalogueSim, EveryProgramStartsWithTheVariablesOfItsImage) {
  for (const std::string& image : ImageNames()) {
    SimBench bench("closed_loop_incremental_1000.json");
    CVX_CoffFormat coff(kernel::GetOutPathName(image));
    ASSERT_TRUE(coff.ReadCoff()) << image;
    const auto& variables = coff.GetImage().variables;
    kernel::ProgramStart start;
    start.name = image;
    start.variables = variables;
    const kernel::DriveResult<> started = bench.drive().StartProgram(start);
    ASSERT_TRUE(started.ok()) << image << ": " << started.error();
    for (const kernel::ProgramVariable& variable : variables) {
      const auto read = bench.drive().ReadProgramVariable({image, variable.name, variable.type});
      EXPECT_TRUE(read.ok()) << image << "." << variable.name << ": " << read.error();
    }
  }
}

}  // namespace
