#pragma once

#include <array>
#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"
#include "engine/divider_rules.h"

// The controls of the "Advanced" template that the code refers to.
namespace advanced {
enum Control : int {
  kPositionCurrentLoopsRadio = 3344,
  kPositionSpeedCurrentLoopsRadio = 3345,
  kSlowLoopRadio = 1146,
  kFastLoopRadio = 1147,
  kLoopChoiceGroup = 3347,
  kEstimatorGroup = 3361,
  kEstimatorCheck = 3363,
  kPwmFrequencyLabel = 1128,
  kPwmFrequencyEdit = 1129,
  kPwmFrequencyUnit = 1130,
  kFastDividerLabel = 1131,
  kFastDividerEdit = 1132,
  kSlowDividerLabel = 1134,
  kSlowDividerEdit = 1135,
  kPwmPeriodEdit = 1138,
  kPwmPeriodUnit = 1139,
  kFastPeriodLabel = 1140,
  kFastPeriodEdit = 1141,
  kFastPeriodUnit = 1142,
  kSlowPeriodLabel = 1143,
  kSlowPeriodEdit = 1144,
  kSlowPeriodUnit = 1145,
  kFastOutsideLimits = 1148,
  kSlowOutsideLimits = 1149,
  kSchemePicture = 3280,
  kSpeedForwardGroup = 3376,
  kSpeedForwardToSpeedLoop = 3374,
  kSpeedForwardToCurrentLoop = 3375,
  kPhaseAdvanceGroup = 3380,
  kPhaseAdvanceLabel = 3381,
  kPhaseAdvanceEdit = 3382,
  kPhaseAdvanceUnit = 3383,
  kFreezeGroup = 3401,
  kFreezeCheck = 3402,
  kFreezeBandLabel = 3403,
  kFreezeTimeLabel = 3404,
  kFreezeBandEdit = 3405,
  kFreezeBandUnit = 3406,
  kFreezeTimeEdit = 3407,
  kFreezeTimeUnit = 3408,
  kCurrentModeRadio = 3417,
  kVoltageModeRadio = 3418,
  kSlowPeriodFormula = 3422,
  kEncoderOnLoadGroup = 3348,
  kPidOnLoadRadio = 1152,
  kCorrectionOnLoadRadio = 1153,
  kHelpButton = 10024,
};
// Red: the text of a period below the drive's minimum.
inline constexpr COLORREF kOutsideLimitsColour = 255;
inline constexpr DWORD kHelpContext = 262419;
}  // namespace advanced

// "Advanced" (template 110): control scheme, loop timing, speed estimator,
// speed feed-forward target, phase advance, freeze control, voltage/current
// mode and the encoder-on-load option. Changing the PWM frequency keeps the
// loop periods; changing a divider keeps the time-dependent user values in
// seconds. Cancel leaves the setup as the dialog found it.
class CAdvancedDialog : public CMySetupDlg {
 public:
  explicit CAdvancedDialog(CVX_Setup* setup, CWnd* pParent = nullptr);
  ~CAdvancedDialog() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;

  void OnChangedParameterValue(const std::string& name) override;
  void OnRefreshParameterValue(const std::string& name) override;

  // The text colours of the fast and slow period labels: 0, or red when the
  // period is below the drive's minimum.
  COLORREF FastPeriodColour() const { return m_fastPeriodColour; }
  COLORREF SlowPeriodColour() const { return m_slowPeriodColour; }

 private:
  int Value(const char* name) const;
  bool FreezeControlApplies() const;
  void Rules();
  void ShowSchemePicture();
  void MarkPeriodLimits();
  void FollowSlowLoopPeriod();
  void CheckSerialEncoderReadTime();

  void OnSchemeClicked();
  void OnHelp();
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

  dialogs::SetupSnapshot m_atOpening;
  std::array<CBitmap, 7> m_bitmaps;
  COLORREF m_fastPeriodColour = 0;
  COLORREF m_slowPeriodColour = 0;
  // The periods the PWM frequency change keeps: taken at opening and after
  // each divider change.
  engine::RememberedPeriods m_kept;
  // The slow period the time-dependent values were last scaled for.
  engine::RememberedPeriods m_scaledFor;

  DECLARE_MESSAGE_MAP()
};
