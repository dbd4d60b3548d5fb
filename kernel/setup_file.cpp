#include "kernel/setup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "input/bounded_file.h"
#include "kernel/errors.h"
#include "kernel/setup_file_json.h"
#include "kernel/setup_file_read.h"

namespace kernel {
namespace {

using setup_file::ErrorList;
using setup_file::Json;
using setup_file::Members;

constexpr std::string_view kFormatName = "drivesetup-setup";
constexpr long long kFormatVersion = 1;

void ReadDocument(const Json& document, CVX_Setup& setup, ErrorList& errors,
                  std::vector<setup_file::PendingValue>& pending) {
  Members top(document, "", errors,
              {"format", "version", "drive", "capabilities", "options", "units", "variables", "parameters",
               "simulation"});
  if (!top.IsObject()) return;
  if (const auto format = top.Text("format", true); format && *format != kFormatName)
    errors.Add("format", fmt::format("must be \"{}\", found {}", kFormatName, setup_file::Quoted(*format)));
  if (const auto version = top.Integer("version", true); version && *version != kFormatVersion)
    errors.Add("version", fmt::format("version {} is not one this program reads (it reads {})", *version,
                                      kFormatVersion));
  if (const Json* drive = top.Require("drive")) setup_file::ReadDrive(*drive, setup, errors);
  if (const Json* caps = top.Get("capabilities")) setup_file::ReadCapabilities(*caps, setup, errors);
  if (const Json* options = top.Get("options")) setup_file::ReadOptions(*options, setup, errors);
  // Units first: variables and parameters name their families.
  if (const Json* units = top.Get("units")) setup_file::ReadUnits(*units, setup, errors);
  if (const Json* variables = top.Get("variables")) setup_file::ReadVariables(*variables, setup, errors);
  if (const Json* parameters = top.Get("parameters"))
    setup_file::ReadParameters(*parameters, setup, errors, pending);
  // Kept for the simulated drive, which reads it itself.
  if (const Json* simulation = top.Get("simulation")) setup.SetSimulationDocument(simulation->dump());
}

std::string SystemError(int error) { return std::system_category().message(error); }

}  // namespace

// The temporary file sits beside the target, so the rename stays within one
// file system and replaces the target in one step. The causes leave the
// file's name to the caller, who names it once.
std::string WriteFileAtomically(const std::string& path, const std::string& text) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  if (path.empty() || !target.has_filename()) return "not a file name";
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // A name of the maximum length leaves no room for the suffix.
  const std::string stem = target.filename().string().substr(0, 200);
  static std::atomic<unsigned> counter{0};

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = (directory / fmt::format(".{}.tmp-{}-{}", stem, ::getpid(), counter++)).string();
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0)
    return fmt::format("cannot create a temporary file in its directory: {}", SystemError(errno));

  const auto fail = [&](std::string_view what) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    return fmt::format("cannot {} the temporary file: {}", what, SystemError(error));
  };
  // The new file keeps the permissions of the one it replaces.
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) ::fchmod(fd, existing.st_mode & 07777);

  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return fail("write");
    written += static_cast<std::size_t>(count);
  }
  if (::fsync(fd) != 0) return fail("flush");
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail("close");
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return fmt::format("cannot replace the file: {}", SystemError(error));
  }
  // The rename itself is durable once the directory is flushed.
  const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directoryFd >= 0) {
    ::fsync(directoryFd);
    ::close(directoryFd);
  }
  return {};
}

std::string SetupLoadResult::ErrorText() const { return input::ErrorLines(errors); }

SetupLoadResult ParseSetup(std::string_view text) {
  SetupLoadResult result;
  try {
    setup_file::ParsedJson parsed = setup_file::ParseSetupJson(text);
    if (!parsed.value) {
      result.errors = std::move(parsed.errors);
      return result;
    }
    // The errors are the result; none of them is shown while loading.
    QuietErrors quiet;
    ErrorList errors;
    auto setup = std::make_unique<CVX_Setup>();
    std::vector<setup_file::PendingValue> pending;
    ReadDocument(*parsed.value, *setup, errors, pending);
    // Conversions read other parameters, so they wait for a complete setup.
    if (errors.Empty()) setup_file::ConvertPendingValues(pending, errors);
    if (errors.Empty()) result.setup = std::move(setup);
    else result.errors = errors.Take();
  } catch (const std::exception& error) {
    result.setup.reset();
    result.errors.push_back({"", std::string("cannot read the document: ") + error.what()});
  }
  return result;
}

SetupLoadResult LoadSetupFile(const std::string& path) {
  const input::FileText file = input::ReadBoundedFile(path, setup_file::kMaxDocumentBytes);
  if (!file.ok()) {
    SetupLoadResult result;
    result.errors.push_back({"", file.error});
    return result;
  }
  return ParseSetup(file.text);
}

std::string SerializeSetup(const CVX_Setup& setup) {
  std::vector<std::string> problems;
  const Json document = setup_file::BuildDocument(setup, problems);
  std::string text;
  try {
    text = setup_file::WriteDocument(document, Json::error_handler_t::strict);
  } catch (const Json::exception& error) {
    problems.push_back(std::string("a text is not UTF-8: ") + error.what());
    text = setup_file::WriteDocument(document, Json::error_handler_t::replace);
  }
  for (const std::string& problem : problems) ReportError("The setup document will not read back the same: " + problem);
  return text;
}

std::string SaveSetupFile(const CVX_Setup& setup, const std::string& path) {
  try {
    std::vector<std::string> problems;
    const Json document = setup_file::BuildDocument(setup, problems);
    if (!problems.empty()) return "the setup cannot be saved: " + problems.front();
    const std::string text = setup_file::WriteDocument(document, Json::error_handler_t::strict);
    // A file that would not load again is worse than no file: refuse it.
    const SetupLoadResult check = ParseSetup(text);
    if (!check.ok()) return "the setup cannot be saved, it would not load again: " + check.errors.front().Text();
    return WriteFileAtomically(path, text);
  } catch (const std::exception& error) {
    return std::string("the setup cannot be saved: ") + error.what();
  }
}

}  // namespace kernel
