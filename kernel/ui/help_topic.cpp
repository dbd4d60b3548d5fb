#include "kernel/ui/help_topic.h"

#include <string>

#include "kernel/kernel_functions.h"
#include "platform/html_help.h"
#include "platform/wnd.h"

namespace kernel {

void ShowHelpTopic(const CWnd& caller, const CVX_Setup* setup, unsigned long context) {
  // GetHelpFileOfGUI already places a relative help file in the program's
  // own directory, so its path is used as it comes.
  const std::string file = GetHelpFileOfGUI(setup);
  if (file.empty()) return;
  HtmlHelpA(caller.GetSafeHwnd(), file.c_str(), HH_HELP_CONTEXT, context);
}

}  // namespace kernel
