#include <gtest/gtest.h>

#include <numbers>

#include "browser/dialog_view.h"
#include "kernel/ui/bar_graph.h"
#include "kernel/ui/encoder_diagram.h"
#include "kernel/ui/phase_diagram.h"
#include "platform/ui.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9104, "caption": "Widgets", "w": 200, "h": 120,
  "controls": [
    {"id": 1021, "class": "bar-graph", "text": "Phase A current", "x": 5, "y": 5, "w": 120, "h": 14},
    {"id": 1024, "class": "encoder-diagram", "x": 5, "y": 24, "w": 60, "h": 60},
    {"id": 1025, "class": "phase-diagram", "text": "Phases", "x": 70, "y": 24, "w": 60, "h": 60},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 100, "w": 50, "h": 14}
  ]})";

class WidgetView : public ::testing::Test {
 protected:
  static void Inside(const std::function<void(CDialog&)>& check) { testsupport::InsideDialog(9104, check); }

  static browser::Json Control(const browser::DialogView& view, int id) {
    for (const browser::Json& control : view.dialogs.back()["controls"])
      if (control["id"] == id) return control;
    return nullptr;
  }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
};

TEST_F(WidgetView, PublishesWhatTheWidgetsHoldAsTheyChange) {
  Inside([](CDialog& d) {
    CBarGraph bar;
    CEncoderDiagram dial;
    CPhaseDiagram phases;
    ASSERT_TRUE(bar.Create(&d, 1021));
    ASSERT_TRUE(dial.Create(&d, 1024));
    ASSERT_TRUE(phases.Create(&d, 1025));
    ASSERT_TRUE(phases.SetPhaseCount(3));
    ASSERT_TRUE(phases.SetPhaseValues({2.0, -1.0, -1.0}));
    ASSERT_TRUE(phases.SetFullScale(4.0));
    ASSERT_TRUE(bar.SetLimits(-1.5, 1.5));
    bar.SetBarColor(RGB(0, 0x80, 0xFF));
    bar.SetLabelFormat("%.2f");
    bar.SetValue(0.75);
    dial.SetAngle(std::numbers::pi / 2);
    browser::DialogViewer viewer;
    const browser::DialogView view = viewer.View({&d});

    const browser::Json barJson = Control(view, 1021);
    EXPECT_EQ(barJson["class"], "bar-graph");
    EXPECT_EQ(barJson["text"], "0.75");
    EXPECT_EQ(barJson["widget"],
              (browser::Json{{"low", -1.5}, {"high", 1.5}, {"value", 0.75}, {"reference", 0.0}, {"color", "#0080FF"}}));
    const browser::Json dialJson = Control(view, 1024);
    EXPECT_EQ(dialJson["text"], "90°");
    EXPECT_DOUBLE_EQ(dialJson["widget"]["angle"].get<double>(), std::numbers::pi / 2);

    const browser::Json phaseJson = Control(view, 1025);
    EXPECT_EQ(phaseJson["text"], "2 at 0°");
    EXPECT_EQ(phaseJson["widget"]["phases"], 3);
    EXPECT_EQ(phaseJson["widget"]["values"], (browser::Json{2.0, -1.0, -1.0}));
    EXPECT_EQ(phaseJson["widget"]["full"], 4.0);
    EXPECT_DOUBLE_EQ(phaseJson["widget"]["magnitude"].get<double>(), 2.0);
    EXPECT_DOUBLE_EQ(phaseJson["widget"]["angle"].get<double>(), 0.0);

    bar.SetValue(-1.0);
    dial.SetAngle(-std::numbers::pi / 2);
    const browser::DialogView moved = viewer.View({&d});
    EXPECT_EQ(Control(moved, 1021)["widget"]["value"], -1.0);
    EXPECT_EQ(Control(moved, 1024)["text"], "270°");
  });
}

TEST_F(WidgetView, AWidgetControlNoWidgetTookShowsItsCaptionAlone) {
  Inside([](CDialog& d) {
    browser::DialogViewer viewer;
    const browser::DialogView view = viewer.View({&d});
    EXPECT_FALSE(Control(view, 1021).contains("widget"));
    EXPECT_FALSE(Control(view, 1024).contains("widget"));
    EXPECT_EQ(Control(view, 1025)["text"], "Phases");
    EXPECT_FALSE(Control(view, 1025).contains("widget"));
  });
}

}  // namespace
