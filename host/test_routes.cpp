#include "host/test_routes.h"

#include <array>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "commissioning/angle_tuning_test_controls.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/reference_controls.h"
#include "drive/simulated_drive.h"
#include "host/plugin_library.h"
#include "kernel/name_key.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_events.h"
#include "platform/dialog.h"
#include "platform/user_actions.h"

namespace host {
namespace {

constexpr std::string_view kDriveSetup = "Drive Setup";
constexpr std::string_view kMotorSetup = "Step Motor and Load Setup";
constexpr std::string_view kReferenceSetup = "External Reference Setup";
constexpr std::string_view kSpeedTuning = "Speed Controller Tuning Test";
constexpr std::string_view kConnections = "Encoder Connections Test";

constexpr DialogClick kToMotorSetup{kDriveSetup, drivesetup::kMotorSetupButton};
// Long enough for a hand to turn the shaft through several encoder periods
// and for the person to see the counter move.
constexpr int kTurning_ms = 2000;
constexpr std::string_view kHandNeeded =
    "the shaft turned by hand during the run: the simulation's person.hand_speed_rad_s, 3 rad/s when it gives none";

const std::array<TestRoute, 15> kRoutes{{
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
    // The current test button opens it in place of the current tuning for
    // a motor in voltage mode.
    {.name = "voltage-identification",
     .caption = "Parameters Identification Test",
     .path = {{kDriveSetup, drivesetup::kCurrentTestButton}},
     .answers = {{"Is the motor running smoothly?", IDYES, true}},
     .needs = "the person's answer to \"Is the motor running smoothly?\" at each speed: the ordinary person "
              "watches the simulated motor and says Yes when it turns with the field, No when it stalls; a script "
              "answers as its person sees the motor"},
    {.name = "phase-connections",
     .caption = "Motor Phase Connection Test",
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kPhaseTestButton}}},
    {.name = "resistance-inductance",
     .caption = "Total Resistance and Inductance Identification Test",
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kResistanceTestButton}}},
    {.name = "encoder-connections",
     .caption = kConnections,
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kMotorEncoderTestButton}},
     .stopAfter_ms = kTurning_ms,
     .turnsShaft = true,
     .needs = kHandNeeded},
    {.name = "load-encoder-connections",
     .caption = kConnections,
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kLoadEncoderTestButton}},
     .stopAfter_ms = kTurning_ms,
     .turnsShaft = true,
     .needs = kHandNeeded},
    {.name = "serial-connections",
     .caption = kConnections,
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kMotorSerialTestButton}},
     .stopAfter_ms = kTurning_ms,
     .turnsShaft = true,
     .needs = kHandNeeded},
    {.name = "load-serial-connections",
     .caption = kConnections,
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kLoadSerialTestButton}},
     .stopAfter_ms = kTurning_ms,
     .turnsShaft = true,
     .needs = kHandNeeded},
    {.name = "serial-offset",
     .caption = "Detect Offset Test",
     .path = {kToMotorSetup, {kMotorSetup, motorsetup::kSerialOffsetButton}}},
    // "Yes" under External reference enables "Setup"; "Analogue" there
    // enables "&Test".
    {.name = "analogue-reference",
     .caption = "Analogue Reference Test",
     .path = {{kDriveSetup, drivesetup::kExternalReferenceRadio, true},
              {kDriveSetup, drivesetup::kReferenceSetupButton},
              {kReferenceSetup, reference::kAnalogueRadio, true},
              {kReferenceSetup, reference::kTestButton}},
     .stopAfter_ms = 1000,
     .needs = "the voltage at the reference input: the simulation's person.analogue_input, 0 V when it gives none; "
              "the way there chooses an external analogue reference"},
}};

// A person who follows a route as far as the dialogs let them, then
// cancels every dialog opened on the way.
class RouteWalker final : public platform::User {
 public:
  explicit RouteWalker(const TestRoute& route) : m_route(route) {}
  bool Reached() const { return m_reached; }

