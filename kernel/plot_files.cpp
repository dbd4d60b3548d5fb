#include "kernel/plot_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "kernel/errors.h"
#include "kernel/setup_file.h"

namespace kernel {
namespace {

constexpr std::size_t kLongestName = 100;

std::filesystem::path& ChosenDirectory() {
  static std::filesystem::path directory;
  return directory;
}

PlotFileSink& Sink() {
  static PlotFileSink sink;
  return sink;
}

std::vector<std::filesystem::path>& Written() {
  static std::vector<std::filesystem::path> files;
  return files;
}

bool NameAllowed(std::string_view name) {
  if (name.empty() || name.size() > kLongestName) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
  });
}

}  // namespace

std::filesystem::path PlotDirectory() {
  if (!ChosenDirectory().empty()) return ChosenDirectory();
  if (const char* dir = std::getenv("DRIVESETUP_PLOTS_DIR"); dir && *dir) return dir;
  return ".";
}

void SetPlotDirectory(std::filesystem::path directory) { ChosenDirectory() = std::move(directory); }

void SetPlotFileSink(PlotFileSink sink) { Sink() = std::move(sink); }

std::optional<std::filesystem::path> WritePlotFile(std::string_view name, std::string_view extension,
                                                   std::string_view text) {
  if (!NameAllowed(name)) {
    ReportError(fmt::format("The plot cannot be saved under the name \"{}\": a plot name is 1 to {} letters, digits, "
                            "'_' or '-'.",
                            name, kLongestName));
    return std::nullopt;
  }
  const std::string fileName = std::string(name) + std::string(extension);
  const std::filesystem::path file = Sink() ? std::filesystem::path(fileName) : PlotDirectory() / fileName;
  const std::string cause = Sink() ? Sink()(fileName, text) : WriteFileAtomically(file.string(), std::string(text));
  if (!cause.empty()) {
    ReportError(fmt::format("The plot \"{}\" was not saved: {}", name, cause));
    return std::nullopt;
  }
  auto& written = Written();
  if (std::find(written.begin(), written.end(), file) == written.end()) written.push_back(file);
  return file;
}

std::vector<std::filesystem::path> PlotFilesWritten() { return Written(); }

void ForgetPlotFiles() { Written().clear(); }

}  // namespace kernel
