#include "kernel/errors.h"

#include <cstdio>

int g_bShowErrors = 1;

namespace kernel {
namespace {

ErrorSink& Sink() {
  static ErrorSink sink;
  return sink;
}

std::string& LastError() {
  static std::string text;
  return text;
}

}  // namespace

ErrorSink SetErrorSink(ErrorSink sink) {
  ErrorSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

void ReportError(const std::string& text) {
  LastError() = text;
  if (!g_bShowErrors) return;
  if (Sink()) {
    Sink()(text);
  } else {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  }
}

}  // namespace kernel

const char* GetLastErrorText() { return kernel::LastError().c_str(); }
