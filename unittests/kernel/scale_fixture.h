#pragma once

#include <functional>
#include <map>
#include <string>

#include "kernel/setup.h"
#include "kernel/unit_scale.h"

// Installs test scale functions for the lifetime of the fixture and restores
// the previous ones. `factor` answers per unit type; the hook counts calls.
class ScaleHook {
 public:
  using FactorFn = std::function<double(CVX_Setup*, const std::string&, const std::string&)>;

  explicit ScaleHook(FactorFn factor, std::map<std::string, double> offsets = {})
      : savedFactor_(kernel::InstalledScaleFactor()), savedOffset_(kernel::InstalledScaleOffset()) {
    Factor() = std::move(factor);
    Offsets() = std::move(offsets);
    Calls() = 0;
    kernel::SetUnitScaleFunctions(&CallFactor, &CallOffset);
  }
  ~ScaleHook() { kernel::SetUnitScaleFunctions(savedFactor_, savedOffset_); }

  static int& Calls() {
    static int calls = 0;
    return calls;
  }

 private:
  static FactorFn& Factor() {
    static FactorFn fn;
    return fn;
  }
  static std::map<std::string, double>& Offsets() {
    static std::map<std::string, double> offsets;
    return offsets;
  }
  static double CallFactor(CVX_Setup* setup, const char* unit, const char* name) {
    ++Calls();
    return Factor()(setup, unit, name);
  }
  static double CallOffset(CVX_Setup*, const char* unit) {
    auto it = Offsets().find(unit);
    return it == Offsets().end() ? 0.0 : it->second;
  }

  kernel::ScaleFactorFn savedFactor_;
  kernel::ScaleOffsetFn savedOffset_;
};
