#include "input/bounded_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class BoundedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("bounded_file_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }

  fs::path dir_;
};

TEST_F(BoundedFile, ARegularFileIsReadWhole) {
  const std::string text("{\"a\": 1}\n\0tail", 14);
  const input::FileText file = input::ReadBoundedFile(Write("a.json", text));
  EXPECT_TRUE(file.ok()) << file.error;
  EXPECT_EQ(file.text, text);
}

TEST_F(BoundedFile, TheSizeBoundHoldsToTheByte) {
  const std::string path = Write("big.json", std::string(1000, ' '));
  EXPECT_TRUE(input::ReadBoundedFile(path, 1000).ok());
  const input::FileText refused = input::ReadBoundedFile(path, 999);
  EXPECT_EQ(refused.error, "larger than 999 bytes");
  EXPECT_TRUE(refused.text.empty());
  EXPECT_EQ(input::ReadBoundedFile(path, 512).error, "larger than 512 bytes");
}

TEST_F(BoundedFile, WhatIsNotARegularFileIsRefusedWithoutReadingIt) {
  const std::string fifo = (dir_ / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string error;
  };
  for (const Case& c : {Case{dir_.string(), "a directory, not a file"},
                        // Endless: a read would never stop on its own.
                        Case{"/dev/zero", "a device, not a file"},
                        // No writer: opening it to read would wait for one.
                        Case{fifo, "a named pipe, not a file"},
                        Case{(dir_ / "absent.json").string(), "No such file or directory"},
                        Case{"", "the file name is empty"}}) {
    const input::FileText file = input::ReadBoundedFile(c.path);
    EXPECT_EQ(file.error, c.error) << c.path;
    EXPECT_EQ(input::RegularFileProblem(c.path), c.error) << c.path;
  }
  EXPECT_TRUE(input::ReadBoundedFile((dir_ / "absent.json").string()).notFound);
  EXPECT_FALSE(input::ReadBoundedFile(dir_.string()).notFound);
}

TEST(SizeText, SaysTheBoundInItsLargestWholeUnit) {
  EXPECT_EQ(input::SizeText(std::size_t{64} << 20), "64 MiB");
  EXPECT_EQ(input::SizeText(std::size_t{4} << 10), "4 KiB");
  EXPECT_EQ(input::SizeText(1500), "1500 bytes");
}

}  // namespace
