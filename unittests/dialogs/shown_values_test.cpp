// Every value a person types into the Drive Setup or the Advanced dialog
// shows, as soon as the edit is left, the value the drive will use: the one
// the registers computed from it give back, which is what the next opening
// of any dialog would show.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialogs/advanced_dialog.h"
#include "dialogs/drive_setup_dlg.h"
#include "engine/sequences.h"
#include "kernel/name_key.h"
#include "platform/user_actions.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace dialogtest {
namespace {

struct TypedValue {
  const char* name;   // the parameter the edit is bound to
  const char* typed;  // nullptr: the edit only shows a value

  // What the edit must show at once, where the quantisation is known.
  std::optional<std::string> shown{};
};

// Every parameter the two dialogs bind to an edit.
const std::vector<TypedValue> kDriveSetupValues = {
    {"UOFFSET", nullptr},
    {"KOMEGA", nullptr},
    {"Kphase", nullptr},
    {"Vdc", "36.6"},
    {"IlimPS", "2.3456"},
    {"RunCurrent", "1.2345"},
    {"StandByCurrent", "0.5678"},
    {"StandByCurrentTime", "0.01234"},
    {"Limit_Speed", "12.3456"},
    {"Kp_C_scl", "1.5", "1.49998"},
    {"Ki_C_scl", "0.123456"},
    {"Kp_S_scl", "7.7777"},
    {"Ki_S_scl", "0.33333"},
    {"IPSatS", "33.3333"},
    {"KFFA_scl", "5000", "4999.90258"},
    {"KFFS_scl", "3", "2.99997"},
    {"Kp_P_scl", "12.3456"},
    {"Ki_P_scl", "0.0123456"},
    {"Kd_P_scl", "45.6789"},
    {"filter_D", "0.33333"},
    {"IPSatP", "66.6666"},
    {"Limit_Acceleration", "123.456"},
    {"ErrMaxUser", "0.123456"},
    {"TonPosOkUser", "0.01234"},
    {"NoMicroStepsPerStep", "32"},
    {"Imax_Prot", "2.3456"},
    {"time_Imax_Prot", "0.01234"},
    {"ERR_position", "0.123456"},
    {"time_ERR_pos", "0.01234"},
    {"ERR_speed", "12.3456"},
    {"time_ERR_spd", "0.01234"},
    {"I_I2t_M", "2.3456"},
    {"t_I2t_M", "12.3456"},
    {"Negative_SWLS", "-1.23456"},
    {"Positive_SWLS", "1.23456"},
    {"PosRange_Minimum", "-1.23456"},
    {"PosRange_Maximum", "1.23456"},
    {"MotionCompleteSettleBand", "0.0123456"},
    {"MotionCompleteStabilizeTime", "0.01234"},
};

const std::vector<TypedValue> kAdvancedValues = {
    {"PWM_freq", "33.3333"},
    {"CLPER", "3"},
    {"SLPER", "13"},
    {"PhaseAdvance_speed", "12.3456"},
    {"FreezeControl_errband", "0.0123456"},
    {"FreezeControl_time", "0.01234"},
    {"Ts_C", nullptr},
    {"Ts_S", nullptr},
    {"PWMperiod", nullptr},
};

// A setup for the dialog to open on: an example with some user values set,
// brought to the registers as an opener would.
struct Arrangement {
  const char* label;
  std::string_view example;
  std::map<std::string, double> values;
};

// Protections, limits and ranges switched on so that their edits take input.
const std::map<std::string, double> kEverythingOn = {
    {"isOverCurrent", 1},  {"isPositionControlError", 1}, {"isSpeedControlError", 1}, {"isMotori2t", 1},
    {"isSWLS", 1},         {"isPosRange", 1},             {"isLimitAcceleration", 1}, {"isFreezeControl", 1},
    {"MotionCompleteType", 0}, {"MotionCompleteDefaultSettings", 0},
};

std::map<std::string, double> With(std::map<std::string, double> more) {
  std::map<std::string, double> values = kEverythingOn;
  for (const auto& [name, value] : more) values[name] = value;
  return values;
}

class ShownValues : public DialogTest {
 protected:
  void Arrange(const Arrangement& arrangement) {
    UseExample(arrangement.example);
    for (const auto& [name, value] : arrangement.values) SetBase(name, value);
    RunOpenerSequences();
  }

