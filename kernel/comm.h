#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "kernel/drive_interface.h"

// The communication layer as the plug-in sees it: the text of the last
// failed drive call, the board reset, and the delivery of frames the drive
// sends unsolicited (scope data). It talks to kernel::ActiveDrive().
class CVX_Comm {
 public:
  using UnsolicitedHandler = std::function<void(const kernel::UnsolicitedFrame& frame)>;

  // The error text of the last drive call that failed ("No drive is
  // connected."); empty until one fails. A later success does not clear it.
  static const char* GetLastErrorText();
  // Kernel use: records the text of a failed drive call.
  static void SetLastErrorText(std::string_view text);

  // Resets the active board; non-zero on success.
  static int ResetActiveBoard();

  // Installs a handler for every unsolicited frame; returns its id (> 0),
  // or 0 for an empty handler.
  static int RegisterReceiveUnsolicitedMsgHandler(UnsolicitedHandler handler);
  static void UnregisterReceiveUnsolicitedMsgHandler(int id);

  // Takes the frames the active drive has sent and hands each, in order, to
  // every handler registered when the call began. The message pump calls it
  // (there is no receiving thread); returns the number of frames.
  static int DispatchUnsolicitedFrames();
};

namespace kernel {

// Kernel use: records a failed result's text for CVX_Comm::GetLastErrorText
// and tells whether the call succeeded.
template <typename T>
bool Succeeded(const DriveResult<T>& result) {
  if (!result.ok()) CVX_Comm::SetLastErrorText(result.error());
  return result.ok();
}

}  // namespace kernel
