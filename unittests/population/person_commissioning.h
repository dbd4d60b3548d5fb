#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "population/identification_runs.h"
#include "population/motor_population.h"
#include "unittests/commissioning/test_dialog_support.h"

class CMyTestDlg;

// A person commissioning one motor of the population through the test
// dialogs, on the simulated drive of the motor's true world and virtual
// time: the supply detection, the resistance and inductance test, the
// current tuning, and, with an incremental encoder on the motor, the
// encoder resolution test and the total inertia test, each confirmed with
// Yes. Every test's end is judged against the true motor.
namespace population {

// What became of each test on one motor; nothing for a test the person did
// not reach (a test before it, whose result it needs, failed).
struct Commissioned {
  std::optional<Outcome> supply;
  std::optional<Outcome> resistance;
  std::optional<Outcome> inductance;
  std::optional<Outcome> current_tuning;
  std::optional<Outcome> encoder;
  std::optional<Outcome> total_inertia;
  // The encoder test found no standard resolution for the count and the
  // person typed the encoder's lines from its label, as the text asks.
  bool lines_typed = false;
};

class PersonCommissioning : public commissioningtest::TestDialogTest {
 protected:
  Commissioned Commission(const TrueMotor& motor, const Datasheet& datasheet);

 private:
  // How a dialog's last run ended.
  struct Ended {
    bool succeeded = false;
    std::string error;      // the failure's text
    bool kept_setup = true;  // a failed run left the setup as it was
    std::string trouble;     // the script did not run as written
  };
  // Opens the dialog `make` builds as its opener does, plays `play` (what
  // the person does up to the end of the run), then closes it: after a
  // success with `on_success`, else with Close; Yes to the question whether
  // to keep the measured values.
  Ended PlayTest(const std::function<std::unique_ptr<CMyTestDlg>()>& make,
                 const std::function<void(platform::UserScript&)>& play, int on_success = IDCANCEL);
  // The outcome of a run that did not succeed, judged against `truth`; a
  // failure that changed the setup is a wrong one. Nothing after a success.
  static std::optional<Outcome> Failure(const Ended& ended, double truth);

  void PrepareSetup(const TrueMotor& motor, const Datasheet& datasheet);
  Outcome DetectSupply(const TrueMotor& motor);
  std::pair<Outcome, Outcome> IdentifyWinding(const TrueMotor& motor);
  Outcome TuneCurrentLoop(const TrueMotor& motor);
  Outcome DetectEncoder(const TrueMotor& motor, bool& lines_typed);
  Outcome MeasureTotalInertia(const TrueMotor& motor, const Datasheet& datasheet);

  std::string before_;  // the setup a failed run must leave
};

}  // namespace population
