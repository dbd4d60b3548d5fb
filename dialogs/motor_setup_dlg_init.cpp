// The Step Motor and Load Setup dialog: opening, and the lists its combo
// boxes offer.

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "dialogs/dialog_images.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/motor_setup_values.h"
#include "engine/feedback_sensors.h"
#include "engine/sequences.h"
#include "engine/serial_encoder_clock.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

using namespace motorsetup;

namespace {

constexpr int kLastSensorType = 4;  // BiSS
constexpr int kBiss = 4;
// The encoder input filter keeps this fraction of the input's bandwidth;
// the item data is the index the drive takes.
constexpr std::array<const char*, 13> kEncoderFilterChoices{"1/3",  "1/6",  "1/12", "1/18", "1/24", "1/30", "1/36",
                                                            "1/42", "1/48", "1/54", "1/60", "1/66", "1/72"};
// Interpolation of a sine/cosine encoder never goes past this many bits.
constexpr int kMostInterpolationBits = 16;

constexpr std::string_view kNoClockMessage =
    "No valid frequency found for SSI/BiSS encoder. Please check frequency list or SSI_Freq paramter limits.";
constexpr std::string_view kNoLoadClockMessage =
    "No valid frequency found for SSI/BiSS encoder. Please check frequency list or SSI_Freq_LD paramter limits.";

CComboBox* Combo(CWnd& dialog, int id) { return dynamic_cast<CComboBox*>(dialog.GetDlgItem(id)); }

void AddEntry(CComboBox& combo, const std::string& text, DWORD_PTR data) {
  combo.SetItemData(combo.AddString(text), data);
}

int SensorType(CVX_Setup& setup, bool load) {
  const auto type = engine::Base(setup, load ? "LoadSensorType" : "MotorSensorType");
  return type ? static_cast<int>(std::trunc(*type)) : kNoSensor;
}

}  // namespace

BOOL CMotorSetupDialog::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();

  m_controlType = IntValue(setup, "StepperControlType", -1);
  m_motorSensor = IntValue(setup, "MotorSensorType");
  m_loadSensor = IntValue(setup, "LoadSensorType");
  FillSensorCombos();
  FillConnectorCombo(false);
  FillConnectorCombo(true);

  dialogs::ShowImage(*this, kOkButton, "TO_DRIVESETUP");
  dialogs::ShowImage(*this, kLimitSwitchNoteButton, "WARN_SWITCH_HW_LS");
  ShowChild(kLimitSwitchNoteButton, false);
  SetResolutionLabels();

  // Encoder input filters.
  const bool filters = engine::HasEncoderFilter(setup);
  const bool editable = filters && !Locked();
  EnableChildren({kFiltersHeading, kMotorFilterLabel}, editable);
  EnableChild(kMotorFilterCheck, editable && MotorFilter(setup));
  EnableChild(kLoadFilterCheck, editable && LoadFilter(setup));
  EnableChild(kMotorFilterCombo, editable && MotorFilter(setup) && IntValue(setup, "isFilterEnc_MT") == 1);
  EnableChild(kLoadFilterCombo, editable && LoadFilter(setup) && IntValue(setup, "isFilterEnc_LD") == 1);
  if (filters) FillEncoderFilterCombos();

  EnableChild(kMotorReverseCheck, MotorReverse(setup));
  EnableChild(kLoadReverseCheck, LoadReverse(setup));
  SetupBrake();
  dialogs::ShowImage(*this, kMotorPicture, "3065");

  // The controls that depend on the sensors the drive reads.
  if (setup.HasDLMotorSensor(2) || setup.HasDLLoadSensor(2)) {
    FillInterpolationCombo(kMotorInterpolationCombo, "SINCOS_fract");
    FillInterpolationCombo(kLoadInterpolationCombo, "SINCOS_fract_LD");
    UpdateShownFigures();
  }
  // A list that offers nothing is told only for a serial sensor in use.
  if (engine::HasSerialMotorSensor(setup)) FillClockCombo(false, engine::IsSerialSensor(SensorType(setup, false)));
  if (engine::HasSerialLoadSensor(setup)) FillClockCombo(true, engine::IsSerialSensor(SensorType(setup, true)));

  const bool direction = kernel::HasParameter(setup, "IsReverseMovementDirection");
  ShowChildren({kDirectionGroup, kReverseDirectionCheck}, direction);
  UpdateData(FALSE);
  return TRUE;
}

void CMotorSetupDialog::SetResolutionLabels() {
  CVX_Setup& setup = *GetSetup();
  if (setup.GetIntOption("isIntelligentMotor") != 1) {
    ShowChildren({kMotorBitsLabel, kLoadBitsLabel}, false);
    return;
  }
  // An intelligent motor states its resolution in bits.
  SetChildText(kMotorLinesLabel, "Resolution ");
  SetChildText(kLoadLinesLabel, "Resolution ");
  if (SensorType(setup, false) != kNoSensor) {
    ShowChild(kMotorLinesUnit, false);
    ShowChild(kMotorBitsLabel, true);
  } else {
    ShowChild(kLoadLinesUnit, false);
    ShowChild(kLoadBitsLabel, true);
  }
}