  Turn Act(CDialog& dialog) override {
    if (m_leaving) return Leave(dialog);
    if (m_next == m_route.path.size()) {
      m_reached = dialog.GetWindowText() == m_route.caption;
      return Leave(dialog);
    }
    const DialogClick& click = m_route.path[m_next];
    const auto state = platform::ReadControl(dialog, click.id);
    if (dialog.GetWindowText() != click.dialog || !state || !state->visible || !state->enabled) return Leave(dialog);
    ++m_next;
    if (click.check) {
      platform::SetChecked(dialog, click.id, true);
    } else {
      platform::Click(dialog, click.id);
    }
    return Turn::kActed;
  }
  int AnswerMessageBox(const platform::MessageBoxRequest&) override { return IDCANCEL; }
  void ShowHelp(const platform::HelpRequest&) override {}
  void Stop(const std::string&) override { m_stopped = true; }
  bool Stopped() const override { return m_stopped; }

 private:
  Turn Leave(CDialog& dialog) {
    m_leaving = true;
    platform::Click(dialog, IDCANCEL);
    return Turn::kActed;
  }

  const TestRoute& m_route;
  std::size_t m_next = 0;
  bool m_leaving = false;
  bool m_reached = false;
  bool m_stopped = false;
};

// Nobody hears of the tests a route walk opens and closes.
class NoListener final : public kernel::TestListener {
 public:
  void OnTestOpened(const CVX_TestDlg&) override {}
  void OnStageText(const CVX_TestDlg&, std::string_view, int, int) override {}
  void OnTestEnded(const CVX_TestDlg&, int, std::string_view) override {}
  void OnMeasuredValue(const CVX_TestDlg&, std::string_view, std::string_view, std::string_view) override {}
  void OnTestClosed(const CVX_TestDlg&, INT_PTR) override {}
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

std::string TestRouteNeeds() {
  std::string needs;
  for (const TestRoute& route : kRoutes)
    if (!route.needs.empty()) needs += fmt::format("  {}: {}\n", route.name, route.needs);
  return needs;
}

platform::UserScript RouteIn(const TestRoute& route) {
  platform::UserScript in;
  for (const DialogClick& click : route.path) {
    in.ExpectDialog(std::string(click.dialog));
    if (click.check) {
      in.Check(click.id, true);
    } else {
      in.Click(click.id);
    }
  }
  return in;
}

void AppendRouteOut(const TestRoute& route, platform::UserScript& script) {
  for (auto click = route.path.rbegin(); click != route.path.rend(); ++click)
    if (!click->check) script.ExpectDialog(std::string(click->dialog)).Click(IDOK);
}

platform::UserScript OrdinaryPerson(const TestRoute& route, const PersonChoices& choices) {
  platform::UserScript person = RouteIn(route);
  person.ExpectDialog(std::string(route.caption));
  if (route.tabs) person.Tab(route.tabs, 1);
  if (choices.tune && route.tune) person.Click(route.tune);
  person.Click(testdlg::kStartStopButton);
  if (route.stopAfter_ms) person.Wait(route.stopAfter_ms).Click(testdlg::kStartStopButton);
  person.WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, choices.longestRun_ms);
  if (choices.savePlots && route.savePlots) person.Click(route.savePlots);
  person.Click(route.close);
  AppendRouteOut(route, person);
  return person;
}

int StandingAnswers::AnswerMessageBox(const platform::MessageBoxRequest& box) {
  for (const StandingAnswer& answer : m_route.answers)
    if (box.text.starts_with(answer.beginning)) {
      if (answer.watchesMotor && m_drive) return m_drive->MotorRunsSmoothly() ? IDYES : IDNO;
      return answer.button;
    }
  return m_other.AnswerMessageBox(box);
}

std::string WorldWithPerson(const CVX_Setup& setup, std::string& error) {
  const std::string& text = setup.GetSimulationDocument();
  nlohmann::json world = nlohmann::json::parse(text.empty() ? "{}" : text, nullptr, false);
  if (world.is_discarded() || !world.is_object()) {
    error = "the setup's \"simulation\" object is not a JSON object";
    return {};
  }
  nlohmann::json& person = world["person"];
  if (person.is_null()) person = nlohmann::json::object();
  if (person.is_object() && !person.contains("hand_speed_rad_s")) person["hand_speed_rad_s"] = kHandSpeed_rad_s;
  return world.dump();
}

bool RouteOpen(const PluginLibrary& plugin, const CVX_Setup& setup, const TestRoute& route) {
  if (route.path.empty()) return false;
  CVX_Setup copy = setup;
  RouteWalker person(route);
  NoListener nobody;
  const kernel::ScopedTestListener quiet(nobody);
  const platform::ScopedUser walking(person);
  plugin.EditSetup(&copy);
  return person.Reached();
}

}  // namespace host
