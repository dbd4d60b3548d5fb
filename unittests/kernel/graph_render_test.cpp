#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "drive_link_fake.h"
#include "kernel/coff_format.h"
#include "kernel/graph_render.h"
#include "kernel/logger.h"
#include "kernel/plot_files.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "scale_fixture.h"
#include "support/xml_check.h"
#include "unittests/support/environment.h"
#include "unittests/support/kernel_errors.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size()) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class GraphRender : public ::testing::Test {
 protected:
  void SetUp() override {
    document.SetColumns({{"Time", "s"}, {"Current_Reference", "A", 0.001}, {"Motor_Current", "A", 0.001},
                         {"Voltage_Reference", "V & <more>"}});
    for (int k = 0; k < 50; ++k) document.AddPoint({k * 1e-4, 1000.0 * (k > 5), 900.0 * (k > 7), k * 3.0});
    CGraphFilter& filter = document.GetFilter();
    filter.AddCurve(CXYCurve(0, 1, 1, 2, 2));
    filter.AddCurve(CXYCurve(0, 3, 2, 8, 2));
    filter.AddCurve(CXYCurve(0, 2, 1, 5, 2));
    filter.ZoomOut();
  }
  CGraphDocument document;
};

TEST_F(GraphRender, TheSvgIsXmlWithOnePolylinePerCurveInItsPaletteColour) {
  const testsupport::XmlCheck svg = testsupport::CheckXml(kernel::RenderGraphSvg(document.GetFilter()));
  ASSERT_TRUE(svg.ok) << svg.error;
  EXPECT_EQ(svg.elements.front().name, "svg");
  ASSERT_EQ(svg.Count("polyline"), 3);
  std::vector<std::string> strokes;
  for (const auto& e : svg.elements) {
    if (e.name != "polyline") continue;
    strokes.push_back(e.attributes.at("stroke"));
    EXPECT_EQ(e.attributes.at("stroke-width"), "2");
    EXPECT_EQ(Split(e.attributes.at("points"), " ").size(), 50u) << "one vertex per point";
  }
  EXPECT_EQ(strokes, (std::vector<std::string>{kernel::PaletteColour(2), kernel::PaletteColour(8),
                                               kernel::PaletteColour(5)}));
}

TEST_F(GraphRender, TheSvgNamesTheAxesAndTheCurvesWithTheirUnits) {
  const testsupport::XmlCheck svg = testsupport::CheckXml(kernel::RenderGraphSvg(document.GetFilter()));
  ASSERT_TRUE(svg.ok) << svg.error;
  const auto has = [&](const std::string& text) {
    return std::find(svg.texts.begin(), svg.texts.end(), text) != svg.texts.end();
  };
  EXPECT_TRUE(has("Time [s]"));
  EXPECT_TRUE(has("Current_Reference [A], Motor_Current [A]")) << "the left axis";
  EXPECT_TRUE(has("Voltage_Reference [V & <more>]")) << "the right axis, escaped in the file";
  EXPECT_TRUE(has("Motor_Current [A]")) << "the legend";
  EXPECT_TRUE(has("Voltage_Reference [V & <more>] (right axis)"));
  EXPECT_TRUE(has("1")) << "a tick label of the left axis";
}

TEST_F(GraphRender, PointsWithoutAFiniteValueAreLeftOutOfTheirPolyline) {
  document.AddPoint({0.006, kNaN, 1, 1});
  document.AddPoint({kNaN, 1, 1, 1});
  const testsupport::XmlCheck svg = testsupport::CheckXml(kernel::RenderGraphSvg(document.GetFilter()));
  ASSERT_TRUE(svg.ok) << svg.error;
  for (const auto& e : svg.elements) {
    if (e.name != "polyline") continue;
    EXPECT_LE(Split(e.attributes.at("points"), " ").size(), 51u);
    EXPECT_EQ(e.attributes.at("points").find("nan"), std::string::npos);
  }
}

