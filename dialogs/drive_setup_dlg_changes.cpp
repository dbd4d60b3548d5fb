// The Drive Setup dialog: the parameters it keeps consistent after an edit.

#include <cmath>
#include <string>

#include "dialogs/drive_setup_dlg.h"
#include "dialogs/drive_setup_values.h"
#include "engine/config_words_control.h"
#include "engine/controller_saturations.h"
#include "engine/motion_units.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/sequences.h"
#include "kernel/name_key.h"

using drivesetup::Has;
using drivesetup::IntValue;
using kernel::SameName;

namespace {

// An acceleration limit switched on without a value starts at ten drive
// units (microsteps per slow-loop sample squared).
constexpr double kDefaultAccelerationLimit = 10.0;

void SetBaseIfPresent(CVX_Setup& setup, std::string_view name, double value) {
  if (Has(setup, name)) engine::WriteBase(setup, name, value);
}

}  // namespace

void CDriveSetupDlg::OnChangedParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  if (SameName(name, "ControlMode")) {
    if (Has(setup, "SpeedForward")) engine::ApplySpeedForwardRule(setup);
    if (IntValue(setup, "ControlMode") != 0) {
      // Outside position control the drive takes no master/slave gearing
      // reference and only the analogue one.
      SetBaseIfPresent(setup, "GEARMASTER", 1.0);
      SetBaseIfPresent(setup, "GEARSLAVE", 1.0);
      SetBaseIfPresent(setup, "isAnalogueReference", 1.0);
      RefreshAllParameters();
    }
  } else if (SameName(name, "ExternalReference")) {
    if (IntValue(setup, "ExternalReference") == 0 && Has(setup, "isAutoActivatedAfterPowerOn")) {
      engine::WriteBase(setup, "isAutoActivatedAfterPowerOn", 0.0);
      RefreshParameterControls("isAutoActivatedAfterPowerOn");
    }
  } else if (SameName(name, "Negative_SWLS") || SameName(name, "Positive_SWLS")) {
    // The limit being edited is pulled to the other one.
    const auto negative = engine::Base(setup, "Negative_SWLS");
    const auto positive = engine::Base(setup, "Positive_SWLS");
    if (negative && positive && *negative > *positive) {
      if (SameName(name, "Negative_SWLS"))
        engine::WriteBase(setup, "Negative_SWLS", *positive);
      else
        engine::WriteBase(setup, "Positive_SWLS", *negative);
      RefreshParameterControls(name);
    }
  } else if (SameName(name, "StartMode")) {
    UpdateData(FALSE);
  } else if (SameName(name, "NoMicroStepsPerStep")) {
    if (IntValue(setup, "NoMicroStepsPerStep", 1) <= 0) {
      engine::WriteBase(setup, "NoMicroStepsPerStep", 1.0);
      RefreshParameterControls("NoMicroStepsPerStep");
    }
  }
  CMySetupDlg::OnChangedParameterValue(name);
}

void CDriveSetupDlg::OnRefreshParameterValue(const std::string& name) {
  if (SameName(name, "NoMicroStepsPerStep"))
    OnMicrostepsRefreshed();
  else if (SameName(name, "Limit_Speed"))
    OnLimitSpeedRefreshed();
  else if (SameName(name, "InputsPolarityType"))
    OnInputsPolarityTypeRefreshed();
  else if (SameName(name, "Limit_Acceleration") || SameName(name, "isLimitAcceleration"))
    OnAccelerationLimitRefreshed();
  else if (SameName(name, "RunCurrent"))
    OnRunCurrentRefreshed();
  else if (SameName(name, "StandByCurrent"))
    OnStandByCurrentRefreshed();
  else if (SameName(name, "Vdc"))
    UpdateData(FALSE);  // the voltage-control warning follows the supply

  if (SameName(name, "MotionCompleteSettleBand") || SameName(name, "MotionCompleteStabilizeTime")) {
    // A value of the user's own replaces the drive's defaults.
    engine::WriteBase(*GetSetup(), "MotionCompleteDefaultSettings", 0.0);
    UpdateData(FALSE);
  }
  CMySetupDlg::OnRefreshParameterValue(name);
}

