#include "kernel/dialog_request.h"

namespace kernel {
namespace {

std::optional<std::string>& Pending() {
  static std::optional<std::string> pending;
  return pending;
}

}  // namespace

void RequestDialog(std::string_view name) { Pending() = std::string(name); }

std::optional<std::string> TakeDialogRequest() {
  std::optional<std::string> request;
  request.swap(Pending());
  return request;
}

}  // namespace kernel
