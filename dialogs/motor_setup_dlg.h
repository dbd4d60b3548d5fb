#pragma once

#include <memory>
#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// "Step Motor and Load Setup" (template 108): the motor data (from the
// motor databases or typed), the motor and control type, the motor and load
// position sensors, the motor temperature sensor, the transmission to the
// load, the brake and the movement direction; it opens the connection and
// identification tests that concern them.
//
// Three figures are shown for the sine/cosine and linear encoders that the
// dialog derives and owns: "EquivCountsPerRev", "EquivCountsPerRev_LD" and
// "ResolutionWithInterpolation_LD" never reach the setup. Cancel leaves the
// setup as the dialog found it.
//
// With an intelligent motor (option "isIntelligentMotor") the motor data
// and sensor settings are locked; the hidden chord Ctrl+Alt+Shift+M toggles
// an expert view that unlocks them, for the people who prepare setups.
class CMotorSetupDialog : public CMySetupDlg {
 public:
  static constexpr char kExpertChordLetter = 'M';

  explicit CMotorSetupDialog(CVX_Setup* setup, CWnd* pParent = nullptr);
  ~CMotorSetupDialog() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnCancel() override;
  void OnChangedParameterValue(const std::string& name) override;
  void OnRefreshParameterValue(const std::string& name) override;

  bool Expert() const { return m_expert; }

 private:
  // The tests the buttons open.
  enum class Child {
    kPhaseConnections,
    kResistanceInductance,
    kEncoderConnections,
    kEncoderResolution,
    kLoadEncoderConnections,
    kSerialEncoderConnections,
    kSerialEncoderOffset,
  };
  using ChildFactory = std::unique_ptr<CDialog> (*)(CVX_Setup* setup, CWnd* parent);
  // How the test of `child` is made.
  static ChildFactory FactoryOf(Child child);
  // Opens `child` between the register round trips and brings the dialog up
  // to date afterwards.
  void OpenChild(Child child);
  // The encoder tests of the motor sensor run as if there were no load
  // sensor; `child`'s result decides what is kept.
  void OpenWithoutLoadSensor(Child child);
  void AfterResolutionDetection(INT_PTR result, const CDialog& test);

  // the display-only figures
  void AddShownFigures();
  void UpdateShownFigures();

  // initialisation
  bool Locked() const;
  void SetResolutionLabels();
  void FillSensorCombos();
  void FillConnectorCombo(bool load);
  void FillEncoderFilterCombos();
  void FillInterpolationCombo(int comboId, const char* name);
  void SetupBrake();
  bool FillClockCombo(bool load, bool tell);

  // the visibility rules, run by the data exchange towards the controls
  void ApplyVisibilityRules();
  void ShowBrakeLevel();

  // parameter changes
  void FollowTransmissionType();
  void ApplySensorChoiceRules(const std::string& name, bool typeChanged);
  void KeepSerialLoadSensorRotary();
  void OnSensorChanged();
  void KeepConnectorReadingSensor(bool load);
  void LimitSerialBits(bool load);

  // message handlers
  void OnPhaseTest();
  void OnResistanceTest();
  void OnEncoderTest();
  void OnResolutionTest();
  void OnLoadEncoderTest();
  void OnSerialEncoderTest();
  void OnSerialOffsetTest();
  void OnLimitSwitchNote();
  void OnBrakeClicked();
  void OnHelp();

  dialogs::SetupSnapshot m_atOpening;
  bool m_expert = false;
  // The control type and sensors as last seen, to tell a change from a
  // second click on the same choice.
  int m_controlType = -1;
  int m_motorSensor = 0;
  int m_loadSensor = 0;

  DECLARE_MESSAGE_MAP()
};