TEST_F(GraphRender, AnEmptyGraphIsStillAPicture) {
  CGraphDocument empty;
  const testsupport::XmlCheck svg = testsupport::CheckXml(kernel::RenderGraphSvg(empty.GetFilter(), {10, 10}));
  ASSERT_TRUE(svg.ok) << svg.error;
  EXPECT_EQ(svg.Count("polyline"), 0);
  EXPECT_GE(std::stoi(svg.elements.front().attributes.at("width")), 100) << "too small a size grows";
}

TEST_F(GraphRender, TheCsvHasATitledColumnPerVariableHoldingTheShownValues) {
  document.AddPoint({0.006, kNaN, 1, 1});
  const std::vector<std::string> lines = Split(kernel::RenderGraphCsv(document), "\r\n");
  ASSERT_EQ(lines.size(), 1u + 51u + 1u) << "header, points, and the end of the last line";
  EXPECT_EQ(lines[0], "Time [s],Current_Reference [A],Motor_Current [A],Voltage_Reference [V & <more>]");
  for (std::size_t k = 0; k < 50; ++k) {
    const std::vector<std::string> fields = Split(lines[k + 1], ",");
    ASSERT_EQ(fields.size(), 4u);
    for (int c = 0; c < 4; ++c) EXPECT_DOUBLE_EQ(std::stod(fields[c]), document.GetShownValue(k, c)) << k << " " << c;
  }
  EXPECT_EQ(lines[51], "0.006,,0.001,1") << "a value that is not a number is an empty field";
}

TEST(GraphCsv, TitlesWithCommasOrQuotesAreQuoted) {
  CGraphDocument document;
  document.SetColumns({{"a,b", "\"x\""}});
  EXPECT_EQ(Split(kernel::RenderGraphCsv(document), "\r\n")[0], "\"a,b [\"\"x\"\"]\"");
}

class PlotFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel::SetPlotDirectory(dir.path());
    kernel::ForgetPlotFiles();
  }
  void TearDown() override {
    kernel::SetPlotDirectory({});
    kernel::ForgetPlotFiles();
  }
  testsupport::TempDir dir;
};

TEST_F(PlotFiles, FilesGoToTheChosenDirectoryAndAreListedOnce) {
  ASSERT_TRUE(kernel::WritePlotFile("CurrentTuning", ".csv", "a\r\n"));
  ASSERT_TRUE(kernel::WritePlotFile("CurrentTuning", ".csv", "b\r\n"));
  ASSERT_TRUE(kernel::WritePlotFile("Current-Tuning_2", ".svg", "<svg/>"));
  EXPECT_EQ(ReadFile(dir.path() / "CurrentTuning.csv"), "b\r\n") << "replaced";
  const auto written = kernel::PlotFilesWritten();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], dir.path() / "CurrentTuning.csv");
}

TEST_F(PlotFiles, TheDirectoryComesFromTheHostThenTheEnvironment) {
  kernel::SetPlotDirectory({});
  testsupport::ScopedEnv env("DRIVESETUP_PLOTS_DIR", dir.path().string());
  EXPECT_EQ(kernel::PlotDirectory(), dir.path());
  testsupport::ScopedEnv none("DRIVESETUP_PLOTS_DIR", std::nullopt);
  EXPECT_EQ(kernel::PlotDirectory(), std::filesystem::path("."));
}

