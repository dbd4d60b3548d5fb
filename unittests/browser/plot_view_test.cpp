#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "browser/dialog_view.h"
#include "kernel/plot_files.h"
#include "kernel/ui/graph_window.h"
#include "platform/ui.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/environment.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9102, "caption": "Plot", "w": 200, "h": 120,
  "controls": [
    {"id": 1361, "class": "graph", "x": 5, "y": 5, "w": 190, "h": 90},
    {"id": 2, "class": "button", "text": "Close", "x": 140, "y": 100, "w": 50, "h": 14}
  ]})";

class PlotView : public ::testing::Test {
 protected:
  void SetUp() override {
    document.SetColumns({{"Time", "s"}, {"IQ", "A"}});
    document.GetFilter().AddCurve(CXYCurve(0, 1, 1, 2, 2));
  }

  static void Inside(const std::function<void(CDialog&)>& check) { testsupport::InsideDialog(9102, check); }

  static const browser::Json& GraphControl(const browser::DialogView& view) {
    for (const browser::Json& control : view.dialogs.back()["controls"])
      if (control["id"] == 1361) return control;
    static const browser::Json none;
    return none;
  }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::ScopedVirtualClock time;
  CGraphDocument document;
};

TEST_F(PlotView, ShowsOnlyThePointsTheWindowHasDrawn) {
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    ASSERT_TRUE(graph.Create(&d, 1361, document.GetFilter()));
    browser::DialogViewer viewer;
    document.AddPoint({0.0, 1.0});
    document.AddPoint({0.1, 2.0});
    graph.UpdateLastPoint();
    document.AddPoint({0.2, 3.0});  // uploaded, not drawn yet

    const browser::DialogView view = viewer.View({&d});
    const browser::Json& control = GraphControl(view);
    ASSERT_TRUE(control.contains("plot")) << control.dump();
    const std::string key = control["plot"]["key"];
    EXPECT_EQ(key, browser::PlotKey(d.GetModalSerial(), 1361));
    EXPECT_EQ(control["plot"]["points"], 2);
    ASSERT_EQ(view.plots.count(key), 1u);
    const std::string csv = view.plots.at(key)->Csv();
    EXPECT_NE(csv.find("0.1"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("0.2"), std::string::npos) << csv;
    const std::string svg = view.plots.at(key)->Svg({400, 300});
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("IQ"), std::string::npos) << "the legend names the curve";
  });
}

TEST_F(PlotView, CopiesAPlotAgainOnlyWhenItsWindowDrewSomething) {
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    ASSERT_TRUE(graph.Create(&d, 1361, document.GetFilter()));
    browser::DialogViewer viewer;
    document.AddPoint({0.0, 1.0});
    graph.UpdateLastPoint();
    const browser::DialogView first = viewer.View({&d});
    const browser::DialogView same = viewer.View({&d});
    const std::string key = GraphControl(first)["plot"]["key"];
    EXPECT_EQ(first.plots.at(key), same.plots.at(key));
    EXPECT_EQ(GraphControl(first)["plot"]["stamp"], GraphControl(same)["plot"]["stamp"]);

    document.AddPoint({0.1, 2.0});
    graph.UpdateLastPoint();
    const browser::DialogView moved = viewer.View({&d});
    EXPECT_NE(moved.plots.at(key), first.plots.at(key));
    EXPECT_NE(GraphControl(moved)["plot"]["stamp"], GraphControl(first)["plot"]["stamp"]);
    EXPECT_EQ(GraphControl(moved)["plot"]["points"], 2);
    // The old copy is what a handler still drawing it holds: unchanged.
    EXPECT_EQ(first.plots.at(key)->PointCount(), 1u);
  });
}

TEST_F(PlotView, AGraphWithNothingToShowHasNoPlot) {
  Inside([&](CDialog& d) {
    browser::DialogViewer viewer;
    const browser::DialogView view = viewer.View({&d});
    EXPECT_FALSE(GraphControl(view).contains("plot"));
    EXPECT_TRUE(view.plots.empty());
    EXPECT_EQ(GraphControl(view)["class"], "graph");
  });
}

TEST_F(PlotView, ASinkTakesSavedPlotsInPlaceOfThePlotDirectory) {
  testsupport::TempDir dir;
  kernel::SetPlotDirectory(dir.path());
  std::vector<std::string> taken;
  kernel::SetPlotFileSink([&taken](const std::string& fileName, std::string_view text) {
    taken.push_back(fileName + ":" + std::string(text.substr(0, 4)));
    return std::string();
  });
  Inside([&](CDialog& d) {
    CGraphWindow graph;
    ASSERT_TRUE(graph.Create(&d, 1361, document.GetFilter()));
    document.AddPoint({0.0, 1.0});
    graph.UpdateLastPoint();
    EXPECT_NE(graph.CreateWMF("Current"), 0);
  });
  kernel::SetPlotFileSink({});
  kernel::SetPlotDirectory({});
  kernel::ForgetPlotFiles();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].substr(0, 12), "Current.svg:");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
