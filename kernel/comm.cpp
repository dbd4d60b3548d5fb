#include "kernel/comm.h"

#include <utility>
#include <vector>

namespace {

struct Registration {
  int id;
  CVX_Comm::UnsolicitedHandler handler;
};

std::string& LastError() {
  static std::string text;
  return text;
}

std::vector<Registration>& Handlers() {
  static std::vector<Registration> handlers;
  return handlers;
}

int& NextId() {
  static int id = 0;
  return id;
}

}  // namespace

const char* CVX_Comm::GetLastErrorText() { return LastError().c_str(); }

void CVX_Comm::SetLastErrorText(std::string_view text) { LastError() = text; }

int CVX_Comm::ResetActiveBoard() { return kernel::Succeeded(kernel::ActiveDrive().Reset()) ? 1 : 0; }

int CVX_Comm::RegisterReceiveUnsolicitedMsgHandler(UnsolicitedHandler handler) {
  if (!handler) return 0;
  const int id = ++NextId();
  Handlers().push_back({id, std::move(handler)});
  return id;
}

void CVX_Comm::UnregisterReceiveUnsolicitedMsgHandler(int id) {
  auto& handlers = Handlers();
  std::erase_if(handlers, [id](const Registration& r) { return r.id == id; });
}

int CVX_Comm::DispatchUnsolicitedFrames() {
  const std::vector<kernel::UnsolicitedFrame> frames = kernel::ActiveDrive().TakeUnsolicitedFrames();
  if (frames.empty()) return 0;
  // A handler may register or unregister others while it runs.
  const std::vector<Registration> handlers = Handlers();
  for (const kernel::UnsolicitedFrame& frame : frames)
    for (const Registration& r : handlers) r.handler(frame);
  return static_cast<int>(frames.size());
}
