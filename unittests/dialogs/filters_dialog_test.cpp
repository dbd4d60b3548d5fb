// The Filters dialog played by a person: what each filter type asks for,
// the filters a firmware lacks, and what OK leaves in the drive's slots.

#include <string>
#include <vector>

#include "dialogs/filters_controls.h"
#include "dialogs/filters_dlg.h"
#include "engine/sequences.h"
#include "kernel/probe.h"
#include "kernel/setup_file.h"
#include "platform/resources.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace dialogtest {
namespace {

using filters::FilterControls;
using filters::kFilterControls;

const FilterControls& Filter(int k) { return kFilterControls[static_cast<std::size_t>(k - 1)]; }
std::string Name(const char* stem, int k) { return stem + std::to_string(k); }

class FiltersDialogTest : public DialogTest {
 protected:
  void Open(std::string_view example) {
    UseExample(example);
    RunOpenerSequences();
  }
  INT_PTR RunFilters(platform::UserScript& script) { return RunDialog<CFiltersDialog>(script); }
};

TEST_F(FiltersDialogTest, EveryControlOfEveryFilterIsInTheTemplate) {
  const platform::DialogTemplate* dialog = platform::CurrentResources().FindDialog(filters::kTemplateId);
  ASSERT_NE(dialog, nullptr);
  for (const FilterControls& c : kFilterControls)
    for (int id : {c.group, c.onOff, c.locationLabel, c.location, c.typeLabel, c.type, c.qLabel, c.q, c.frequencyLabel,
                   c.f1, c.f1Unit, c.f2, c.f2Unit})
      EXPECT_NE(dialog->FindControl(id), nullptr) << id;
}

TEST_F(FiltersDialogTest, TypeAndLocationListsCarryTheirIndices) {
  Open(kClosedLoopSsi);
  platform::UserScript script;
  script.Call([](CDialog& dialog) {
    EXPECT_EQ(Seen(dialog, Filter(1).type).items,
              (std::vector<std::string>{"Low Pass 1st order", "Low Pass 2nd order", "Notch", "High Pass", "Band Pass",
                                        "Lead-lag 1st order", "Lead-lag 2nd order"}));
    EXPECT_EQ(Seen(dialog, Filter(10).location).items,
              (std::vector<std::string>{"Position Controller Output", "Speed Controller Output", "Speed Feedback"}));
  });
  script.SelectData(Filter(1).type, 8).SelectData(Filter(1).location, 2).Click(IDOK);
  EXPECT_EQ(RunFilters(script), IDOK);
  EXPECT_EQ(Base("BQFilterType1"), 8.0);
  EXPECT_EQ(Base("BQFilterLocation1"), 2.0);
}

TEST_F(FiltersDialogTest, EachTypeAsksForWhatItNeeds) {
  struct Case {
    const char* type;
    bool leadLag;  // a lead and a lag frequency instead of a corner and Q
    bool q;        // Q is asked for
  };
  Open(kClosedLoopSsi);
  platform::UserScript script;
  script.Check(Filter(1).onOff, true).Expect(Filter(1).onOff, {.text = "On"});
  for (const Case c : {Case{"Low Pass 1st order", false, false}, Case{"Low Pass 2nd order", false, true},
                       Case{"Notch", false, true}, Case{"High Pass", false, true}, Case{"Band Pass", false, true},
                       Case{"Lead-lag 1st order", true, false}, Case{"Lead-lag 2nd order", true, false}}) {
    const FilterControls& f = Filter(1);
    script.Select(f.type, c.type)
        .Expect(f.frequencyLabel, {.text = c.leadLag ? "Lead Frequency" : "Frequency"})
        .Expect(f.qLabel, {.text = c.leadLag ? "Lag Frequency" : "Q"})
        .Expect(f.f2, {.visible = c.leadLag})
        .Expect(f.f2Unit, {.visible = c.leadLag})
        .Expect(f.q, {.visible = !c.leadLag});
    if (!c.leadLag) script.Expect(f.q, {.enabled = c.q});
  }
  script.Check(Filter(1).onOff, false)
      .Expect(Filter(1).onOff, {.text = "Off"})
      .Expect(Filter(1).type, {.enabled = false})
      .Expect(Filter(1).f1, {.enabled = false})
      .Expect(Filter(1).onOff, {.enabled = true})
      .Click(IDCANCEL);
  EXPECT_EQ(RunFilters(script), IDCANCEL);
}

TEST_F(FiltersDialogTest, FiltersTheFirmwareLacksStayGreyed) {
  struct Case {
    const char* maxFilters;  // the option; empty: absent (10)
    double fastLoop;         // "PosSpd_in_FastLoop"
    int available;
  };
  for (const Case c : {Case{"3", 0, 3}, Case{"0", 0, 0}, Case{"", 0, 10}, Case{"10", 1, 0}, Case{"12", 0, 10}}) {
    SCOPED_TRACE(std::string("MaxFilters '") + c.maxFilters + "' fast loop " + std::to_string(c.fastLoop));
    Open(kClosedLoopSsi);
    if (*c.maxFilters)
      setup->SetOption("MaxFilters", c.maxFilters);
    else
      setup->ClearOption("MaxFilters");
    SetBase("PosSpd_in_FastLoop", c.fastLoop);
    platform::UserScript script;
    script.Call([&](CDialog& dialog) {
      for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Seen(dialog, Filter(k).onOff).enabled, k <= c.available);
        if (k > c.available) {
          EXPECT_FALSE(Seen(dialog, Filter(k).group).enabled);
          EXPECT_FALSE(Seen(dialog, Filter(k).f1).enabled);
        }
      }
    });
    script.Click(IDOK);
    EXPECT_EQ(RunFilters(script), IDOK);
    if (c.available == 0) {
      // The designer writes the three chains empty.
      RunOpenerSequences();
      for (const char* chain : {"SPDREF_BQ_INI", "IQREF_BQ_INI", "ASPD_BQ_INI"}) EXPECT_EQ(Base(chain), 0.0) << chain;
    }
  }
}

