#pragma once

#include <memory>
#include <string>

#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/gain_slider.h"
#include "commissioning/live_gains.h"
#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"
#include "kernel/logger.h"
#include "kernel/ui/graph_window.h"

// "Current Controller Tuning Test": designs the current controller's gains
// from a bandwidth ("Tune"), applies a current step on the drive and plots
// the logged step response. While the test runs, a change of the bandwidth
// and "Tune" write the new gains to the drive at once. OK keeps the gains;
// any other end puts the setup back as it was.
class CTestCurrent : public CMyTestDlg {
 public:
  CTestCurrent(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);
  ~CTestCurrent() override;

  // Any end but OK also writes again the gains the drive took during the
  // runs, as the setup, put back, holds them.
  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void BeginTest() override;
  void OnChangedParameterValue(const std::string& name) override;
  void OnRefreshParameterValue(const std::string& name) override;

  static constexpr int kStepCount = 5;
  static constexpr const char* kProtectionBelowTestCurrent =
      "Over current protection must be greater or equal to Test current.";
  static constexpr const char* kPlotName = "CurrentTuning";

  // The logged step response (time, current reference, motor current,
  // voltage reference); for the host and the tests.
  const CGraphDocument& GetResponse() const { return m_logger->GetGraphDocument(); }

 protected:
  void OnPollTick() override;

 private:
  // ----- gains (current_tuning_test.cpp) -----
  void OnTune();
  // Design the gains from the bandwidth; false (after saying why) when the
  // setup cannot give them.
  bool DesignGains();
  // A value the person changed (typed, slid or designed): the registers of
  // a gain recomputed and, while a run goes on, written to the drive; the
  // controls redrawn.
  void ValueChanged(const std::string& name);
  void RecomputeOutputRegisters();

  // ----- the run (current_tuning_test_run.cpp) -----
  void AfterPositioning();
  void AfterStepRun();
  void OnSavePlots();

  // ----- pages and controls (current_tuning_test_page.cpp) -----
  void OnTabChanging(NMHDR* header, LRESULT* result);
  void OnTabChange(NMHDR* header, LRESULT* result);
  void ShowPage(int page);
  void ApplyRunningState();
  void OnOutputOptionClicked();
  void OnApplyEdits();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnSpin(NMHDR* header, LRESULT* result);
  int CurrentPage() const;

  std::string m_positioningName;
  std::string m_testName;
  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_test;
  std::unique_ptr<CVX_SingleAxisLogger> m_logger;
  CGraphWindow m_graph;
  CGainSliders m_sliders;
  commissioning::DriveRegisterWrites m_liveWrites;

  DECLARE_MESSAGE_MAP()
};
