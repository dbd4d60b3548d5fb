#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// The main dialog of the plug-in: the drive's operation, controller,
// protection, reference, limit and I/O settings of one setup. It shows only
// what the configured control mode, control type, sensors and firmware make
// meaningful, keeps a few parameters consistent with each other, and opens
// the motor dialog, the sub-dialogs and the commissioning tests.
//
// Opening it recovers the user values from the registers and updates the
// limits; OK computes the registers and the host options; leaving it any
// other way puts the setup back as it was.
class CDriveSetupDlg : public CMySetupDlg {
 public:
  explicit CDriveSetupDlg(CVX_Setup* setup, CWnd* pParent = nullptr);
  ~CDriveSetupDlg() override;

  // Any result but IDOK puts the setup back as it was when the dialog was
  // made.
  INT_PTR DoModal() override;

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnChangedParameterValue(const std::string& name) override;
  void OnRefreshParameterValue(const std::string& name) override;

 private:
  // The dialogs the buttons open.
  enum class Child {
    kVdcDetection,
    kCurrentTuning,
    kVoltageIdentification,
    kSpeedTuning,
    kPositionTuning,
    kAngleTuning,
    kReferenceSetup,
    kAdvanced,
    kDriveInfo,
    kStartSettings,
    kPositionCorrection,
    kMotorSetup,
  };
  using ChildFactory = std::unique_ptr<CDialog> (*)(CVX_Setup* setup, CWnd* parent);
  // The one-shot timer that opens the motor dialog once this one is shown.
  static constexpr UINT_PTR kMotorDialogTimer = 2;
  // How the dialog of `child` is made; nullptr while that dialog is not part
  // of the plug-in yet (its button then does nothing).
  static ChildFactory FactoryOf(Child child);
  // Opens `child` between the register round trips and brings the dialog up
  // to date afterwards; the one way every button opens a dialog.
  void OpenChild(Child child);
  void AfterMotorDialog();

  // initialisation
  void FillAxisIdCombo();
  void ShowInputsPolarityCaptions(bool pnp);
  void SetupInputsType();
  void RememberVoltageDetectionPoint();
  void ApplyMotionCompleteDefaults();

  // the visibility rules, run by the data exchange towards the controls
  void ApplyVisibilityRules();
  bool UpdateVoltageWarning();
  void ApplyFeedForwardRows(bool posGroup);

  // parameter changes
  void OnMicrostepsRefreshed();
  void OnLimitSpeedRefreshed();
  void OnInputsPolarityTypeRefreshed();
  void OnAccelerationLimitRefreshed();
  void OnRunCurrentRefreshed();
  void OnStandByCurrentRefreshed();

  // OK
  void StoreAxisId();
  void NormalisePositionRange();

  // message handlers
  void OnDetectVdc();
  void OnCurrentTest();
  void OnSpeedTuning();
  void OnPositionTuning();
  void OnAngleTuning();
  void OnReferenceSetup();
  void OnAdvanced();
  void OnDriveInfo();
  void OnStartSettings();
  void OnPositionCorrection();
  void OnMotorSetup();
  void OnHelp();
  void OnSelchangeAxisId();
  void OnVisibilityInput();
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnTimer(UINT_PTR nIDEvent);
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

  std::optional<dialogs::SetupSnapshot> m_openedAs;
  CComboBox m_axisIdCombo;
  // "RunCurrent" and "Vdc" when the dialog opened or the voltage-control
  // parameters were last detected: the voltage-control gains hold for them.
  double m_runCurrentAtDetection = 0.0;
  double m_vdcAtDetection = 0.0;

  DECLARE_MESSAGE_MAP()
};
