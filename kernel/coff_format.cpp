#include "kernel/coff_format.h"

#include <filesystem>
#include <fmt/format.h>

#include "input/bounded_file.h"
#include "kernel/errors.h"
#include "kernel/name_key.h"

namespace {

// Descriptors are a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxDescriptorBytes = std::size_t{1} << 20;

}  // namespace

void CVX_CoffFormat::SetPath(std::string path) {
  m_path = std::move(path);
  Forget();
}

void CVX_CoffFormat::Forget() {
  m_loaded = false;
  m_image = {};
  m_inputs.clear();
}

int CVX_CoffFormat::ReadCoff() {
  Forget();
  m_error.clear();
  const auto fail = [this](std::string text) {
    m_error = std::move(text);
    kernel::ReportError(m_error);
    return 0;
  };

  if (m_path.empty()) return fail("No program image is named: the path is empty.");
  const input::FileText file = input::ReadBoundedFile(m_path, kMaxDescriptorBytes);
  if (file.notFound) return fail(fmt::format("The program image \"{}\" does not exist.", m_path));
  if (!file.ok()) return fail(fmt::format("The program image \"{}\" cannot be read: {}.", m_path, file.error));

  kernel::ProgramImageParse parse = kernel::ParseProgramImage(file.text, m_path);
  if (!parse.image) return fail(fmt::format("The program image is not valid:\n{}", parse.error));
  // A descriptor copied under another name would start the wrong program.
  const std::string stem = std::filesystem::path(m_path).stem().string();
  if (!kernel::SameName(stem, parse.image->name))
    return fail(fmt::format("{}: describes the program \"{}\", but its file is named after \"{}\".", m_path,
                            parse.image->name, stem));
  m_image = std::move(*parse.image);
  m_loaded = true;
  return 1;
}

void CVX_CoffFormat::KeepInput(const kernel::ProgramVariable& variable, double value) {
  for (kernel::ProgramInput& input : m_inputs) {
    if (kernel::SameName(input.name, variable.name)) {
      input.value = value;
      return;
    }
  }
  m_inputs.push_back({variable.name, variable.type, value});
}
