#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "browser/plot_copy.h"
#include "platform/user.h"

class CDialog;

// The open dialogs as the page draws them, read on the user-interface
// thread: every control with its place, class, text, state and colour as the
// framework holds them (docs/browser.md gives the form).
namespace browser {

using Json = nlohmann::json;

struct DialogView {
  Json dialogs = Json::array();  // bottom first
  // The plots on view by PlotKey, and the bitmaps on view by name: the only
  // ones the server hands out.
  std::map<std::string, std::shared_ptr<const PlotCopy>> plots;
  std::map<std::string, std::filesystem::path> bitmaps;
};

// How the page and the API name a plot: the dialog's modal serial and the
// control's identifier.
std::string PlotKey(std::uint64_t dialogSerial, int controlId);

// Reads the dialogs; keeps the copies of the plots between views, so that
// only a plot whose window drew something since is copied again.
class DialogViewer {
 public:
  DialogView View(const std::vector<CDialog*>& dialogs);

 private:
  struct CachedPlot {
    std::string stamp;
    std::shared_ptr<const PlotCopy> copy;
  };
  Json DialogJson(const CDialog& dialog, DialogView& view, std::map<std::string, CachedPlot>& kept);

  std::map<std::string, CachedPlot> plots_;
};

// A message box as the page shows it: text, caption, buttons (by their
// script names, "ok", "yes" ...) and icon ("question", "warning", "error",
// "information" or none).
Json MessageBoxJson(const platform::MessageBoxRequest& box);

}  // namespace browser
