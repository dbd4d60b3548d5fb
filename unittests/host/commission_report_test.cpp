#include "host/commission_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "unittests/support/xml_check.h"

namespace host {
namespace {

CommissionSummary Sample() {
  CommissionSummary summary{.setupName = "motor <A&B>", .succeeded = true, .steps = {}, .measured = {}};
  summary.measured.push_back({"R", "0.9 Ohm", "1.02 Ohm"});
  summary.steps.push_back({.title = "Resistance and inductance",
                           .succeeded = true,
                           .errorText = {},
                           .choices = {"TestCurrent = 1.4 A: half the rated current"},
                           .values = {{"Phase resistance", "0.9", "1.02"}},
                           .pictures = {},
                           .data = {}});
  summary.steps.push_back({.title = "Speed controller tuning",
                           .succeeded = false,
                           .errorText = "Test failed!\nCurrent protection triggered during test!",
                           .choices = {},
                           .values = {},
                           .pictures = {"SpeedTuning.svg"},
                           .data = {"SpeedTuning.csv"}});
  return summary;
}

TEST(CommissionReport, OnePageWithEveryStepItsValuesAndPlots) {
  const std::string html = CommissionReportHtml(Sample());
  EXPECT_NE(html.find("motor &lt;A&amp;B&gt;"), std::string::npos) << "names are escaped";
  EXPECT_EQ(html.find("<A&B>"), std::string::npos);
  EXPECT_NE(html.find("<td>Phase resistance</td><td>0.9</td><td>1.02</td>"), std::string::npos);
  EXPECT_NE(html.find("<img src=\"SpeedTuning.svg\""), std::string::npos);
  EXPECT_NE(html.find("href=\"SpeedTuning.csv\""), std::string::npos);
  EXPECT_NE(html.find("Current protection triggered"), std::string::npos);
  // Everything but the doctype is well-formed markup.
  const auto xml = testsupport::CheckXml(html.substr(html.find("<html")));
  EXPECT_TRUE(xml.ok) << xml.error;
  EXPECT_EQ(xml.Count("section"), 2);
}

TEST(CommissionReport, WrittenIntoItsDirectory) {
  const auto dir = std::filesystem::temp_directory_path() / "drivesetup_commission_report_test";
  std::filesystem::remove_all(dir);
  ASSERT_FALSE(WriteCommissionReport(dir / "nested", Sample()));
  std::ifstream in(dir / "nested" / "index.html");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), CommissionReportHtml(Sample()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace host
