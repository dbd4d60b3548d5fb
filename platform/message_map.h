#pragma once

// Message maps: each window class names, in one readable table, the handler
// of every command, notification and window message it answers. A message
// that the class's table does not name goes to the base class's table, and
// then to the framework's default handling.
//
//   class CMyDlg : public CDialog {
//     ...
//     DECLARE_MESSAGE_MAP()
//   };
//
//   (DECLARE_MESSAGE_MAP leaves the access private; put it last.)
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_BN_CLICKED(3171, &CMyDlg::OnDetect)
//     ON_CBN_SELCHANGE(3136, &CMyDlg::OnSelchangeAxis)
//     ON_WM_TIMER()
//   END_MESSAGE_MAP()

#include <functional>
#include <type_traits>
#include <vector>

#include "platform/win_types.h"

class CDC;
using CScrollBar = CWnd;  // scroll messages name the slider or spin that sent them

namespace platform {

struct MessageMapEntry {
  UINT message = 0;  // WM_COMMAND, WM_NOTIFY or another window message
  UINT code = 0;     // the notification code of WM_COMMAND and WM_NOTIFY
  UINT firstId = 0;  // control identifiers the entry covers (commands, notifications)
  UINT lastId = 0;
  std::function<LRESULT(CWnd& self, WPARAM wParam, LPARAM lParam)> call;
};

struct MessageMap {
  const MessageMap* (*base)() = nullptr;  // the base class's table; none for CWnd
  std::vector<MessageMapEntry> entries;
};

// The first entry of `map` or its bases that handles the message, or none.
const MessageMapEntry* FindHandler(const MessageMap* map, UINT message, WPARAM wParam, LPARAM lParam);

// The object that receives the messages of a window (its "permanent" object).
CWnd* WindowObject(HWND hwnd);
// The WM_CTLCOLOR kind of a control (CTLCOLOR_EDIT, CTLCOLOR_STATIC, ...).
UINT CtlColorKind(HWND hwnd);

template <class T>
MessageMapEntry CommandEntry(UINT code, UINT firstId, UINT lastId, void (T::*fn)()) {
  return {WM_COMMAND, code, firstId, lastId, [fn](CWnd& self, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(self).*fn)();
            return 0;
          }};
}

template <class T>
MessageMapEntry CommandRangeEntry(UINT code, UINT firstId, UINT lastId, void (T::*fn)(UINT)) {
  return {WM_COMMAND, code, firstId, lastId, [fn](CWnd& self, WPARAM wParam, LPARAM) -> LRESULT {
            (static_cast<T&>(self).*fn)(LOWORD(wParam));
            return 0;
          }};
}

template <class T>
MessageMapEntry NotifyEntry(UINT code, UINT firstId, UINT lastId, void (T::*fn)(NMHDR*, LRESULT*)) {
  return {WM_NOTIFY, code, firstId, lastId, [fn](CWnd& self, WPARAM, LPARAM lParam) -> LRESULT {
            LRESULT result = 0;
            (static_cast<T&>(self).*fn)(reinterpret_cast<NMHDR*>(lParam), &result);
            return result;
          }};
}

template <class T>
MessageMapEntry MessageEntry(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
  return {message, 0, 0, 0, [fn](CWnd& self, WPARAM wParam, LPARAM lParam) -> LRESULT {
            return (static_cast<T&>(self).*fn)(wParam, lParam);
          }};
}

template <class T>
MessageMapEntry TimerEntry(void (T::*fn)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, 0, [fn](CWnd& self, WPARAM wParam, LPARAM) -> LRESULT {
            (static_cast<T&>(self).*fn)(wParam);
            return 0;
          }};
}

