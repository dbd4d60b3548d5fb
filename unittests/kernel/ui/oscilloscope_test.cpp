#include "kernel/ui/oscilloscope.h"

#include <gtest/gtest.h>

#include "platform/ui.h"
#include "platform/user_actions.h"
#include "timebase/clock.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9102, "caption": "Trace", "w": 200, "h": 120,
  "controls": [
    {"id": 1362, "class": "graph", "x": 5, "y": 5, "w": 190, "h": 90},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 100, "w": 50, "h": 14}
  ]})";

TEST(Oscilloscope, TracesEachReadingOnAFixedRangeUntilRestarted) {
  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
  testsupport::InsideDialog(9102, [](CDialog& d) {
    CVX_Oscilloscope scope;
    ASSERT_TRUE(scope.Create(&d, 1362, {{"Speed_Reference", ""}, {"Load_Speed", ""}}));
    const CGraphDocument& trace = scope.GetGraphDocument();
    ASSERT_EQ(trace.GetColumns().size(), 3u);
    EXPECT_EQ(trace.GetColumns()[0].name, "Time");
    EXPECT_EQ(trace.GetColumns()[2].name, "Load_Speed");
    const auto& curves = scope.GetGraphDocument().GetFilter().GetCurves();
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_NE(curves[0].GetColour(), curves[1].GetColour());

    scope.Restart({-20.0, 120.0});
    scope.AddReadings(0.00, {100.0, 0.0});
    scope.AddReadings(0.02, {100.0, 180.0});  // an overshoot beyond the range
    EXPECT_EQ(scope.GetWindow().GetShownPoints(), 2u) << "each reading drawn as it comes";
    EXPECT_EQ(platform::ReadControl(d, 1362)->text, "2 points");
    const CGraphRange range = scope.GetGraphDocument().GetFilter().GetRange(1);
    EXPECT_EQ(range.min, -20.0);
    EXPECT_EQ(range.max, 120.0) << "the range stays where the run set it";

    scope.Restart({-240.0, 40.0});
    EXPECT_EQ(trace.GetPointCount(), 0u);
    EXPECT_EQ(scope.GetGraphDocument().GetFilter().GetRange(1).min, -240.0);
  });
}

}  // namespace