void CDriveSetupDlg::OnMicrostepsRefreshed() {
  CVX_Setup& setup = *GetSetup();
  RefreshParameterControls("NoMicroStepsPerStep");
  const auto entered = engine::Base(setup, "NoMicroStepsPerStep");
  if (!entered) return;
  if (engine::PowerOfTwoMicrosteps(*entered).messageDue)
    AfxMessageBox(engine::kMicrostepPowerOfTwoMessage, MB_OK | MB_ICONWARNING);
  // Stores the accepted count and the voltage-control speed gain for it.
  engine::ApplyMicrostepRule(setup);
  RefreshParameterControls("NoMicroStepsPerStep");
  RefreshParameterControls("KOMEGA");
  // The step units were rebuilt for the count as entered; rebuild them for
  // the count the drive will use.
  if (engine::Base(setup, "NoMicroStepsPerStep") != entered) CMySetupDlg::OnChangedParameterValue("NoMicroStepsPerStep");
}

void CDriveSetupDlg::OnLimitSpeedRefreshed() {
  CVX_Setup& setup = *GetSetup();
  engine::ComputeSATP(setup);
  engine::RecoverLimit_Speed(setup);
  engine::UpdateParameterLimits(setup);
  RefreshAllParameters();
}

void CDriveSetupDlg::OnInputsPolarityTypeRefreshed() {
  CVX_Setup& setup = *GetSetup();
  // The other input type reads the same wiring with the opposite levels.
  for (const char* polarity : {"EnablePolarity", "LSNPolarity", "LSPPolarity"})
    if (const auto value = engine::Base(setup, polarity)) engine::WriteBase(setup, polarity, *value == 0.0 ? 1.0 : 0.0);
  ShowInputsPolarityCaptions(IntValue(setup, "InputsPolarityType") == 1);
  RefreshAllParameters();
  UpdateData(FALSE);
}

void CDriveSetupDlg::OnAccelerationLimitRefreshed() {
  CVX_Setup& setup = *GetSetup();
  const auto limit = engine::Base(setup, "Limit_Acceleration");
  const auto scale = engine::StepAccelerationScale(setup);
  if (IntValue(setup, "isLimitAcceleration") == 1 && limit && std::trunc(*limit) == 0.0 && scale)
    engine::WriteBase(setup, "Limit_Acceleration", kDefaultAccelerationLimit / std::fabs(*scale));
  engine::ComputeACC_LIMIT(setup);
  engine::RecoverLimit_Acceleration(setup);
  engine::RecoverIsLimitAcceleration(setup);
  RefreshParameterControls("Limit_Acceleration");
  RefreshParameterControls("isLimitAcceleration");
  UpdateData(FALSE);
}

void CDriveSetupDlg::OnRunCurrentRefreshed() {
  CVX_Setup& setup = *GetSetup();
  CVX_Parameter* standBy = engine::Find(setup, "StandByCurrent");
  const auto run = engine::Base(setup, "RunCurrent");
  if (standBy && run && engine::SetParameterLimits(standBy, standBy->GetMinimum(), *run)) {
    // A new maximum does not clip the stored value by itself.
    if (standBy->GetValueInBaseUnit() > *run) engine::WriteBase(standBy, *run);
  }
  RefreshParameterControls("RunCurrent");
  RefreshParameterControls("StandByCurrent");
  UpdateData(FALSE);
}

void CDriveSetupDlg::OnStandByCurrentRefreshed() {
  CVX_Setup& setup = *GetSetup();
  if (!Has(setup, "SOL_controller_mode")) return;
  // The voltage that holds the stand-by current: the identified offset plus
  // the resistive drop, in the units of the voltage boost.
  const auto offset = engine::Internal(setup, "V_UI_U_test");
  const auto resistance = engine::Internal(setup, "V_UI_R_test");
  const auto boost = engine::Internal(setup, "Kphase");
  const auto countsPerAmpere = engine::CurrentScale(setup);
  const auto standBy = engine::Base(setup, "StandByCurrent");
  if (!offset || !resistance || !boost || !countsPerAmpere || !standBy || *boost == 0.0) return;
  engine::WriteInternal(setup, "USTBYCRT", (*offset + *resistance * *countsPerAmpere * *standBy) / *boost);
}
