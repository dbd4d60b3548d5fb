#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

// Two small dialogs built from the templates in unittests/platform/data,
// whose handlers log what reached them, and a fixture that runs each test on
// virtual time with the project's resources plus those templates.
namespace uitest {

inline constexpr UINT kSampleDialogId = 9000;
inline constexpr UINT kSubDialogId = 9001;

// Controls of the sample dialog.
enum : int {
  kGainEdit = 100,
  kMeasuredEdit = 101,
  kFilterCombo = 110,
  kProtectionCheck = 120,
  kPositionRadio = 130,
  kSpeedRadio = 131,
  kTorqueRadio = 132,
  kOnRadio = 134,
  kOffRadio = 135,
  kSubDialogButton = 140,
  kMotorButton = 141,
  kWarningText = 150,
  kDiagramPicture = 151,
  kSettingsGroup = 160,
  kPagesTab = 170,
  kGainSlider = 180,
  kGainSpin = 181,
  kApplyButton = 182,
  kProgress = 183,
  kGraph = 184,
  kAskButton = 200,
  kTimerButton = 201,
  kHelpButton = 202,
};

// Controls of the sub-dialog.
enum : int { kSubEdit = 300, kSubAskButton = 301, kSubDeeperButton = 302 };

inline constexpr COLORREF kWarningRed = RGB(180, 0, 20);
inline constexpr char kExpertLetter = 'E';

class SubDialog : public CDialog {
 public:
  explicit SubDialog(CWnd* parent = nullptr) : CDialog(kSubDialogId, parent) {}
  BOOL OnInitDialog() override;
  void OnOK() override;

  std::string text;  // the edit's text, kept on OK
  int askResult = 0;
  INT_PTR deeperResult = 0;

 private:
  void OnAsk();
  void OnDeeper();
  DECLARE_MESSAGE_MAP()
};

class SampleDialog : public CDialog {
 public:
  SampleDialog() : CDialog(kSampleDialogId) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  std::vector<std::string> log;  // what reached the handlers, in order
  CComboBox filterCombo;         // attached by the data exchange
  INT_PTR subResult = 0;
  std::string subText;
  int askResult = 0;
  int ticks = 0;
  int ticksToRun = 0;          // the 20 ms timer stops itself after this many (0: never)
  bool openSubOnShow = false;  // the one-shot 1 ms timer that opens the sub-dialog
  bool lockPages = false;      // TCN_SELCHANGING keeps the page
  bool expert = false;         // toggled by the key chord
  std::function<void(SampleDialog&)> onInit;

 private:
  void OnChangeGain();
  void OnKillFocusGain();
  void OnSelchangeFilter();
  void OnProtection();
  void OnMode(UINT id);
  void OnOpenSub();
  void OnAsk();
  void OnStartTimer();
  void OnHelp();
  void OnTimer(UINT_PTR nIDEvent);
  void OnShowWindow(BOOL bShow, UINT nStatus);
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnClose();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnSelchangingPages(NMHDR* pNMHDR, LRESULT* pResult);
  void OnSelchangePages(NMHDR* pNMHDR, LRESULT* pResult);
  void OnSpinDelta(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()
};

// Resources of the project plus the test templates, a virtual clock, and a
// check that every test leaves no dialog open and no timer running.
class UiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the sample dialog with `script` as the person.
  platform::ScriptRun RunSample(platform::UserScript& script, SampleDialog& dialog);

  timebase::VirtualClock clock;
};

}  // namespace uitest
