#pragma once

#include <memory>
#include <optional>
#include <string>

#include "commissioning/gain_slider.h"
#include "commissioning/live_gains.h"
#include "commissioning/my_test_dlg.h"
#include "commissioning/tab_pages.h"
#include "kernel/coff_format.h"
#include "kernel/logger.h"
#include "kernel/ui/graph_window.h"

// "Electric Angle Controller Tuning Test": the drive aligns the rotor
// without moving it, with the angle controller "Kp_T_scl"/"Ki_T_scl", and
// the test plots the motor current and the electrical angle so that the
// person can tune the two gains. Gains changed during a run go to the drive
// at once.
class CTestAngle : public CMyTestDlg {
 public:
  explicit CTestAngle(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnChangedParameterValue(const std::string& name) override;
  INT_PTR DoModal() override;

  // Whether the last run ended because the angle did not settle.
  bool NotStabilized() const { return m_notStabilized; }
  // What the last run logged.
  const CGraphDocument& GetGraphDocument() const { return m_logger->GetGraphDocument(); }

 protected:
  void OnPollTick() override;

 private:
  // The logger's settings: the setup's parameters, or the dialog's own
  // values where the setup lacks them.
  struct LoggerSetting {
    const char* name;
    int editId;
    double value;
    double low;
    double high;
    bool local;
  };
  double SettingValue(LoggerSetting& setting);
  bool RebuildLogger();
  void Evaluate();
  void OnHScroll(UINT code, UINT position, CScrollBar* control);
  void OnSpin(NMHDR* header, LRESULT* result);
  void OnTabChanged(NMHDR* header, LRESULT* result);
  void OnSavePlots();
  void GainChanged(const std::string& name);

  CVX_CoffFormat m_coff;
  std::unique_ptr<CVX_SingleAxisLogger> m_logger;
  CGraphWindow m_graph;
  CTabPages m_pages;
  CGainSliders m_sliders;
  commissioning::DriveRegisterWrites m_liveWrites;
  LoggerSetting m_acquisitions;
  LoggerSetting m_sampling;
  bool m_notStabilized = false;

  DECLARE_MESSAGE_MAP()
};
