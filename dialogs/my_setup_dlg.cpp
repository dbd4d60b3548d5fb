#include "dialogs/my_setup_dlg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <utility>

#include "engine/gain_registers.h"
#include "engine/parameter_limits.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "engine/step_units.h"
#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace {

using kernel::SameName;

// The families whose derived units follow the step units, in refresh order.
constexpr std::array<std::string_view, 8> kStepUnitFamilies{"rad",  "rad/s",  "rad/s^2", "rad/s^3",
                                                             "m",    "m/s",    "m/s^2",   "m/s^3"};

bool ChangesStepUnits(std::string_view name) {
  return SameName(name, "NoMotorSteps") || SameName(name, "NoMicroStepsPerStep") ||
         SameName(name, "StepperControlType");
}

// The acceleration feed-forward has two shifts and no row of its own in the
// scaled-gain table.
void RoundTripAccelerationFeedForward(CVX_Setup& setup) {
  engine::ComputeSFTKFF(setup);
  engine::ComputeKFFA(setup);
  engine::ComputeSFTAFFW(setup);
  engine::RecoverKFFA_scl(setup);
}

// "MAX_CURRENT" may not exceed the smaller of the motor's and the drive's
// nominal current.
void LimitMaxCurrent(CVX_EditSetupDlg& dialog, CVX_Setup& setup) {
  CVX_Parameter* maxCurrent = kernel::ProbeParameter(setup, "MAX_CURRENT");
  const auto motor = engine::Base(setup, "In");
  const auto drive = engine::Base(setup, "InPS");
  if (!maxCurrent || !motor || !drive) return;
  engine::SetParameterLimits(maxCurrent, 0.0, std::min(*motor, *drive));
  // A value above the new maximum would otherwise stay stored until its
  // next edit; writing it again clips it.
  engine::WriteBase(maxCurrent, maxCurrent->GetValueInBaseUnit());
  dialog.RefreshParameterControls("MAX_CURRENT");
}

// The gains the dialogs edit; the angle controller's gains are edited by its
// test, which rounds them itself.
const engine::ScaledGainRow* DialogGain(std::string_view name) {
  const engine::ScaledGainRow* row = engine::FindScaledGain(name);
  if (row == &engine::kScaledGains[engine::kGainKpT] || row == &engine::kScaledGains[engine::kGainKiT]) return nullptr;
  return row;
}

// Base values of the parameters in the families above.
std::vector<std::pair<std::string, double>> MotionValues(const CVX_Setup& setup) {
  std::vector<std::pair<std::string, double>> values;
  for (const CVX_Parameter* parameter : setup.GetParameters()) {
    const std::string& unit = parameter->GetUnitType();
    if (std::find(kStepUnitFamilies.begin(), kStepUnitFamilies.end(), unit) == kStepUnitFamilies.end()) continue;
    const double base = parameter->GetValueInBaseUnit();
    if (std::isfinite(base)) values.emplace_back(parameter->GetName(), base);
  }
  return values;
}

void RestoreMotionValues(CVX_Setup& setup, const std::vector<std::pair<std::string, double>>& values) {
  const kernel::QuietErrors quiet;
  for (const auto& [name, base] : values) {
    CVX_Parameter* parameter = setup.FindParameter(name);
    if (parameter && parameter->GetValueInBaseUnit() != base) parameter->SetValueInBaseUnit(base);
  }
}

}  // namespace

CMySetupDlg::CMySetupDlg(CVX_Setup* setup, UINT nIDTemplate, std::vector<std::string> guidelineSteps,
                         CWnd* pParentWnd)
    : CVX_EditSetupDlg(setup, nIDTemplate, 1, std::move(guidelineSteps), pParentWnd) {}

void CMySetupDlg::OnChangingParameterValue(const std::string& name) {
  if (ChangesStepUnits(name))
    m_motionValues = MotionValues(*GetSetup());
  else
    m_motionValues.reset();
  CVX_EditSetupDlg::OnChangingParameterValue(name);
}

void CMySetupDlg::OnChangedParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  if (ChangesStepUnits(name)) {
    engine::UpdateStepUnits(setup);
    if (m_motionValues) RestoreMotionValues(setup, *m_motionValues);
    for (std::string_view family : kStepUnitFamilies) RefreshAllParametersWithCompatibleUnits(family);
  } else if (SameName(name, "KFFA_scl")) {
    RoundTripAccelerationFeedForward(setup);
  } else if (const engine::ScaledGainRow* row = DialogGain(name)) {
    // Each register of the pair derives its own shift; the recovery comes last.
    engine::ComputeScaledGainShift(setup, *row);
    engine::ComputeScaledGainMantissa(setup, *row);
    engine::RecoverScaledGain(setup, *row);
  } else if ((SameName(name, "In") || SameName(name, "InPS")) && kernel::HasParameter(setup, "KPTHT")) {
    LimitMaxCurrent(*this, setup);
  }
  KeepValuesAsDriveUses(name);
  CVX_EditSetupDlg::OnChangedParameterValue(name);
}

void CMySetupDlg::KeepValuesAsDriveUses(const std::string& name) {
  // Choices are whole numbers the registers hold as they are; their own
  // rules keep the values that follow them.
  if (!IsBoundToEdit(name)) return;
  CVX_Setup& setup = *GetSetup();
  CVX_Setup used = engine::RoundTripCopy(setup);
  for (const BoundEdit& edit : BoundEdits()) {
    const bool typed = SameName(edit.name, name);
    // A hidden edit may hold a value the drive takes from another one in
    // the present mode (a correction delay shares its register with the
    // error time); it keeps what the person left there.
    const CWnd* control = GetDlgItem(edit.editId);
    if (!typed && !(control && control->IsWindowVisible())) continue;
    const auto value = engine::Base(used, edit.name);
    const auto shown = engine::Base(setup, edit.name);
    if (!value || !shown || *value == *shown) continue;
    engine::WriteBase(setup, edit.name, *value);
    if (!typed) RefreshParameterControls(edit.name);
  }
}
