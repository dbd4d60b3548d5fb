// The Step Motor and Load Setup dialog: what follows a parameter the person
// changed, and the values it repairs when they are shown again.

#include <algorithm>
#include <numbers>
#include <string>

#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/motor_setup_values.h"
#include "engine/divider_rules.h"
#include "engine/feedback_options.h"
#include "engine/feedback_sensors.h"
#include "engine/load_units.h"
#include "engine/serial_encoder_clock.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"

using namespace motorsetup;
using kernel::SameName;

namespace {

constexpr int kOpenLoop = 0;
constexpr int kClosedLoop = 1;
constexpr int kTriPhase = 1;
constexpr int kTorqueMode = 2;
constexpr int kPositionMode = 0;
constexpr int kRotary = 0;
constexpr int kLinear = 1;
// The widest serial word the firmware reads when it does not say.
constexpr int kDefaultSerialBits = 31;

bool IsSensorChoice(const std::string& name) {
  return SameName(name, "MotorSensorType") || SameName(name, "LoadSensorType") ||
         SameName(name, "MotorSensorConnector") || SameName(name, "LoadSensorConnector");
}

bool IsSensorType(const std::string& name) {
  return SameName(name, "MotorSensorType") || SameName(name, "LoadSensorType");
}

bool ChangesShownFigures(const std::string& name) {
  for (const char* input :
       {"No_encoder_lines", "SINCOS_fract", "No_encoder_lines_LD", "Resolution_LD", "SINCOS_fract_LD"})
    if (SameName(name, input)) return true;
  return false;
}

void Write(CVX_Setup& setup, const char* name, double value) { engine::WriteBase(setup, name, value); }

}  // namespace

void CMotorSetupDialog::OnChangedParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  const bool motorType = SameName(name, "StepperMotorType");
  const int sensorsBefore = m_motorSensor * 16 + m_loadSensor;

  if (motorType) {
    engine::UpdateMotorTypeOption(setup);
    // A tri-phase stepper runs only in open loop, where there is no torque
    // control.
    if (IntValue(setup, "StepperMotorType") == kTriPhase) {
      if (IntValue(setup, "StepperControlType") != kOpenLoop) Write(setup, "StepperControlType", kOpenLoop);
      if (IntValue(setup, "ControlMode") == kTorqueMode) Write(setup, "ControlMode", kPositionMode);
    }
  }
  // The slow loop follows the control type only when the type really
  // changed: a second click on the type already chosen must not take the
  // open-loop divider for the closed-loop one to return to.
  const int controlType = IntValue(setup, "StepperControlType", -1);
  const bool controlTypeChanged = controlType != m_controlType;
  if (controlTypeChanged) {
    m_controlType = controlType;
    engine::ApplyControlTypeChange(setup);
    RefreshAllParameters();
  }
  if (SameName(name, "TransmissionType")) FollowTransmissionType();
  if (motorType || controlTypeChanged) {
    engine::UpdateReferenceName(setup);
    FillMotorNameCombo();
  }
  if (motorType || controlTypeChanged || IsSensorType(name))
    ApplySensorChoiceRules(name, motorType || controlTypeChanged);
  if (IsSensorType(name)) KeepSerialLoadSensorRotary();

  m_motorSensor = IntValue(setup, "MotorSensorType");
  m_loadSensor = IntValue(setup, "LoadSensorType");
  if (IsSensorChoice(name) || m_motorSensor * 16 + m_loadSensor != sensorsBefore) OnSensorChanged();
  if (ChangesShownFigures(name)) UpdateShownFigures();

  // The step units follow the control type, also when the motor type set it.
  if (controlTypeChanged && !SameName(name, "StepperControlType"))
    CMySetupDlg::OnChangedParameterValue("StepperControlType");
  CMySetupDlg::OnChangedParameterValue(name);
}

void CMotorSetupDialog::FollowTransmissionType() {
  CVX_Setup& setup = *GetSetup();
  engine::UpdateLoadUnits(setup);
  // The load-side values now have the units of the new kind of load.
  for (const char* name : {"Load_transmission", "Resolution_LD", "SSI_Resolution_LD"})
    if (const CVX_Parameter* parameter = kernel::ProbeParameter(setup, name))
      RefreshAllParametersWithCompatibleUnits(parameter->GetUnitType());
  RefreshParameterControls("Load_transmission");
}

