#pragma once

#include <memory>
#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// "External Reference Setup" (template 111): where the drive's external
// reference comes from and how it is scaled. An analogue input (its range
// for the control mode, a dead band, an optional filter) or, in position
// mode, a digital one (pulse and direction or an incremental encoder) on a
// sensor input that no sensor uses, through a gear ratio. The Drive Setup
// dialog opens it with its "Setup" button. Cancel leaves the setup as the
// dialog found it.
class CAnalogReferenceDlg : public CMySetupDlg {
 public:
  explicit CAnalogReferenceDlg(CVX_Setup* setup, CWnd* pParent = nullptr);
  ~CAnalogReferenceDlg() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnCancel() override;
  void OnChangedParameterValue(const std::string& name) override;
  void OnChangedParameterUnit(const std::string& name) override;
  void OnRefreshParameterValue(const std::string& name) override;

  // No sensor input is left for a digital reference.
  bool NoFreeConnector() const { return m_noFreeConnector; }

 private:
  using TestFactory = std::unique_ptr<CDialog> (*)(CVX_Setup* setup, CWnd* parent);
  // How the analogue reference test that "&Test" opens is made.
  static TestFactory AnalogueTestFactory();

  void LabelInputRange();
  void ShowControlMode();
  void FillConnectorCombo();
  void ApplyVisibilityRules();
  void CaptionLimit();
  void RepairGearRatio();
  void RecoverReferenceRange(int controlMode);

  void OnTest();
  void OnVisibilityInput();
  void OnHelp();

  dialogs::SetupSnapshot m_atOpening;
  bool m_noFreeConnector = false;

  DECLARE_MESSAGE_MAP()
};