  // Types each listed value into every edit bound to it that a person can
  // reach on `dialog`, and checks after each that every bound edit shows
  // what the registers give back. Returns the names typed.
  std::set<std::string> TypeEverything(CVX_EditSetupDlg& dialog, const std::vector<TypedValue>& values) {
    std::set<std::string> typed;
    for (const CVX_EditSetupDlg::BoundEdit& edit : dialog.BoundEdits()) {
      const auto row = std::find_if(values.begin(), values.end(),
                                    [&](const TypedValue& v) { return kernel::SameName(v.name, edit.name); });
      if (row == values.end()) {
        ADD_FAILURE() << edit.name << " is bound to an edit but has no row";
        continue;
      }
      const auto state = platform::ReadControl(dialog, edit.editId);
      if (!row->typed || !state || !state->visible || !state->enabled) continue;
      SCOPED_TRACE(edit.name);
      const platform::ActionResult action = platform::TypeInto(dialog, edit.editId, row->typed);
      EXPECT_TRUE(action.ok) << action.error;
      if (row->shown) {
        EXPECT_EQ(platform::ReadControl(dialog, edit.editId)->text, *row->shown);
      }
      ExpectEveryEditShowsTheDrivesValue(dialog);
      typed.insert(row->name);
    }
    return typed;
  }

  // The round trip an opener runs, then a full refresh: no edit on view may
  // change. (A hidden edit may keep a value the present mode takes from
  // another one: the correction delay and the error time share a register.)
  void ExpectEveryEditShowsTheDrivesValue(CVX_EditSetupDlg& dialog) {
    const auto edits = dialog.BoundEdits();
    std::vector<platform::ControlState> before;
    for (const auto& edit : edits) before.push_back(*platform::ReadControl(dialog, edit.editId));
    RunOpenerSequences();
    dialog.RefreshAllParameters();
    for (size_t i = 0; i < edits.size(); ++i) {
      if (!before[i].visible) continue;
      EXPECT_EQ(platform::ReadControl(dialog, edits[i].editId)->text, before[i].text) << "edit of " << edits[i].name;
    }
  }

  // Opens `open`'s dialog on each arrangement and types every value it can
  // reach; every row must have been typed somewhere.
  template <class Dialog>
  void TypeIntoEveryArrangement(const std::vector<Arrangement>& arrangements, const std::vector<TypedValue>& values) {
    std::set<std::string> typed;
    for (const Arrangement& arrangement : arrangements) {
      SCOPED_TRACE(arrangement.label);
      Arrange(arrangement);
      Dialog dialog(setup.get());
      platform::UserScript script;
      script.Call([&](CDialog&) { typed.merge(TypeEverything(dialog, values)); }).Click(IDCANCEL);
      const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
      EXPECT_TRUE(run.ok) << run.failure;
    }
    for (const TypedValue& row : values) {
      if (row.typed) {
        EXPECT_TRUE(typed.count(row.name)) << row.name << " was never typed";
      }
    }
  }
};

TEST_F(ShownValues, DriveSetupEditsShowTheDrivesValueAtOnce) {
  TypeIntoEveryArrangement<CDriveSetupDlg>(
      {
          {"closed loop, position on the speed loop", kClosedLoopIncremental, With({})},
          {"closed loop, speed control", kClosedLoopIncremental, With({{"ControlMode", 1}})},
          {"open loop", kOpenLoop, With({})},
          // The correction window is the settle band while motion complete
          // follows the drive's own band.
          {"open loop, load encoder, correction", kOpenLoopLoadEncoder,
           With({{"LoadSensorType", 1}, {"SOLmodeEncOnLoad", 1}, {"MotionCompleteType", 1}})},
          {"open loop, load encoder, position loop", kOpenLoopLoadEncoder, With({{"LoadSensorType", 1}})},
      },
      kDriveSetupValues);
}

TEST_F(ShownValues, AdvancedEditsShowTheDrivesValueAtOnce) {
  TypeIntoEveryArrangement<CAdvancedDialog>(
      {
          {"closed loop", kClosedLoopIncremental, With({})},
          {"open loop", kOpenLoop, With({})},
      },
      kAdvancedValues);
}

}  // namespace
}  // namespace dialogtest