void CMotorSetupDialog::FillSensorCombos() {
  CVX_Setup& setup = *GetSetup();
  for (const bool load : {false, true}) {
    CComboBox* combo = Combo(*this, load ? kLoadSensorCombo : kMotorSensorCombo);
    if (!combo) continue;
    combo->ResetContent();
    const std::string none = setup.GetSensorName(kNoSensor);
    AddEntry(*combo, none.empty() ? "None" : none, kNoSensor);
    for (int type = 1; type <= kLastSensorType; ++type) {
      const bool read = load ? setup.HasDLLoadSensor(type) : setup.HasDLMotorSensor(type);
      if (read) AddEntry(*combo, setup.GetSensorName(type), static_cast<DWORD_PTR>(type));
    }
  }
  RefreshParameterControls("MotorSensorType");
  RefreshParameterControls("LoadSensorType");
}

void CMotorSetupDialog::FillConnectorCombo(bool load) {
  CVX_Setup& setup = *GetSetup();
  CComboBox* combo = Combo(*this, load ? kLoadConnectorCombo : kMotorConnectorCombo);
  if (!combo) return;
  combo->ResetContent();
  // The inputs that read the chosen sensor on this side.
  const int type = SensorType(setup, load);
  const auto& inputs = setup.GetDLSensorsArray();
  for (std::size_t connector = 0; connector < inputs.size(); ++connector) {
    const auto& types = load ? inputs[connector].loadSensorTypes : inputs[connector].motorSensorTypes;
    if (std::find(types.begin(), types.end(), type) != types.end())
      AddEntry(*combo, inputs[connector].name, static_cast<DWORD_PTR>(connector));
  }
  RefreshParameterControls(load ? "LoadSensorConnector" : "MotorSensorConnector");
}

void CMotorSetupDialog::FillEncoderFilterCombos() {
  for (const int id : {kMotorFilterCombo, kLoadFilterCombo}) {
    CComboBox* combo = Combo(*this, id);
    if (!combo) continue;
    combo->ResetContent();
    for (std::size_t i = 0; i < kEncoderFilterChoices.size(); ++i)
      AddEntry(*combo, kEncoderFilterChoices[i], static_cast<DWORD_PTR>(i));
  }
  RefreshParameterControls("FilterEncValue_MT");
  RefreshParameterControls("FilterEncValue_LD");
}

void CMotorSetupDialog::FillInterpolationCombo(int comboId, const char* name) {
  CComboBox* combo = Combo(*this, comboId);
  const CVX_Parameter* bits = kernel::ProbeParameter(*GetSetup(), name);
  if (!combo || !bits) return;
  combo->ResetContent();
  // The bits the parameter's limits allow; the register computation raises
  // the minimum for encoders with few lines.
  const int lowest = bits->HasMinimum() ? std::max(0, static_cast<int>(std::ceil(bits->GetMinimum()))) : 0;
  const int highest = bits->HasMaximum()
                          ? std::min(kMostInterpolationBits, static_cast<int>(std::floor(bits->GetMaximum())))
                          : kMostInterpolationBits;
  for (int value = lowest; value <= highest; ++value)
    AddEntry(*combo, std::to_string(value), static_cast<DWORD_PTR>(value));
  RefreshParameterControls(name);
}

void CMotorSetupDialog::SetupBrake() {
  CVX_Setup& setup = *GetSetup();
  const bool brake = BrakeOutput(setup);
  EnableChildren({kBrakeGroup, kBrakeCheck, kBrakeOutputCombo, kBrakeLevelText, kReleaseTimeLabel, kReleaseTimeEdit,
                  kReleaseTimeUnit, kApplyTimeLabel, kApplyTimeEdit, kApplyTimeUnit},
                 brake);
  CComboBox* combo = Combo(*this, kBrakeOutputCombo);
  if (!combo) return;
  combo->ResetContent();
  if (brake) {
    // The outputs that can drive a brake, by the port number the user sees.
    for (const CVX_IOPort& port : setup.GetCapabilities().ioPorts)
      if (port.brakeFlags != 0) AddEntry(*combo, std::to_string(port.port), static_cast<DWORD_PTR>(port.port));
  }
  RefreshParameterControls("MotorBrake_output");
}

bool CMotorSetupDialog::FillClockCombo(bool load, bool tell) {
  CVX_Setup& setup = *GetSetup();
  CComboBox* combo = Combo(*this, load ? kLoadClockCombo : kMotorClockCombo);
  if (!combo) return false;
  combo->ResetContent();
  const CVX_FrequencyList& list = engine::SerialClockList(setup, load, SensorType(setup, load) == kBiss);
  // The limits are those of the parameter that holds the rate.
  const CVX_Parameter* rate = kernel::ProbeParameter(setup, load ? "SSI_Freq_LD" : "SSI_Freq");
  for (const int kHz : list.kHz) {
    const double rate_Hz = kHz * 1000.0;
    if (rate && (rate_Hz < rate->GetMinimum() || rate_Hz > rate->GetMaximum())) continue;
    // The item data is the rate in hertz, the parameter's base unit, so the
    // binding selects the entry the stored rate stands for.
    AddEntry(*combo, fmt::format("{} kHz", kHz), static_cast<DWORD_PTR>(rate_Hz));
  }
  RefreshParameterControls(load ? "SSI_freq_LD" : "SSI_freq");
  if (combo->GetCount() > 0) return true;
  if (tell) AfxMessageBox(load ? kNoLoadClockMessage : kNoClockMessage);
  return false;
}
