#include "host/test_routes.h"

#include <array>

#include "commissioning/angle_tuning_test_controls.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "host/plugin_library.h"
#include "kernel/name_key.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/user_actions.h"

namespace host {
namespace {

constexpr std::string_view kDriveSetup = "Drive Setup";
constexpr std::string_view kSpeedTuning = "Speed Controller Tuning Test";

const std::array<TestRoute, 6> kRoutes{{
    {.name = "vdc-detection",
     .caption = "VDC Detection Test",
     .path = {{kDriveSetup, drivesetup::kDetectVdcButton}}},
    {.name = "current-tuning",
     .caption = "Current Controller Tuning Test",
     .path = {{kDriveSetup, drivesetup::kCurrentTestButton}},
     .tabs = current_tuning::kTabs,
     .tune = current_tuning::kTuneButton,
     .savePlots = current_tuning::kSavePlotsButton,
     .close = testdlg::kOkButton},
    {.name = "total-inertia",
     .caption = "Total inertia test",
     .path = {{kDriveSetup, drivesetup::kSpeedTuneButton}, {kSpeedTuning, speed_tuning::kInertiaTestButton}}},
    {.name = "speed-tuning",
     .caption = kSpeedTuning,
     .path = {{kDriveSetup, drivesetup::kSpeedTuneButton}},
     .tabs = speed_tuning::kTabs,
     .tune = speed_tuning::kTuneButton,
     .savePlots = speed_tuning::kSavePlotsButton,
     .close = testdlg::kOkButton},
    {.name = "position-tuning",
     .caption = "Position Controller Tuning Test",
     .path = {{kDriveSetup, drivesetup::kPositionTuneButton}},
     .tabs = position_tuning::kTabs,
     .tune = position_tuning::kTuneButton,
     .savePlots = position_tuning::kSavePlotsButton,
     .close = testdlg::kOkButton},
    {.name = "angle-tuning",
     .caption = "Electric Angle Controller Tuning Test",
     .path = {{kDriveSetup, drivesetup::kAngleTuneButton}},
     .tabs = angle_tuning::kTabs,
     .savePlots = angle_tuning::kSavePlotsButton,
     .close = testdlg::kOkButton},
}};

// A person who looks at one control of the dialog on top and cancels.
class Glance final : public platform::User {
 public:
  explicit Glance(int id) : m_id(id) {}
  bool Usable() const { return m_usable; }

  Turn Act(CDialog& dialog) override {
    if (m_done) return Turn::kNothingLeft;
    m_done = true;
    const auto state = platform::ReadControl(dialog, m_id);
    m_usable = state && state->visible && state->enabled;
    platform::Click(dialog, IDCANCEL);
    return Turn::kActed;
  }
  int AnswerMessageBox(const platform::MessageBoxRequest&) override { return IDOK; }
  void ShowHelp(const platform::HelpRequest&) override {}
  void Stop(const std::string&) override { m_stopped = true; }
  bool Stopped() const override { return m_stopped; }

 private:
  int m_id;
  bool m_done = false;
  bool m_usable = false;
  bool m_stopped = false;
};

}  // namespace

std::span<const TestRoute> TestRoutes() { return kRoutes; }

const TestRoute* FindTestRoute(std::string_view name) {
  for (const TestRoute& route : kRoutes)
    if (kernel::SameName(route.name, name)) return &route;
  return nullptr;
}

std::string TestRouteNames() {
  std::string names;
  for (const TestRoute& route : kRoutes) names += (names.empty() ? "" : ", ") + std::string(route.name);
  return names;
}

platform::UserScript RouteIn(const TestRoute& route) {
  platform::UserScript in;
  for (const DialogClick& click : route.path) in.ExpectDialog(std::string(click.dialog)).Click(click.id);
  return in;
}

void AppendRouteOut(const TestRoute& route, platform::UserScript& script) {
  for (auto click = route.path.rbegin(); click != route.path.rend(); ++click)
    script.ExpectDialog(std::string(click->dialog)).Click(IDOK);
}

platform::UserScript OrdinaryPerson(const TestRoute& route, const PersonChoices& choices) {
  platform::UserScript person = RouteIn(route);
  person.ExpectDialog(std::string(route.caption));
  if (route.tabs) person.Tab(route.tabs, 1);
  if (choices.tune && route.tune) person.Click(route.tune);
  person.Click(testdlg::kStartStopButton)
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, choices.longestRun_ms);
  if (choices.savePlots && route.savePlots) person.Click(route.savePlots);
  person.Click(route.close);
  AppendRouteOut(route, person);
  return person;
}

bool RouteOpen(const PluginLibrary& plugin, const CVX_Setup& setup, const TestRoute& route) {
  if (route.path.empty()) return false;
  CVX_Setup copy = setup;
  Glance person(route.path.front().id);
  const platform::ScopedUser looking(person);
  plugin.EditSetup(&copy);
  return person.Usable();
}

}  // namespace host
