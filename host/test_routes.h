#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/ui/test_base_ids.h"
#include "platform/user.h"
#include "platform/user_script.h"

class CVX_Setup;

namespace drive {
class SimulatedDrive;
}

// How a person reaches each commissioning test from the Drive Setup dialog,
// and what an ordinary person does there. The host plays these clicks
// before anything else, so that a test opens exactly as it does for a
// person, its opener's round trips included (docs/command-line.md lists the
// names).
namespace host {

class PluginLibrary;

struct DialogClick {
  std::string_view dialog;  // the caption of the dialog clicked in
  int id;
  // Sets the check box or radio button on (a choice the way needs), where
  // the others click a button that opens the next dialog.
  bool check = false;
};

// A message box the ordinary person answers whenever it comes, by how its
// text begins.
struct StandingAnswer {
  std::string_view beginning;
  int button;
  // A question about what the motor does: on the simulated drive the person
  // answers Yes when the motor runs smoothly and No when it does not;
  // `button` is the answer without a drive to watch.
  bool watchesMotor = false;
};

struct TestRoute {
  std::string_view name;     // "speed-tuning"
  std::string_view caption;  // the test dialog's
  // From the Drive Setup dialog to the test; the dialogs opened on the way
  // are closed with OK, innermost first, once the test has closed.
  std::vector<DialogClick> path;
  // The tab control whose page 1 holds the plots and the gains, or 0.
  int tabs = 0;
  // "Tune", pressed before the start when the person designs the gains; 0
  // for none.
  int tune = 0;
  // "S&ave Plots", pressed once the run has ended; 0 for a test without one.
  int savePlots = 0;
  // The button that closes the test keeping what it found: a measuring
  // test asks on Close whether to keep its values, a tuning test keeps
  // its gains on OK.
  int close = testdlg::kCloseButton;
  // A test that runs until the person stops it: the time the person lets it
  // run before pressing Stop; 0 for a test that ends by itself.
  int stopAfter_ms = 0;
  // The person turns the shaft by hand while the test runs.
  bool turnsShaft = false;
  // What the person answers during the run, besides the keep question.
  std::vector<StandingAnswer> answers = {};
  // What the test needs from the person that no setup holds, and what the
  // ordinary person gives; empty for none (shown by `test --help`).
  std::string_view needs = {};
};

std::span<const TestRoute> TestRoutes();
// Nullptr for a name no test has (letter case ignored).
const TestRoute* FindTestRoute(std::string_view name);
// "angle-tuning, speed-tuning, ...", for a message about a wrong name.
std::string TestRouteNames();

// "vdc-detection: ...", one line per test that needs something of the
// person, for the command's help.
std::string TestRouteNeeds();

// The clicks from the Drive Setup dialog into the test, each after
// checking the dialog's caption.
platform::UserScript RouteIn(const TestRoute& route);
// Appends to `script` the closing of the dialogs opened on the way, with
// OK, innermost first, after the test has closed.
void AppendRouteOut(const TestRoute& route, platform::UserScript& script);

struct PersonChoices {
  bool tune = false;       // press "Tune" before the start
  bool savePlots = false;  // save the plots after the run
  // Longer than any test of a sound setup takes (the slowest, the tuning
  // runs with an upload, take some ten seconds of drive time).
  int longestRun_ms = 10 * 60 * 1000;
};

// The ordinary person of a test: opens it along its route, starts it once,
// waits for its end (stops it after the route's time, for a test that runs
// until stopped), saves its plots if asked, closes it and closes the
// dialogs on the way with OK. The question to keep measured values lists
// values no script knows beforehand: platform::AnsweringUser answers it,
// with kKeepValuesQuestion; the route's standing answers go through
// StandingAnswers.
platform::UserScript OrdinaryPerson(const TestRoute& route, const PersonChoices& choices);

// How every test's closing question begins.
inline constexpr std::string_view kKeepValuesQuestion =
    "A different value than specified has been detected for the following parameter(s):";

// A person who answers the route's standing questions and leaves the rest
// to `other`.
class StandingAnswers final : public platform::User {
 public:
  // `drive`: the simulated drive whose motor the person watches, or none.
  StandingAnswers(const TestRoute& route, platform::User& other, const drive::SimulatedDrive* drive = nullptr)
      : m_route(route), m_other(other), m_drive(drive) {}

  Turn Act(CDialog& dialog) override { return m_other.Act(dialog); }
  int AnswerMessageBox(const platform::MessageBoxRequest& box) override;
  void ShowHelp(const platform::HelpRequest& request) override { m_other.ShowHelp(request); }
  void Stop(const std::string& reason) override { m_other.Stop(reason); }
  bool Stopped() const override { return m_other.Stopped(); }

 private:
  const TestRoute& m_route;
  platform::User& m_other;
  const drive::SimulatedDrive* m_drive;
};

// The setup's simulation (its "simulation" object as JSON text) with what
// the ordinary person brings to the tests: a shaft turned by hand at
// kHandSpeed_rad_s during the encoder connection tests, unless the
// simulation says how fast the hand turns. Empty with `error` set when the
// setup's simulation is not JSON.
inline constexpr double kHandSpeed_rad_s = 3.0;
std::string WorldWithPerson(const CVX_Setup& setup, std::string& error);

// Whether a person can follow the route in the dialogs of `setup` (on a
// copy, every dialog cancelled): each control on the way shown and enabled,
// and the last one opening the route's test. A test applies to a setup
// exactly when a person can reach it.
bool RouteOpen(const PluginLibrary& plugin, const CVX_Setup& setup, const TestRoute& route);

}  // namespace host
