#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "browser/front_end.h"
#include "drive/simulated_drive.h"
#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"
#include "kernel/setup.h"

namespace host {

// The setup that `drivesetup serve` shows in the browser, with the simulated
// drive attached to the kernel's drive link, so that a test opened from the
// dialogs runs on it. The drive's world is the setup's own (its "simulation"
// object, or the --sim file's, which stands for every setup the person
// opens); opening another setup makes a new drive for it.
class ServeSession final : public browser::SetupSession {
 public:
  // Nothing and the cause when the setup's simulated drive cannot be made.
  static std::unique_ptr<ServeSession> Make(const Invocation& inv, std::unique_ptr<CVX_Setup> setup,
                                            const PluginLibrary& plugin, std::string& error);
  ~ServeSession() override;

  std::string EditSetup() override;
  std::optional<std::string> OpenDocument(std::string_view document, std::string_view fileName) override;
  std::optional<std::string> Save() override;
  browser::SetupDocument Document() const override;
  nlohmann::json Summary() const override;

  const CVX_Setup& Setup() const { return *setup_; }

 private:
  ServeSession(const Invocation& inv, const PluginLibrary& plugin);
  // Makes the drive of `setup` and, when that works, takes both.
  Outcome Take(std::unique_ptr<CVX_Setup> setup, std::string name);

  const PluginLibrary& plugin_;
  std::string simPath_;   // --sim, or empty
  std::string savePath_;  // --setup, or empty: nothing is saved on the server
  std::string name_;      // what the page calls the setup
  std::unique_ptr<CVX_Setup> setup_;
  std::unique_ptr<drive::SimulatedDrive> drive_;
};

}  // namespace host
