#pragma once

#include "drive/motor_model.h"

namespace drive {

// Applied voltages plus whether the bridge had to limit the request (the
// current controller's anti-windup and the over-voltage tests look at it).
struct BridgeOutput {
  PhaseValues voltage_V{};
  bool limited = false;
};

// The power stage: turns requested terminal voltages into what a bridge fed
// from supply_V can apply. Two-phase: each H-bridge reverses the supply, so
// each phase lies in ±Vdc. Three-phase: each leg lies in [0, Vdc], so only
// the line-to-line voltages are bounded (max − min ≤ Vdc); the common mode is
// free and is centred, which drives no current in star or delta.
class PwmBridge {
 public:
  PwmBridge(Winding winding, double supply_V) : winding_(winding), supply_V_(supply_V) {}

  BridgeOutput Apply(const PhaseValues& requested_V) const;

  double supply_V() const { return supply_V_; }
  void set_supply_V(double supply_V) { supply_V_ = supply_V; }

 private:
  Winding winding_;
  double supply_V_;
};

}  // namespace drive
