#pragma once

#include <memory>
#include <optional>
#include <string>

#include "commissioning/inductance.h"
#include "commissioning/my_test_dlg.h"
#include "commissioning/resistance.h"
#include "commissioning/resistance_inductance_test_controls.h"
#include "kernel/coff_format.h"
#include "kernel/logger.h"

// "Total Resistance and Inductance Identification Test": measures the phase
// resistance "R" from two runs of the resistance program (at the test
// current and at half of it) and the inductance "L" from a sinusoidal run,
// and offers both for keeping. The supply measured on the way serves the
// voltage scaling of the two formulas only; the stored "Vdc" stays.
class CTestRL : public CMyTestDlg {
 public:
  CTestRL(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);
  ~CTestRL() override;

  BOOL OnInitDialog() override;
  void OnCancel() override;
  void BeginTest() override;

  static constexpr int kStepCount = 10;
  static constexpr const char* kNoLogger = "The logger could not be instantiated";
  static constexpr const char* kSecondInputFailed = "Error while setting the test parameters.";

 protected:
  void OnPollTick() override;

 private:
  struct Programs {
    std::string positioning;
    std::string resistance;
    std::string inductance;
  };
  static Programs ProgramsFor(const CVX_Setup& setup);

  // The stages, by the step index they wait at.
  void AfterFirstPositioning();
  void AfterFirstResistanceRun();
  void AfterSecondPositioning();
  void AfterSecondResistanceRun();
  void AfterInductanceRun();

  bool StartResistanceRun(double current_counts, double reference);
  // Uploads the logged points of the run that ended, each to `take`; false
  // when the test failed.
  template <class Take>
  bool UploadPoints(Take take);

  Programs m_names;
  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_resistance;
  CVX_CoffFormat m_inductance;
  std::unique_ptr<CVX_SingleAxisLogger> m_logger;

  double m_rAtOpening = 0.0;
  double m_lAtOpening = 0.0;

  // The run under way.
  double m_testCurrent = 0.0;  // counts
  double m_reference = 0.0;    // the first positioning's voltage
  commissioning::ResistanceRuns m_runs;
  double m_measuredR = 0.0;
};
