#include "platform/html_help.h"

#include <string>

#include "platform/user.h"

HWND HtmlHelpA(HWND, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
  if (!pszFile || *pszFile == '\0') return nullptr;
  platform::User& user = platform::CurrentUser();
  if (!user.Stopped()) user.ShowHelp(platform::HelpRequest{std::string(pszFile), uCommand, dwData});
  return nullptr;
}
