#include "kernel/ui/phase_diagram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "platform/ui.h"
#include "platform/user_actions.h"
#include "timebase/clock.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9105, "caption": "Phases", "w": 200, "h": 100,
  "controls": [
    {"id": 1030, "class": "phase-diagram", "text": "Current", "x": 5, "y": 5, "w": 80, "h": 80},
    {"id": 1031, "class": "bar-graph", "x": 90, "y": 5, "w": 100, "h": 14},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 80, "w": 50, "h": 14}
  ]})";

class PhaseDiagramTest : public ::testing::Test {
 protected:
  static void Inside(const std::function<void(CDialog&)>& check) { testsupport::InsideDialog(9105, check); }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
};

constexpr double kPi = std::numbers::pi;

TEST_F(PhaseDiagramTest, TheVectorIsWhatThePhasesMakeTogether) {
  Inside([](CDialog& d) {
    CPhaseDiagram diagram;
    ASSERT_TRUE(diagram.Create(&d, 1030));
    EXPECT_EQ(d.GetDlgItem(1030), &diagram);
    EXPECT_EQ(platform::ReadControl(d, 1030)->text, "0 at 0°");

    // Two phases at right angles: B alone points a quarter turn on.
    ASSERT_TRUE(diagram.SetPhaseValues({0.0, 2.0}));
    EXPECT_DOUBLE_EQ(diagram.GetMagnitude(), 2.0);
    EXPECT_DOUBLE_EQ(diagram.GetAngle(), kPi / 2);
    EXPECT_EQ(platform::ReadControl(d, 1030)->text, "2 at 90°");
    ASSERT_TRUE(diagram.SetPhaseValues({-1.0, -1.0}));
    EXPECT_EQ(platform::ReadControl(d, 1030)->text, "1.41 at 225°");

    // Three phases: a balanced set's length is its peak, at the peak
    // phase's axis.
    ASSERT_TRUE(diagram.SetPhaseCount(3));
    EXPECT_EQ(diagram.GetPhaseValues(), (std::vector<double>{0.0, 0.0, 0.0}));
    for (int peak = 0; peak < 3; ++peak) {
      std::vector<double> values(3);
      for (int k = 0; k < 3; ++k) values[k] = 3.0 * std::cos(2 * kPi * (k - peak) / 3);
      ASSERT_TRUE(diagram.SetPhaseValues(values));
      EXPECT_NEAR(diagram.GetMagnitude(), 3.0, 1e-12) << peak;
      EXPECT_NEAR(std::remainder(diagram.GetAngle() - 2 * kPi * peak / 3, 2 * kPi), 0.0, 1e-12) << peak;
    }
    EXPECT_EQ(platform::ReadControl(d, 1030)->text, "3 at 240°");
  });
}

TEST_F(PhaseDiagramTest, RefusesWhatCannotBeDrawnAndKeepsTheLastVector) {
  Inside([](CDialog& d) {
    CPhaseDiagram diagram;
    EXPECT_FALSE(diagram.Create(&d, 1031)) << "a bar graph is no phase diagram";
    EXPECT_FALSE(diagram.Create(&d, 999));
    ASSERT_TRUE(diagram.Create(&d, 1030));
    ASSERT_TRUE(diagram.SetPhaseValues({1.0, 0.0}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(diagram.SetPhaseValues({1.0, 0.0, 0.0})) << "three values for two phases";
    EXPECT_FALSE(diagram.SetPhaseValues({nan, 1.0}));
    EXPECT_FALSE(diagram.SetPhaseCount(4));
    EXPECT_EQ(diagram.GetPhaseCount(), 2);
    EXPECT_EQ(diagram.GetPhaseValues(), (std::vector<double>{1.0, 0.0}));
    EXPECT_FALSE(diagram.SetFullScale(0.0));
    EXPECT_FALSE(diagram.SetFullScale(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(diagram.SetFullScale(4.0));
    EXPECT_EQ(diagram.GetFullScale(), 4.0);
    EXPECT_EQ(platform::ReadControl(d, 1030)->text, "1 at 0°");
  });
}

}  // namespace