TEST_F(PlotFiles, NamesThatCouldLeaveTheDirectoryAreRefused) {
  testsupport::ErrorCapture errors;
  for (const char* name : {"", "../escape", "a/b", "a.b", "with space"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(kernel::WritePlotFile(name, ".svg", "x"));
  }
  EXPECT_FALSE(kernel::WritePlotFile(std::string(101, 'a'), ".svg", "x"));
  ASSERT_EQ(errors.errors.size(), 6u);
  EXPECT_NE(errors.errors[1].find("\"../escape\""), std::string::npos);
  EXPECT_TRUE(kernel::PlotFilesWritten().empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(PlotFiles, AnUnwritableDirectoryIsReportedAndLeavesNoFile) {
  testsupport::ErrorCapture errors;
  kernel::SetPlotDirectory(dir.path() / "missing");
  EXPECT_FALSE(kernel::WritePlotFile("SpeedTuning", ".svg", "x"));
  ASSERT_EQ(errors.errors.size(), 1u);
  EXPECT_NE(errors.errors[0].find("The plot \"SpeedTuning\" was not saved"), std::string::npos) << errors.errors[0];
  EXPECT_TRUE(kernel::PlotFilesWritten().empty());
}

// A logger's graph: what it uploads lands in its document, and SaveGraph
// writes the picture and the data of it.
TEST_F(PlotFiles, ALoggersSavedGraphHoldsWhatItUploadedInBaseUnits) {
  constexpr const char* kProgram = "Current_Controller_Tuning_Test_SOL";
  ScaleHook amps([](CVX_Setup*, const std::string& unit, const std::string&) { return unit == "A" ? 0.01 : 1.0; });
  FakeDriveInstalled link;
  CVX_Setup setup;
  setup.AddUnitFamily("A");
  setup.AddVariable("Current_Reference", 1)->InitUnit("A", "A");
  setup.AddVariable("Motor_Current", 1)->InitUnit("A", "A");
  CVX_CoffFormat coff(kernel::GetOutPathName(kProgram));
  ASSERT_NE(coff.ReadCoff(), 0) << coff.GetErrorText();
  CVX_SingleAxisLogger logger(setup, &coff);
  ASSERT_NE(logger.AddVariable("Current_Reference", 1), 0);
  ASSERT_NE(logger.AddVariable("Motor_Current", 1), 0);
  logger.GetGraphDocument().GetFilter().AddCurve(CXYCurve(0, 1, 1, 2, 2));
  logger.GetGraphDocument().GetFilter().AddCurve(CXYCurve(0, 2, 1, 5, 2));
  ASSERT_NE(kernel::ExecuteCode(setup, kProgram, coff, &logger, nullptr, nullptr), 0);
  link.drive.log = FakeDrive::MakeLog(200, 2);

  ASSERT_NE(logger.BeginOrContinueUploadData(), 0);
  std::vector<double> point;
  while (logger.ReadPoint(point)) {}
  ASSERT_EQ(logger.GetGraphDocument().GetPointCount(), 200u);
  ASSERT_NE(logger.SaveGraph("CurrentTuning"), 0);

  const testsupport::XmlCheck svg = testsupport::CheckXml(ReadFile(dir.path() / "CurrentTuning.svg"));
  ASSERT_TRUE(svg.ok) << svg.error;
  EXPECT_EQ(svg.Count("polyline"), 2);
  const std::vector<std::string> lines = Split(ReadFile(dir.path() / "CurrentTuning.csv"), "\r\n");
  ASSERT_EQ(lines.size(), 202u);
  EXPECT_EQ(lines[0], "Time [s],Current_Reference [A],Motor_Current [A]");
  for (std::size_t k = 0; k < 200; ++k) {
    const std::vector<std::string> fields = Split(lines[k + 1], ",");
    const kernel::LoggedPoint& logged = link.drive.log[k];
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_DOUBLE_EQ(std::stod(fields[0]), logged.time_s);
    EXPECT_DOUBLE_EQ(std::stod(fields[1]), logged.values[0] * 0.01);
    EXPECT_DOUBLE_EQ(std::stod(fields[2]), logged.values[1] * 0.01);
  }
  EXPECT_EQ(kernel::PlotFilesWritten().size(), 2u);
  // The data export of the graph's view writes the same table.
  ASSERT_NE(logger.GetGraphDocument().GetFilter().ExportToASCII("CurrentTuningData"), 0);
  EXPECT_EQ(ReadFile(dir.path() / "CurrentTuningData.csv"), ReadFile(dir.path() / "CurrentTuning.csv"));
}

}  // namespace
