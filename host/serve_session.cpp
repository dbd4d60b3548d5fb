#include "host/serve_session.h"

#include <fmt/format.h>

#include <filesystem>

#include "host/edit_command.h"
#include "host/run_program.h"
#include "host/setup_input.h"
#include "kernel/drive_interface.h"
#include "kernel/setup_file.h"

namespace host {

namespace {

constexpr const char* kDefaultName = "two_phase_open_loop.json";

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

ServeSession::ServeSession(const Invocation& inv, const PluginLibrary& plugin)
    : plugin_(plugin), simPath_(inv.simPath), savePath_(inv.setupPath) {}

std::unique_ptr<ServeSession> ServeSession::Make(const Invocation& inv, std::unique_ptr<CVX_Setup> setup,
                                                 const PluginLibrary& plugin, std::string& error) {
  std::unique_ptr<ServeSession> session(new ServeSession(inv, plugin));
  const std::string name = inv.setupPath.empty() ? std::string(kDefaultName) : FileName(inv.setupPath);
  if (Outcome failure = session->Take(std::move(setup), name)) {
    error = failure->message;
    return nullptr;
  }
  return session;
}

ServeSession::~ServeSession() {
  if (drive_) kernel::SetActiveDrive(nullptr);
}

Outcome ServeSession::Take(std::unique_ptr<CVX_Setup> setup, std::string name) {
  std::string error;
  std::unique_ptr<drive::SimulatedDrive> drive = drive::MakeSimulatedDrive(*setup, "", error);
  if (!drive) return Failure{fmt::format("the simulated drive of setup {} cannot be made: {}", name, error)};
  kernel::SetActiveDrive(drive.get());
  drive_ = std::move(drive);
  setup_ = std::move(setup);
  name_ = std::move(name);
  return std::nullopt;
}

std::string ServeSession::EditSetup() {
  // The dialog edits a copy; only OK keeps it, as with `edit`.
  CVX_Setup edited = *setup_;
  if (plugin_.EditSetup(&edited) != 1) return "The Drive Setup closed without OK: the setup is as it was.";
  const std::size_t changed = ChangedParameters(*setup_, edited).size();
  *setup_ = std::move(edited);
  return fmt::format("The Drive Setup closed with OK: {} value{} changed.{}", changed, changed == 1 ? "" : "s",
                     savePath_.empty() ? " Download the setup to keep them." : " Save or download the setup to keep them.");
}

std::optional<std::string> ServeSession::OpenDocument(std::string_view document, std::string_view fileName) {
  const std::string name(fileName);
  LoadedSetup loaded = LoadSetupText(document, name);
  if (!loaded.setup) return loaded.failure->message;
  if (!simPath_.empty()) {
    if (Outcome failure = ReplaceSimulation(*loaded.setup, simPath_)) return failure->message;
  }
  if (Outcome failure = Take(std::move(loaded.setup), name)) return failure->message;
  // A file saved later goes where the server was told to save, whatever the
  // uploaded file was called on the person's side.
  return std::nullopt;
}

std::optional<std::string> ServeSession::Save() {
  if (savePath_.empty()) {
    return std::string("The server was started without --setup FILE, so it saves nothing on its disk: download the "
                       "setup instead.");
  }
  if (Outcome failure = SaveSetup(*setup_, savePath_)) return failure->message;
  return std::nullopt;
}

browser::SetupDocument ServeSession::Document() const { return {name_, kernel::SerializeSetup(*setup_)}; }

nlohmann::json ServeSession::Summary() const {
  return {{"name", name_}, {"saveTo", savePath_.empty() ? nlohmann::json(nullptr) : nlohmann::json(FileName(savePath_))}};
}

}  // namespace host
