#include "kernel/ui/test_events.h"

namespace kernel {
namespace {
TestListener* g_listener = nullptr;
}

void SetTestListener(TestListener* listener) { g_listener = listener; }
TestListener* CurrentTestListener() { return g_listener; }

ScopedTestListener::ScopedTestListener(TestListener& listener) : previous_(g_listener) { g_listener = &listener; }
ScopedTestListener::~ScopedTestListener() { g_listener = previous_; }

}  // namespace kernel