template <class T>
MessageMapEntry ShowWindowEntry(void (T::*fn)(BOOL, UINT)) {
  return {WM_SHOWWINDOW, 0, 0, 0, [fn](CWnd& self, WPARAM wParam, LPARAM lParam) -> LRESULT {
            (static_cast<T&>(self).*fn)(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
            return 0;
          }};
}

template <class T>
MessageMapEntry CtlColorEntry(HBRUSH (T::*fn)(CDC*, CWnd*, UINT)) {
  return {WM_CTLCOLOR, 0, 0, 0, [fn](CWnd& self, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const HWND control = reinterpret_cast<HWND>(lParam);
            const HBRUSH brush = (static_cast<T&>(self).*fn)(reinterpret_cast<CDC*>(wParam), WindowObject(control),
                                                             CtlColorKind(control));
            return reinterpret_cast<LRESULT>(brush);
          }};
}

template <class T>
MessageMapEntry CloseEntry(void (T::*fn)()) {
  return {WM_CLOSE, 0, 0, 0, [fn](CWnd& self, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(self).*fn)();
            return 0;
          }};
}

template <class T>
MessageMapEntry ScrollEntry(UINT message, void (T::*fn)(UINT, UINT, CScrollBar*)) {
  return {message, 0, 0, 0, [fn](CWnd& self, WPARAM wParam, LPARAM lParam) -> LRESULT {
            (static_cast<T&>(self).*fn)(LOWORD(wParam), HIWORD(wParam), WindowObject(reinterpret_cast<HWND>(lParam)));
            return 0;
          }};
}

}  // namespace platform

#define DECLARE_MESSAGE_MAP()                                   \
 protected:                                                     \
  static const ::platform::MessageMap* GetThisMessageMap();     \
  const ::platform::MessageMap* GetMessageMap() const override; \
                                                                \
 private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                   \
  const ::platform::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::platform::MessageMap* theClass::GetThisMessageMap() {                                  \
    using ThisClass = theClass;                                                                  \
    static_assert(std::is_base_of_v<baseClass, ThisClass>);                                      \
    static const ::platform::MessageMap map{&baseClass::GetThisMessageMap, {

#define END_MESSAGE_MAP() \
  }                       \
  }                       \
  ;                       \
  return &map;            \
  }

#define ON_COMMAND(id, memberFxn) ::platform::CommandEntry<ThisClass>(::BN_CLICKED, (id), (id), memberFxn),
#define ON_COMMAND_RANGE(firstId, lastId, memberFxn) \
  ::platform::CommandRangeEntry<ThisClass>(::BN_CLICKED, (firstId), (lastId), memberFxn),
#define ON_CONTROL(code, id, memberFxn) ::platform::CommandEntry<ThisClass>((code), (id), (id), memberFxn),
#define ON_CONTROL_RANGE(code, firstId, lastId, memberFxn) \
  ::platform::CommandRangeEntry<ThisClass>((code), (firstId), (lastId), memberFxn),
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(::BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(::EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(::EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(::CBN_SELCHANGE, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn) ::platform::NotifyEntry<ThisClass>((code), (id), (id), memberFxn),
#define ON_NOTIFY_RANGE(code, firstId, lastId, memberFxn) \
  ::platform::NotifyEntry<ThisClass>((code), (firstId), (lastId), memberFxn),
#define ON_MESSAGE(message, memberFxn) ::platform::MessageEntry<ThisClass>((message), memberFxn),
#define ON_WM_TIMER() ::platform::TimerEntry<ThisClass>(&ThisClass::OnTimer),
#define ON_WM_SHOWWINDOW() ::platform::ShowWindowEntry<ThisClass>(&ThisClass::OnShowWindow),
#define ON_WM_CTLCOLOR() ::platform::CtlColorEntry<ThisClass>(&ThisClass::OnCtlColor),
#define ON_WM_CLOSE() ::platform::CloseEntry<ThisClass>(&ThisClass::OnClose),
#define ON_WM_HSCROLL() ::platform::ScrollEntry<ThisClass>(::WM_HSCROLL, &ThisClass::OnHScroll),
#define ON_WM_VSCROLL() ::platform::ScrollEntry<ThisClass>(::WM_VSCROLL, &ThisClass::OnVScroll),
