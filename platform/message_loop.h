#pragma once

#include <functional>
#include <vector>

#include "platform/win_types.h"
#include "timebase/clock.h"

class CDialog;

// The message loop of the one user-interface thread: posted messages,
// window timers on timebase::CurrentClock(), and the modal dialogs open.
//
// A timer fires when the clock reaches its due time and the loop next looks
// for work: in a modal loop before the person acts, in the pump of a long
// loop, or while time passes (LetTimePass). With a virtual clock time moves
// only in LetTimePass, so a 20 ms timer fires exactly N times in N * 20 ms
// of virtual time, in a fixed order, at no wall-clock cost. Timers of every
// window fire, also those of the dialogs below a nested one.

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// TRUE when a posted message or a due timer waits; fills `pMsg` with the
// next one and, with PM_REMOVE, takes it from the queue (a timer is then
// rescheduled). The window and message filters are ignored.
BOOL PeekMessage(MSG* pMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
LRESULT DispatchMessage(const MSG* pMsg);
// One step of the pump that long loops run: dispatches the next waiting
// message, if any, after the top dialog's PreTranslateMessage. Returns TRUE
// (there is no quit message).
BOOL AfxPumpMessage();

namespace platform {

// Dispatches every message posted before the call and every timer due now,
// in order; returns how many.
int DispatchPendingMessages();
// Lets `duration` pass on the current clock, firing each timer as the clock
// reaches its due time. Stops early once the current user has stopped, or
// once `stopEarly` (checked after each tick) says so; returns the time that
// did not pass then, zero otherwise.
timebase::Clock::Duration LetTimePass(timebase::Clock::Duration duration, const std::function<bool()>& stopEarly = {});
// The due time of the next timer, if any timer runs.
bool NextTimerDue(timebase::Clock::Duration& due);
int RunningTimerCount();

// The modal dialogs open, the first opened first.
const std::vector<CDialog*>& OpenDialogs();
// The dialog on top, or nullptr.
CDialog* TopDialog();

}  // namespace platform
