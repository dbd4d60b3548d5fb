#include "platform/message_box.h"

#include <algorithm>
#include <string>

#include <fmt/format.h>

#include "platform/bitmap.h"
#include "platform/user.h"
#include "platform/wnd.h"

int AfxMessageBox(std::string_view text, UINT nType, UINT) { return platform::ShowMessageBox(text, "", nType); }

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  std::string text;
  AfxLoadString(nIDPrompt, text);
  return AfxMessageBox(text, nType, nIDHelp);
}

int CWnd::MessageBox(std::string_view text, LPCTSTR lpszCaption, UINT nType) {
  return platform::ShowMessageBox(text, lpszCaption ? lpszCaption : "", nType);
}

namespace platform {

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

std::string_view ButtonName(int button) {
  switch (button) {
    case IDOK:
      return "ok";
    case IDCANCEL:
      return "cancel";
    case IDYES:
      return "yes";
    case IDNO:
      return "no";
    case IDRETRY:
      return "retry";
    default:
      return "?";
  }
}

int ShowMessageBox(std::string_view text, std::string_view caption, UINT type) {
  User& user = CurrentUser();
  if (user.Stopped()) return 0;
  const MessageBoxRequest box{std::string(text), std::string(caption), type};
  const int answer = user.AnswerMessageBox(box);
  if (answer == 0) {
    if (!user.Stopped()) user.Stop(fmt::format("message box \"{}\" got no answer", text));
    return 0;
  }
  const std::vector<int> buttons = MessageBoxButtons(type);
  if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
    user.Stop(fmt::format("message box \"{}\" has no button \"{}\"", text, ButtonName(answer)));
    return 0;
  }
  return answer;
}

}  // namespace platform
