#include <gtest/gtest.h>

#include <limits>

#include "kernel/ui/bar_graph.h"
#include "platform/ui.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9103, "caption": "Bars", "w": 200, "h": 60,
  "controls": [
    {"id": 1014, "class": "bar-graph", "text": "Input voltage", "x": 5, "y": 5, "w": 190, "h": 14},
    {"id": 1010, "class": "edit", "x": 5, "y": 24, "w": 60, "h": 13},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 40, "w": 50, "h": 14}
  ]})";

class BarGraphTest : public ::testing::Test {
 protected:
  static void Inside(const std::function<void(CDialog&)>& check) { testsupport::InsideDialog(9103, check); }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
};

TEST_F(BarGraphTest, TheCaptionReadsTheValueInTheLabelFormat) {
  Inside([](CDialog& d) {
    CBarGraph bar;
    ASSERT_TRUE(bar.Create(&d, 1014));
    EXPECT_EQ(d.GetDlgItem(1014), &bar);
    ASSERT_TRUE(bar.SetLimits(-10.0, 10.0));
    bar.SetLabelFormat("%.2G");
    bar.SetValue(-7.256);
    EXPECT_EQ(platform::ReadControl(d, 1014)->text, "-7.3");
    bar.SetLabelFormat("%.2f");
    EXPECT_EQ(platform::ReadControl(d, 1014)->text, "-7.26");
    // Beyond the limits the value is kept; the bar is drawn to the limit.
    bar.SetValue(12.5);
    EXPECT_EQ(bar.GetValue(), 12.5);
    EXPECT_EQ(platform::ReadControl(d, 1014)->text, "12.50");
  });
}

TEST_F(BarGraphTest, RefusesLimitsAndValuesThatCannotBeDrawn) {
  Inside([](CDialog& d) {
    CBarGraph bar;
    ASSERT_TRUE(bar.Create(&d, 1014));
    ASSERT_TRUE(bar.SetLimits(0.0, 5.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(bar.SetLimits(5.0, 5.0));
    EXPECT_FALSE(bar.SetLimits(5.0, 0.0));
    EXPECT_FALSE(bar.SetLimits(nan, 1.0));
    EXPECT_FALSE(bar.SetLimits(0.0, inf));
    EXPECT_EQ(bar.GetLow(), 0.0);
    EXPECT_EQ(bar.GetHigh(), 5.0);
    bar.SetValue(2.0);
    bar.SetValue(nan);
    bar.SetDrawingReference(inf);
    EXPECT_EQ(bar.GetValue(), 2.0);
    EXPECT_EQ(bar.GetDrawingReference(), 0.0);
    // A format that takes no number still labels the bar.
    bar.SetLabelFormat("%s %d");
    EXPECT_EQ(bar.GetLabel(), "2");
  });
}

TEST_F(BarGraphTest, TakesOnlyABarGraphControl) {
  Inside([](CDialog& d) {
    CBarGraph bar;
    EXPECT_FALSE(bar.Create(&d, 1010)) << "an edit";
    EXPECT_FALSE(bar.Create(&d, 4242)) << "no such control";
    EXPECT_FALSE(bar.Create(nullptr, 1014));
  });
}

}  // namespace
