#include "platform/message_loop.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/dialog.h"
#include "platform/user.h"
#include "platform/window_state.h"

namespace platform::detail {

UiThread& Ui() {
  static UiThread ui;
  return ui;
}

void ForgetWindowTree(HWND hwnd) {
  if (!hwnd) return;
  for (const auto& child : hwnd->children) ForgetWindowTree(child.get());
  UiThread& ui = Ui();
  std::erase_if(ui.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
  std::erase_if(ui.posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
  if (ui.focus == hwnd) ui.focus = nullptr;
  for (CWnd* object : hwnd->attached) object->m_hWnd = nullptr;
  hwnd->attached.clear();
  hwnd->object = nullptr;
}

}  // namespace platform::detail

namespace {

using timebase::Clock;
using timebase::CurrentClock;
using platform::detail::Timer;
using platform::detail::Ui;

// The timer to fire next among those due at `now`: earliest due, then the
// one set first.
std::optional<std::size_t> DueTimer(Clock::Duration now) {
  std::optional<std::size_t> best;
  const auto& timers = Ui().timers;
  for (std::size_t i = 0; i < timers.size(); ++i) {
    if (timers[i].due > now) continue;
    if (!best || timers[i].due < timers[*best].due ||
        (timers[i].due == timers[*best].due && timers[i].order < timers[*best].order)) {
      best = i;
    }
  }
  return best;
}

// Takes the tick of timer `index` and schedules its next one. A timer that
// fell behind (real time) ticks once and catches up, as window timers do.
MSG TakeTick(std::size_t index, Clock::Duration now) {
  Timer& timer = Ui().timers[index];
  timer.due += timer.period;
  if (timer.due <= now) timer.due = now + timer.period;
  return MSG{timer.hwnd, WM_TIMER, timer.id, 0, 0};
}

void DispatchQueued(MSG msg) {
  CDialog* top = platform::TopDialog();
  if (top && top->PreTranslateMessage(&msg)) return;
  DispatchMessage(&msg);
}

}  // namespace

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
  if (!m_hWnd) return 0;
  auto& ui = Ui();
  // A zero period would fire forever without time passing.
  const Clock::Duration period = std::chrono::milliseconds(std::max(nElapse, 1U));
  const Clock::Duration due = timebase::CurrentClock().Now() + period;
  const std::uint64_t order = ui.nextTimerOrder++;
  for (Timer& timer : ui.timers) {
    if (timer.hwnd == m_hWnd && timer.id == nIDEvent) {
      timer.period = period;
      timer.due = due;
      timer.order = order;
      return nIDEvent;
    }
  }
  ui.timers.push_back(Timer{m_hWnd, nIDEvent, period, due, order});
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  const auto removed = std::erase_if(Ui().timers, [this, nIDEvent](const Timer& t) {
    return t.hwnd == m_hWnd && t.id == nIDEvent;
  });
  return removed > 0 ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* pMsg, HWND, UINT, UINT, UINT wRemoveMsg) {
  auto& ui = Ui();
  MSG msg;
  if (!ui.posted.empty()) {
    msg = ui.posted.front();
    if (wRemoveMsg & PM_REMOVE) ui.posted.pop_front();
  } else {
    const Clock::Duration now = timebase::CurrentClock().Now();
    const auto due = DueTimer(now);
    if (!due) return FALSE;
    const Timer& timer = ui.timers[*due];
    msg = (wRemoveMsg & PM_REMOVE) ? TakeTick(*due, now) : MSG{timer.hwnd, WM_TIMER, timer.id, 0, 0};
  }
  if (pMsg) *pMsg = msg;
  return TRUE;
}

LRESULT DispatchMessage(const MSG* pMsg) {
  return pMsg ? platform::SendTo(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam) : 0;
}

BOOL AfxPumpMessage() {
  MSG msg;
  if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchQueued(msg);
  return TRUE;
}

namespace platform {

int DispatchPendingMessages() {
  auto& ui = Ui();
  int count = 0;
  // Only what was posted before the call, so a handler that posts again
  // cannot keep the loop here.
  for (std::size_t waiting = ui.posted.size(); waiting > 0 && !ui.posted.empty(); --waiting, ++count) {
    const MSG msg = ui.posted.front();
    ui.posted.pop_front();
    DispatchQueued(msg);
  }
  for (;;) {
    const Clock::Duration now = CurrentClock().Now();
    const auto due = DueTimer(now);
    if (!due) break;
    DispatchQueued(TakeTick(*due, now));
    ++count;
  }
  return count;
}

Clock::Duration LetTimePass(Clock::Duration duration, const std::function<bool()>& stopEarly) {
  Clock& clock = CurrentClock();
  const Clock::Duration target = clock.Now() + duration;
  for (;;) {
    DispatchPendingMessages();
    if (CurrentUser().Stopped() || (stopEarly && stopEarly())) return std::max(target - clock.Now(), Clock::Duration{});
    Clock::Duration due{};
    if (!NextTimerDue(due) || due > target) break;
    clock.WaitUntil(due);
  }
  clock.WaitUntil(target);
  return Clock::Duration{};
}

bool NextTimerDue(Clock::Duration& due) {
  const auto& timers = Ui().timers;
  if (timers.empty()) return false;
  due = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
          return a.due < b.due;
        })->due;
  return true;
}

int RunningTimerCount() { return static_cast<int>(Ui().timers.size()); }

const std::vector<CDialog*>& OpenDialogs() { return Ui().modalStack; }

CDialog* TopDialog() {
  const auto& stack = Ui().modalStack;
  return stack.empty() ? nullptr : stack.back();
}

}  // namespace platform