void CMotorSetupDialog::ApplySensorChoiceRules(const std::string& name, bool typeChanged) {
  CVX_Setup& setup = *GetSetup();
  const bool closed = IntValue(setup, "StepperControlType") == kClosedLoop;
  if (typeChanged) {
    // A new kind of control starts from the sensor it usually has: the
    // motor encoder in closed loop, none in open loop unless the motor
    // carries one.
    const bool intelligent = setup.GetIntOption("isIntelligentMotor") == 1;
    Write(setup, "LoadSensorType", kNoSensor);
    Write(setup, "MotorSensorType", closed || intelligent ? kIncremental : kNoSensor);
  }
  if (!closed && IntValue(setup, "MotorSensorType") != kNoSensor && IntValue(setup, "LoadSensorType") != kNoSensor) {
    // Open loop reads one sensor: the one just chosen stays.
    Write(setup, SameName(name, "MotorSensorType") ? "LoadSensorType" : "MotorSensorType", kNoSensor);
  }
  RefreshParameterControls("MotorSensorType");
  RefreshParameterControls("LoadSensorType");
}

void CMotorSetupDialog::KeepSerialLoadSensorRotary() {
  CVX_Setup& setup = *GetSetup();
  if (!(engine::HasSerialMotorSensor(setup) || engine::HasSerialLoadSensor(setup)) || Has(setup, "SSI_Resolution_LD"))
    return;
  if (!engine::IsSerialSensor(IntValue(setup, "LoadSensorType")) || IntValue(setup, "TransmissionType") != kLinear)
    return;
  Write(setup, "TransmissionType", kRotary);
  RefreshParameterControls("TransmissionType");
  FollowTransmissionType();
}

void CMotorSetupDialog::OnSensorChanged() {
  CVX_Setup& setup = *GetSetup();
  for (const bool load : {false, true}) {
    FillConnectorCombo(load);
    KeepConnectorReadingSensor(load);
    const bool serial = engine::IsSerialSensor(IntValue(setup, load ? "LoadSensorType" : "MotorSensorType"));
    const bool offered = load ? engine::HasSerialLoadSensor(setup) : engine::HasSerialMotorSensor(setup);
    if (serial && offered) {
      FillClockCombo(load, true);
      LimitSerialBits(load);
    }
  }
}

void CMotorSetupDialog::KeepConnectorReadingSensor(bool load) {
  // A sensor on an input that cannot read it would never be seen: the
  // connector moves to the first input that reads the chosen sensor.
  auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(load ? kLoadConnectorCombo : kMotorConnectorCombo));
  if (!combo || combo->GetCount() == 0 || combo->GetCurSel() >= 0) return;
  const char* name = load ? "LoadSensorConnector" : "MotorSensorConnector";
  Write(*GetSetup(), name, static_cast<double>(combo->GetItemData(0)));
  RefreshParameterControls(name);
}

void CMotorSetupDialog::LimitSerialBits(bool load) {
  CVX_Setup& setup = *GetSetup();
  const std::string option = setup.GetOptionNoError("SSIMaxBits");
  const int most = option.empty() ? kDefaultSerialBits : setup.GetIntOption("SSIMaxBits");
  const char* revolutionName = load ? "SSI_No_Bits_Revolution_LD" : "SSI_No_Bits_Revolution";
  const char* turnsName = load ? "SSI_No_Bits_Turns_LD" : "SSI_No_Bits_Turns";
  const auto revolution = engine::Base(setup, revolutionName);
  const auto turns = engine::Base(setup, turnsName);
  if (!revolution || !turns || *revolution + *turns <= most) return;
  // The revolution bits fix the position within a turn; the turns get what
  // the word leaves.
  const double kept = std::min(*revolution, static_cast<double>(most));
  Write(setup, revolutionName, kept);
  Write(setup, turnsName, most - kept);
  RefreshParameterControls(revolutionName);
  RefreshParameterControls(turnsName);
}

void CMotorSetupDialog::OnRefreshParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  if (SameName(name, "Motor_transmission") || SameName(name, "Load_transmission")) {
    // A transmission of 0 would divide by zero everywhere; a full turn
    // stands for one to one.
    if (engine::Base(setup, name) == 0.0) {
      Write(setup, name.c_str(), 2.0 * std::numbers::pi);
      RefreshParameterControls(name);
    }
  } else if (SameName(name, "SSI_freq") || SameName(name, "SSI_freq_LD")) {
    engine::ComputeSSIBR(setup);
    engine::ComputeAEI_CLKDIV(setup);
    engine::ComputeAEI_PER(setup);
    engine::ComputeAEI_CMPTIME(setup);
    RefreshParameterControls(name);
  } else if (SameName(name, "SSI_No_Bits_Revolution") || SameName(name, "SSI_No_Bits_Turns")) {
    LimitSerialBits(false);
  } else if (SameName(name, "SSI_No_Bits_Revolution_LD") || SameName(name, "SSI_No_Bits_Turns_LD")) {
    LimitSerialBits(true);
  }
  UpdateData(FALSE);
  CMySetupDlg::OnRefreshParameterValue(name);
}
