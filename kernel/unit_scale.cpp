#include "kernel/unit_scale.h"

namespace kernel {
namespace {
ScaleFactorFn g_factor = nullptr;
ScaleOffsetFn g_offset = nullptr;
}  // namespace

void SetUnitScaleFunctions(ScaleFactorFn factor, ScaleOffsetFn offset) {
  g_factor = factor;
  g_offset = offset;
}

ScaleFactorFn InstalledScaleFactor() { return g_factor; }
ScaleOffsetFn InstalledScaleOffset() { return g_offset; }

}  // namespace kernel
