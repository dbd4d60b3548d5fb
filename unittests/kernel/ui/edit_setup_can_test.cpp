#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/setup.h"
#include "kernel/setup_file.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "unittests/support/environment.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/ui_resources.h"

namespace {

enum : int { kBaudRate = 10021, kCANopenSettings = 10022, kOtherCombo = 130 };

constexpr char kTemplate[] = R"({
  "id": 9120, "caption": "CAN Test", "w": 300, "h": 120,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 240, "y": 100, "w": 50, "h": 14, "style": ["default"]},
    {"class": "group", "text": "CANbus", "x": 5, "y": 5, "w": 150, "h": 50},
    {"id": 10021, "class": "combo", "x": 10, "y": 18, "w": 70, "h": 80},
    {"id": 10022, "class": "button", "text": "CANopen settings...", "x": 10, "y": 36, "w": 80, "h": 14}
  ]
})";

constexpr char kTemplateWithoutCAN[] = R"({
  "id": 9121, "caption": "No CAN Test", "w": 300, "h": 120,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 240, "y": 100, "w": 50, "h": 14, "style": ["default"]},
    {"id": 130, "class": "combo", "x": 10, "y": 18, "w": 70, "h": 80}
  ]
})";

constexpr char kCANopenText[] =
    "The CANopen identity of the drive is its axis ID and its CAN baud rate, both set in this dialog.\n\n"
    "The other CANopen settings (process data mapping, heartbeat, SYNC) are written by the CANopen master when "
    "it starts the drive; the setup holds none of them.";

class CANSettingsTest : public ::testing::Test {
 protected:
  // Opens a dialog that enables the CANbus group before it is shown, as the
  // setup dialogs do from their constructors.
  void Run(platform::UserScript& script, UINT templateId = 9120) {
    CVX_EditSetupDlg dialog(&setup, templateId, 1, {});
    dialog.EnableCANSettings();
    script.Click(IDOK);
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
  }

  testsupport::ScopedTemplates templates{kTemplate, kTemplateWithoutCAN};
  CVX_Setup setup;
  testsupport::ErrorCapture errors;
};

TEST_F(CANSettingsTest, ComboShowsTheDefaultWithoutStoringIt) {
  platform::UserScript script;
  script.Expect(kBaudRate, {.text = "500 kbps"});
  Run(script);
  EXPECT_FALSE(setup.HasOption(kernel::kCANBaudRateOption));
}

TEST_F(CANSettingsTest, ChoosingARateStoresItAtOnceAndTheNextOpeningShowsIt) {
  platform::UserScript script;
  script.Select(kBaudRate, "1000 kbps").Call([this](CDialog&) {
    EXPECT_EQ(setup.GetOptionNoError(kernel::kCANBaudRateOption), "1000");
  });
  Run(script);
  EXPECT_EQ(kernel::CANBaudRateKbps(setup), 1000);

  // The rate travels with the setup file.
  const std::unique_ptr<CVX_Setup> example = testsupport::LoadExample("two_phase_open_loop");
  ASSERT_TRUE(example);
  example->SetOption(kernel::kCANBaudRateOption, "125");
  const kernel::SetupLoadResult reread = kernel::ParseSetup(kernel::SerializeSetup(*example));
  ASSERT_TRUE(reread.ok()) << reread.ErrorText();
  EXPECT_EQ(kernel::CANBaudRateKbps(*reread.setup), 125);
  setup.SetOption(kernel::kCANBaudRateOption, "125");
  platform::UserScript again;
  again.Expect(kBaudRate, {.text = "125 kbps"});
  Run(again);
}

TEST_F(CANSettingsTest, AStoredTextThatIsNoRateSelectsNothing) {
  for (const char* stored : {"300", "500k", "", " 500", "99999999999"}) {
    setup.SetOption(kernel::kCANBaudRateOption, stored);
    EXPECT_EQ(kernel::CANBaudRateKbps(setup), std::nullopt) << stored;
    platform::UserScript script;
    script.Expect(kBaudRate, {.text = ""});
    Run(script);
    EXPECT_EQ(setup.GetOptionNoError(kernel::kCANBaudRateOption), stored);
  }
}

TEST_F(CANSettingsTest, CANopenButtonExplainsWhereThoseSettingsLive) {
  platform::UserScript script;
  script.Click(kCANopenSettings).Answer(kCANopenText, IDOK);
  Run(script);
}

TEST_F(CANSettingsTest, ATemplateWithoutTheGroupIsLeftAlone) {
  platform::UserScript script;
  script.Expect(kOtherCombo, {.text = ""}).Call([](CDialog& d) {
    EXPECT_TRUE(platform::ReadControl(d, kOtherCombo)->items.empty());
  });
  Run(script, 9121);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_TRUE(setup.GetOptions().empty());
}

}  // namespace
