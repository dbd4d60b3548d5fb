#pragma once

#include <array>
#include <string>

#include "dialogs/advanced_controls.h"
#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"
#include "engine/divider_rules.h"

namespace advanced {
// Red: the text of a period below the drive's minimum.
inline constexpr COLORREF kOutsideLimitsColour = 255;
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
