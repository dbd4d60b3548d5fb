#include <gtest/gtest.h>

#include <filesystem>

#include "kernel/plot_files.h"
#include "kernel/ui/graph_window.h"
#include "platform/ui.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/environment.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9101, "caption": "Plot", "w": 200, "h": 120,
  "controls": [
    {"id": 1361, "class": "graph", "x": 5, "y": 5, "w": 190, "h": 90},
    {"id": 1372, "class": "button", "text": "S&ave Plots", "x": 5, "y": 100, "w": 60, "h": 14},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 100, "w": 50, "h": 14}
  ]})";

class GraphWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document.SetColumns({{"Time", "s"}, {"IQ", "A"}});
    document.GetFilter().AddCurve(CXYCurve(0, 1, 1, 2, 2));
    kernel::SetPlotDirectory(dir.path());
  }
  void TearDown() override {
    kernel::SetPlotDirectory({});
    kernel::ForgetPlotFiles();
  }

  static void Inside(const std::function<void(CDialog&)>& check) { testsupport::InsideDialog(9101, check); }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
  testsupport::TempDir dir;
  CGraphDocument document;
};

TEST_F(GraphWindowTest, DrawsTheDocumentAsItsPointsArrive) {
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    ASSERT_TRUE(graph.Create(&d, 1361, document.GetFilter()));
    EXPECT_EQ(d.GetDlgItem(1361), &graph) << "the window is the control's object now";
    EXPECT_EQ(platform::ReadControl(d, 1361)->text, "0 points");
    document.AddPoint({0.0, 1.0});
    document.AddPoint({0.1, 2.0});
    EXPECT_EQ(graph.GetShownPoints(), 0u) << "drawn only when told";
    graph.UpdateLastPoint();
    EXPECT_EQ(graph.GetShownPoints(), 2u);
    EXPECT_EQ(platform::ReadControl(d, 1361)->text, "2 points");
    graph.UpdatePoint(7);
    EXPECT_EQ(graph.GetShownPoints(), 2u) << "no point beyond the document";
    graph.ZoomOut();
    EXPECT_GE(document.GetFilter().GetRange(1).max, 2.0);
  });
}

TEST_F(GraphWindowTest, OnlyAGraphControlTakesAGraph) {
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    EXPECT_FALSE(graph.Create(&d, 1372, document.GetFilter()));
    EXPECT_FALSE(graph.Create(&d, 999, document.GetFilter()));
    EXPECT_EQ(graph.CreateWMF("Nothing"), 0);
  });
}

TEST_F(GraphWindowTest, CreateWMFWritesTheShownGraphAsAPicture) {
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    ASSERT_TRUE(graph.Create(&d, 1361, document.GetFilter()));
    document.AddPoint({0.0, 1.0});
    EXPECT_EQ(graph.CreateWMF("SpeedTuning"), 1);
  });
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "SpeedTuning.svg"));
}

}  // namespace
