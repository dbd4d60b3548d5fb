#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "drive/pwm_bridge.h"

namespace drive {
namespace {

TEST(PwmBridge, TwoPhaseClipsEachPhaseAtPlusMinusSupply) {
  const PwmBridge bridge(Winding::TwoPhase, 24.0);
  struct Case { double request_V, applied_V; bool limited; };
  for (const Case c : {Case{0.0, 0.0, false}, Case{24.0, 24.0, false}, Case{-24.0, -24.0, false},
                       Case{24.001, 24.0, true}, Case{-100.0, -24.0, true}}) {
    const BridgeOutput out = bridge.Apply({c.request_V, -0.5 * c.request_V, 0.0});
    EXPECT_EQ(out.voltage_V[0], c.applied_V) << c.request_V;
    EXPECT_EQ(out.limited, c.limited) << c.request_V;
  }
  // Phases are limited independently: B within range stays as asked.
  const BridgeOutput out = bridge.Apply({50.0, 3.0, 0.0});
  EXPECT_EQ(out.voltage_V[1], 3.0);
}

TEST(PwmBridge, ThreePhaseBoundsLineToLineVoltageAndKeepsItsDirection) {
  const double supply_V = 48.0;
  const PwmBridge bridge(Winding::ThreeStar, supply_V);
  for (int n = 0; n < 72; ++n) {
    const double angle = n * 2 * 3.141592653589793 / 72;
    for (const double amplitude_V : {10.0, 27.0, 40.0, 200.0}) {
      const PhaseValues request = {amplitude_V * std::cos(angle), amplitude_V * std::cos(angle - 2.0943951023931953),
                                   amplitude_V * std::cos(angle + 2.0943951023931953)};
      const BridgeOutput out = bridge.Apply(request);
      const auto [lo, hi] = std::minmax({out.voltage_V[0], out.voltage_V[1], out.voltage_V[2]});
      EXPECT_LE(hi - lo, supply_V * (1 + 1e-12));
      const double requested_span_V = std::max({request[0], request[1], request[2]}) -
                                      std::min({request[0], request[1], request[2]});
      EXPECT_EQ(out.limited, requested_span_V > supply_V);
      // Line-to-line voltages scale together, so their ratio survives clipping.
      const double scale = out.limited ? supply_V / requested_span_V : 1.0;
      EXPECT_NEAR(out.voltage_V[0] - out.voltage_V[1], scale * (request[0] - request[1]), 1e-9);
      EXPECT_NEAR(out.voltage_V[1] - out.voltage_V[2], scale * (request[1] - request[2]), 1e-9);
    }
  }
}

TEST(PwmBridge, NoSupplyAppliesNothing) {
  for (const Winding w : {Winding::TwoPhase, Winding::ThreeDelta}) {
    const BridgeOutput out = PwmBridge(w, 0.0).Apply({5.0, -5.0, 1.0});
    EXPECT_TRUE(out.limited);
    for (const double v : out.voltage_V) EXPECT_EQ(v, 0.0);
  }
}

}  // namespace
}  // namespace drive