TEST_F(FiltersDialogTest, ALockedDialogShowsTheSettingsOnly) {
  Open(kClosedLoopSsi);
  ASSERT_EQ(Base("BQFilter1"), 1.0);
  platform::UserScript script;
  script.Expect(Filter(1).onOff, {.text = "On", .enabled = false})
      .Expect(Filter(1).type, {.enabled = false})
      .Expect(Filter(1).group, {.enabled = true})
      .Click(IDOK);
  CFiltersDialog dialog(setup.get(), 1);
  const platform::ScriptRun run = Run(script, [&dialog] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
}

// Filters 1 and 3 on the speed feedback and filter 2 at the position
// controller output: the slots hold filter 2, then 1, then 3.
TEST_F(FiltersDialogTest, FiltersTakeTheSlotsOfTheirPlacesInOrder) {
  for (const std::string_view example : {kClosedLoopSsi, kOpenLoop}) {  // floating and fixed point
    SCOPED_TRACE(example);
    Open(example);
    platform::UserScript script;
    for (int k = 1; k <= 10; ++k) script.Check(Filter(k).onOff, false);
    script.Check(Filter(1).onOff, true)
        .Select(Filter(1).location, "Speed Feedback")
        .Select(Filter(1).type, "Low Pass 2nd order")
        .Type(Filter(1).f1, "150")
        .Check(Filter(2).onOff, true)
        .Select(Filter(2).location, "Position Controller Output")
        .Select(Filter(2).type, "Notch")
        .Type(Filter(2).f1, "300")
        .Check(Filter(3).onOff, true)
        .Select(Filter(3).location, "Speed Feedback")
        .Select(Filter(3).type, "Lead-lag 1st order")
        .Type(Filter(3).f1, "40")
        .Type(Filter(3).f2, "90")
        .Click(IDOK);
    const platform::ScriptRun run = Run(script, [this] { return dialogs::EditFilters(*setup); });
    ASSERT_TRUE(run.ok) << run.failure;
    ASSERT_EQ(run.result, IDOK);
    EXPECT_EQ(Base("SPDREF_BQ_INI"), 1.0);
    EXPECT_EQ(Base("IQREF_BQ_INI"), 0.0);
    EXPECT_EQ(Base("ASPD_BQ_INI"), 2.0);

    // Each slot holds what its filter gives when it is the only one.
    const std::string b0 = kernel::HasParameter(*setup, "BQ1B0") ? "B0" : "B0_F";
    const auto alone = [&](int k) {
      std::unique_ptr<CVX_Setup> single = std::make_unique<CVX_Setup>(*setup);
      for (int other = 1; other <= 10; ++other)
        single->SetParameterValueInBaseUnit(Name("BQFilter", other), other == k ? 1.0 : 0.0);
      engine::ComputeRegisterParameters(*single);
      return single->GetParameterValueInInternalUnit("BQ1" + b0);
    };
    EXPECT_EQ(Internal("BQ1" + b0), alone(2));
    EXPECT_EQ(Internal("BQ2" + b0), alone(1));
    EXPECT_EQ(Internal("BQ3" + b0), alone(3));
    EXPECT_NE(alone(1), alone(3));
  }
}

TEST_F(FiltersDialogTest, CancelLeavesTheSetupExactlyAsItCame) {
  UseExample(kClosedLoopSsi);
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript script;
  script.Check(Filter(2).onOff, true)
      .Select(Filter(2).type, "Band Pass")
      .Type(Filter(2).f1, "75")
      .Type(Filter(2).q, "3")
      .Click(IDCANCEL);
  const platform::ScriptRun run = Run(script, [this] { return dialogs::EditFilters(*setup); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(SameSetup(before, *setup));
}

}  // namespace
}  // namespace dialogtest
