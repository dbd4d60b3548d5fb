#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/ui_test_support.h"

namespace uitest {
namespace {

using namespace std::chrono_literals;
using platform::UserScript;

// Logs each tick with its virtual time, and each posted WM_APP.
class TimerDialog : public CDialog {
 public:
  TimerDialog() : CDialog(kSubDialogId) {}
  std::vector<std::string> log;

 private:
  void OnTimer(UINT_PTR nIDEvent) {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(timebase::CurrentClock().Now());
    log.push_back(std::to_string(nIDEvent) + "@" + std::to_string(now.count()));
  }
  LRESULT OnApp(WPARAM wParam, LPARAM) {
    log.push_back(std::string("app ") + std::to_string(wParam));
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TimerDialog, CDialog)
  ON_WM_TIMER()
  ON_MESSAGE(WM_APP, &TimerDialog::OnApp)
END_MESSAGE_MAP()

// Ends itself with OK on its first tick, 50 ms after it opens.
class ClosingDialog : public CDialog {
 public:
  ClosingDialog() : CDialog(kSubDialogId) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(1, 50);
    return TRUE;
  }

 private:
  void OnTimer(UINT_PTR) {
    KillTimer(1);
    EndDialog(IDOK);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ClosingDialog, CDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

using Timers = UiTest;

TEST_F(Timers, TwentyMillisecondTimerTicksOncePerPeriodOfVirtualTime) {
  SampleDialog dialog;
  std::vector<int> seen;
  auto record = [&](CDialog&) { seen.push_back(dialog.ticks); };
  UserScript script;
  script.Click(kTimerButton).Call(record).Wait(200).Call(record).Wait(19).Call(record).Wait(1).Call(record);
  script.Wait(60'000).Call(record).Click(IDOK);
  const auto wallStart = std::chrono::steady_clock::now();
  const platform::ScriptRun run = RunSample(script, dialog);
  const auto wall = std::chrono::steady_clock::now() - wallStart;
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(seen, (std::vector<int>{0, 10, 10, 11, 3011}));
  EXPECT_EQ(clock.Now(), 60'220ms);
  // A minute of virtual time: no sleeping, so far below a second of wall time.
  EXPECT_LT(wall, 1s);
}

TEST_F(Timers, NothingTicksWhileNoTimePasses) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kTimerButton).Click(kProtectionCheck).Click(kProtectionCheck).Call([&](CDialog&) {
    EXPECT_EQ(platform::DispatchPendingMessages(), 0);
    EXPECT_EQ(dialog.ticks, 0);
  });
  script.Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
}

TEST_F(Timers, KillTimerStopsTheTicks) {
  SampleDialog dialog;
  dialog.ticksToRun = 3;
  UserScript script;
  script.Click(kTimerButton).Wait(1000).Call([](CDialog&) { EXPECT_EQ(platform::RunningTimerCount(), 0); });
  script.Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.ticks, 3);
}

TEST_F(Timers, TicksComeInTimeOrderAndTiesInTheOrderTheTimersWereSet) {
  TimerDialog dialog;
  UserScript script;
  script.Call([](CDialog& d) {
    d.SetTimer(7, 30);
    d.SetTimer(5, 20);
    d.SetTimer(9, 20);
    EXPECT_EQ(d.KillTimer(42), FALSE);
  });
  script.Wait(60).Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"5@20", "9@20", "7@30", "5@40", "9@40", "7@60", "5@60", "9@60"}));
}

TEST_F(Timers, SettingATimerAgainRestartsIt) {
  TimerDialog dialog;
  UserScript script;
  script.Call([](CDialog& d) { d.SetTimer(1, 20); }).Wait(15).Call([](CDialog& d) { d.SetTimer(1, 20); });
  script.Wait(25).Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.log, std::vector<std::string>{"1@35"});
}

TEST_F(Timers, TheOpenersTimersTickWhileASubDialogIsUp) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kTimerButton).Click(kSubDialogButton).Wait(100).Click(IDOK).Call([&](CDialog&) {
    EXPECT_EQ(dialog.ticks, 5);
  });
  script.Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
}

TEST_F(Timers, AWaitGoesOnInFrontOfTheOpenerWhenTheDialogClosesDuringIt) {
  SampleDialog dialog;
  ClosingDialog closing;
  INT_PTR closingResult = 0;
  UserScript script;
  script.Click(kTimerButton).Call([&](CDialog&) { closingResult = closing.DoModal(); });
  script.Wait(200).Call([&](CDialog& top) {
    EXPECT_EQ(&top, &dialog);
    EXPECT_EQ(clock.Now(), 200ms);
    EXPECT_EQ(dialog.ticks, 10);
  });
  script.Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(closingResult, IDOK);
}

TEST_F(Timers, ADialogTakesItsTimersWithItWhenItCloses) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kTimerButton).Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(platform::RunningTimerCount(), 0);
  EXPECT_EQ(dialog.SetTimer(1, 20), 0U);  // no window any more
}

TEST_F(Timers, ThePumpOfALongLoopDispatchesOnlyWhatIsDue) {
  TimerDialog dialog;
  UserScript script;
  script.Call([&](CDialog& d) {
    d.SetTimer(1, 20);
    d.PostMessage(WM_APP, 3);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_APP);
    // The loop a long upload runs: it ends once nothing waits.
    int steps = 0;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && steps < 10) {
      AfxPumpMessage();
      ++steps;
    }
    EXPECT_EQ(steps, 1);
    clock.Advance(45ms);  // the loop's own work took time: two periods are due, one tick comes
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && steps < 10) {
      AfxPumpMessage();
      ++steps;
    }
    EXPECT_EQ(steps, 2);
  });
  script.Wait(20).Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"app 3", "1@45", "1@65"}));
}

}  // namespace
}  // namespace uitest
