#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kernel/drive_interface.h"
#include "kernel/program_image.h"

// The image of one test program, as a test holds it: the path set from
// GetOutPathName(codeName), loaded with ReadCoff(). It also keeps the inputs
// the test has written since, which ExecuteCode hands to the drive with the
// start.
class CVX_CoffFormat {
 public:
  CVX_CoffFormat() = default;
  explicit CVX_CoffFormat(std::string path) : m_path(std::move(path)) {}

  // Forgets a loaded image.
  void SetPath(std::string path);
  const std::string& GetPath() const { return m_path; }

  // Reads the descriptor at the path. Non-zero on success. A missing or
  // malformed file, or one that describes a program other than the one its
  // file is named after, leaves no image: GetErrorText() says why, and the
  // text goes through the kernel error channel.
  int ReadCoff();

  bool IsLoaded() const { return m_loaded; }
  const kernel::ProgramImage& GetImage() const { return m_image; }
  // Empty until loaded.
  const std::string& GetProgramName() const { return m_image.name; }
  const std::string& GetErrorText() const { return m_error; }

  // Kernel use: keeps a written input (a rewrite replaces the value, the
  // first write's order stays).
  void KeepInput(const kernel::ProgramVariable& variable, double value);
  const std::vector<kernel::ProgramInput>& GetKeptInputs() const { return m_inputs; }

 private:
  void Forget();

  std::string m_path;
  bool m_loaded = false;
  kernel::ProgramImage m_image;
  std::string m_error;
  std::vector<kernel::ProgramInput> m_inputs;
};
