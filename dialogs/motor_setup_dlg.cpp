// The Step Motor and Load Setup dialog: construction, the guideline texts,
// the parameter bindings, the message map and what the dialog shows besides
// the setup's own values.

#include "dialogs/motor_setup_dlg.h"

#include <cmath>
#include <string>
#include <vector>

#include "dialogs/dialog_help.h"
#include "dialogs/key_chord.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_values.h"
#include "dialogs/parameter_bindings.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

using namespace motorsetup;

namespace {

std::vector<std::string> GuidelineSteps() {
  return {
      "Step 1. Select your motor from a database. If your motor does not exist in any database, proceed through all "
      "the next steps in order to define your motor and sensors data. In either case, use the tests from the next "
      "steps to verify/detect the motor and sensors parameters and operation.",
      "Step 2. Check the values for nominal and peak currents. Press the <<Test Phase Connections>> button to verify "
      "that your motor phases are well connected to the drive.",
      "Step 3. Check the values for number of motor steps per revolution and number of microsteps per step.",
      "Step 4. Check the torque constant value.",
      "Step 5. Check the resistance and inductance values. Press the <<Identify Resistance and Inductance>> button "
      "to autodetect these parameters.",
      "Step 6. Check the value of the motor inertia. If you don't know this value, check the <<Motor inertia is "
      "unknown>> checkbox.",
      "Step 7. Use the <<Test Connections>> button in order to verify the operation of the A and B encoder signals. "
      "Check the value of the <<Encoder resolution>> parameter giving the encoder resolution. Press the <<Detect "
      "Encoder Resolution>> button to automatically detect this value.",
      "Step 8. Check the <<Temperature>> checkbox if your motor has a temperature sensor and this sensor is "
      "connected to the drive. Select de temperature sensor type: PTC or NTC.",
      "Step 9. In <<Transmission to load>> select the transmission type and the ratio by setting the "
      "correspondance between the motor and load displacements.",
      "Step 10. If you want to save your motor data, select USER database, then press the <<Save>> button.",
  };
}

constexpr std::string_view kLimitSwitchNote =
    "When there is only a position sensor on the motor and the load moves in opposite direction (i.e. transmission "
    "is negative), the h/w limit switches connections need to be reversed. \n\nConnect positive limit switch sensor "
    "to drive's LSN input and negative limit switch sensor to drive's LSP input.";

using dialogs::BindAs;

constexpr dialogs::ParameterBinding kBindings[] = {
    // motor data
    {"In", BindAs::kEdit, kNominalCurrentEdit, kNominalCurrentUnit},
    {"ImaxM", BindAs::kEdit, kPeakCurrentEdit, kPeakCurrentUnit},
    {"K", BindAs::kEdit, kTorqueConstantEdit, kTorqueConstantUnit},
    {"R", BindAs::kEdit, kResistanceEdit, kResistanceUnit},
    {"L", BindAs::kEdit, kInductanceEdit, kInductanceUnit},
    {"Jm", BindAs::kEdit, kInertiaEdit, kInertiaUnit},
    {"NoMotorSteps", BindAs::kEdit, kStepsEdit},
    {"isMotorInertiaUnknown", BindAs::kCheck, kInertiaUnknownCheck},
    {"MotorPhaseConnectionType", BindAs::kSwitch, kStarRadio, kDeltaRadio},
    {"StepperMotorType", BindAs::kSwitch, kBiPhaseRadio, kTriPhaseRadio},
    {"StepperControlType", BindAs::kSwitch, kOpenLoopRadio, kClosedLoopRadio},
    // motor sensor
    {"MotorSensorType", BindAs::kSwitchCombo, kMotorSensorCombo},
    {"MotorSensorConnector", BindAs::kSwitchCombo, kMotorConnectorCombo},
    {"No_encoder_lines", BindAs::kEdit, kMotorLinesEdit, kMotorLinesUnit, &MotorIncremental},
    {"FilterEncValue_MT", BindAs::kSwitchCombo, kMotorFilterCombo, 0, &MotorFilter},
    {"isFilterEnc_MT", BindAs::kCheck, kMotorFilterCheck, 0, &MotorFilter},
    {"ReverseCounting", BindAs::kCheck, kMotorReverseCheck, 0, &MotorReverse},
    {"SINCOS_fract", BindAs::kSwitchCombo, kMotorInterpolationCombo, 0, &MotorSineCosine},
    {"EquivCountsPerRev", BindAs::kEdit, kMotorEquivalentEdit, kMotorEquivalentUnit, &MotorSineCosine},
    {"SSI_isMultiTurn", BindAs::kSwitch, kMotorSingleTurnRadio, kMotorMultiTurnRadio, &engine::HasSerialMotorSensor},
    {"SSI_isGray", BindAs::kSwitch, kMotorBinaryRadio, kMotorGrayRadio, &engine::HasSerialMotorSensor},
    {"SSI_isReverseCounting", BindAs::kCheck, kMotorSerialReverseCheck, 0, &engine::HasSerialMotorSensor},
    {"SSI_No_Bits_Revolution", BindAs::kEdit, kMotorRevolutionBitsEdit, kMotorRevolutionBitsUnit,
     &engine::HasSerialMotorSensor},
    {"SSI_No_Bits_Turns", BindAs::kEdit, kMotorTurnBitsEdit, kMotorTurnBitsUnit, &engine::HasSerialMotorSensor},
    {"SSI_freq", BindAs::kSwitchCombo, kMotorClockCombo, 0, &engine::HasSerialMotorSensor},
    {"SSI_Offset", BindAs::kEdit, kMotorOffsetEdit, kMotorOffsetUnit, &engine::HasSerialMotorSensor},
    // load sensor
    {"LoadSensorType", BindAs::kSwitchCombo, kLoadSensorCombo},
    {"LoadSensorConnector", BindAs::kSwitchCombo, kLoadConnectorCombo},
    {"No_encoder_lines_LD", BindAs::kEdit, kLoadLinesEdit, kLoadLinesUnit, &LoadIncremental},
    {"Resolution_LD", BindAs::kEdit, kLoadResolutionEdit, kLoadResolutionUnit, &LoadIncremental},
    {"FilterEncValue_LD", BindAs::kSwitchCombo, kLoadFilterCombo, 0, &LoadFilter},
    {"isFilterEnc_LD", BindAs::kCheck, kLoadFilterCheck, 0, &LoadFilter},
    {"ReverseCounting_LD", BindAs::kCheck, kLoadReverseCheck, 0, &LoadReverse},
    {"SINCOS_fract_LD", BindAs::kSwitchCombo, kLoadInterpolationCombo, 0, &LoadSineCosine},
    {"ResolutionWithInterpolation_LD", BindAs::kEdit, kLoadInterpolatedEdit, kLoadInterpolatedUnit, &LoadSineCosine},
    {"EquivCountsPerRev_LD", BindAs::kEdit, kLoadEquivalentEdit, kLoadEquivalentUnit, &LoadSineCosine},
    {"SSI_isMultiTurn_LD", BindAs::kSwitch, kLoadSingleTurnRadio, kLoadMultiTurnRadio, &engine::HasSerialLoadSensor},
    {"SSI_isGray_LD", BindAs::kSwitch, kLoadBinaryRadio, kLoadGrayRadio, &engine::HasSerialLoadSensor},
    {"SSI_isReverseCounting_LD", BindAs::kCheck, kLoadSerialReverseCheck, 0, &engine::HasSerialLoadSensor},
    {"SSI_No_Bits_Revolution_LD", BindAs::kEdit, kLoadRevolutionBitsEdit, kLoadRevolutionBitsUnit,
     &engine::HasSerialLoadSensor},
    {"SSI_No_Bits_Turns_LD", BindAs::kEdit, kLoadTurnBitsEdit, kLoadTurnBitsUnit, &engine::HasSerialLoadSensor},
    {"SSI_freq_LD", BindAs::kSwitchCombo, kLoadClockCombo, 0, &engine::HasSerialLoadSensor},
    {"SSI_Resolution_LD", BindAs::kEdit, kLoadLinearResolutionEdit, kLoadLinearResolutionUnit, &LinearSerialLoad},
    {"SSI_No_Bits_Revolution_LD", BindAs::kEdit, kLoadLinearBitsEdit, 0, &LinearSerialLoad},
    // temperature sensor, transmission, brake, direction
    {"isMotorTemperatureSensor", BindAs::kCheck, kTemperatureCheck},
    {"Motor_TempSensor_Type", BindAs::kSwitch, kNtcRadio, kPtcRadio},
    {"TransmissionType", BindAs::kSwitch, kRotaryRadio, kLinearRadio},
    {"Motor_transmission", BindAs::kEdit, kMotorTransmissionEdit, kMotorTransmissionUnit},
    {"Load_transmission", BindAs::kEdit, kLoadTransmissionEdit, kLoadTransmissionUnit},
    {"isMotorBrake", BindAs::kCheck, kBrakeCheck, 0, &BrakeOutput},
    {"MotorBrake_output", BindAs::kSwitchCombo, kBrakeOutputCombo, 0, &BrakeOutput},
    {"MotorBrake_releasetime", BindAs::kEdit, kReleaseTimeEdit, kReleaseTimeUnit, &BrakeOutput},
    {"MotorBrake_applytime", BindAs::kEdit, kApplyTimeEdit, kApplyTimeUnit, &BrakeOutput},
    {"IsReverseMovementDirection", BindAs::kCheck, kReverseDirectionCheck, 0, &HasMovementDirection},
};

}  // namespace

BEGIN_MESSAGE_MAP(CMotorSetupDialog, CMySetupDlg)
  ON_BN_CLICKED(kPhaseTestButton, &CMotorSetupDialog::OnPhaseTest)
  ON_BN_CLICKED(kResistanceTestButton, &CMotorSetupDialog::OnResistanceTest)
  ON_BN_CLICKED(kMotorEncoderTestButton, &CMotorSetupDialog::OnEncoderTest)
  ON_BN_CLICKED(kResolutionTestButton, &CMotorSetupDialog::OnResolutionTest)
  ON_BN_CLICKED(kLoadEncoderTestButton, &CMotorSetupDialog::OnLoadEncoderTest)
  ON_BN_CLICKED(kMotorSerialTestButton, &CMotorSetupDialog::OnSerialEncoderTest)
  ON_BN_CLICKED(kLoadSerialTestButton, &CMotorSetupDialog::OnSerialEncoderTest)
  ON_BN_CLICKED(kSerialOffsetButton, &CMotorSetupDialog::OnSerialOffsetTest)
  ON_BN_CLICKED(kLimitSwitchNoteButton, &CMotorSetupDialog::OnLimitSwitchNote)
  ON_BN_CLICKED(kBrakeCheck, &CMotorSetupDialog::OnBrakeClicked)
  ON_BN_CLICKED(kHelpButton, &CMotorSetupDialog::OnHelp)
END_MESSAGE_MAP()

CMotorSetupDialog::CMotorSetupDialog(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, GuidelineSteps(), pParent), m_atOpening(*setup) {
  AddShownFigures();
  dialogs::AddBindings(*this, *setup, kBindings);
  InitializeMotorEditor();
}

CMotorSetupDialog::~CMotorSetupDialog() = default;

void CMotorSetupDialog::AddShownFigures() {
  CVX_Setup& setup = *GetSetup();
  const auto addLike = [this, &setup](const char* name, const char* like, int decimals) {
    if (const CVX_Parameter* model = kernel::ProbeParameter(setup, like))
      AddDialogParameter(name, *model)->SetDecimals(decimals);
  };
  if (MotorSineCosine(setup)) addLike("EquivCountsPerRev", "No_encoder_lines", 9);
  if (LoadSineCosine(setup)) {
    addLike("EquivCountsPerRev_LD", "No_encoder_lines_LD", 9);
    if (const CVX_Parameter* resolution = kernel::ProbeParameter(setup, "Resolution_LD"))
      addLike("ResolutionWithInterpolation_LD", "Resolution_LD", resolution->GetDecimals());
  }
  UpdateShownFigures();
}

void CMotorSetupDialog::UpdateShownFigures() {
  CVX_Setup& setup = *GetSetup();
  // Each figure is the sensor's lines or resolution against its
  // interpolation; one whose inputs are missing keeps its last value.
  const auto show = [this](const char* name, std::optional<double> value) {
    CVX_Parameter* figure = FindDialogParameter(name);
    if (!figure || !value || !std::isfinite(*value)) return;
    figure->SetValueInBaseUnit(*value);
    RefreshParameterControls(name);
  };
  const auto interpolation = [&setup](const char* name) -> std::optional<double> {
    const auto bits = engine::Base(setup, name);
    if (!bits) return std::nullopt;
    return std::exp2(*bits);
  };
  const auto lines = engine::Base(setup, "No_encoder_lines");
  const auto fraction = interpolation("SINCOS_fract");
  if (lines && fraction) show("EquivCountsPerRev", *lines * *fraction);
  const auto loadLines = engine::Base(setup, "No_encoder_lines_LD");
  const auto loadResolution = engine::Base(setup, "Resolution_LD");
  const auto loadFraction = interpolation("SINCOS_fract_LD");
  if (loadLines && loadFraction) show("EquivCountsPerRev_LD", *loadLines * *loadFraction);
  if (loadResolution && loadFraction) show("ResolutionWithInterpolation_LD", *loadResolution / *loadFraction);
}

bool CMotorSetupDialog::Locked() const { return GetSetup()->GetIntOption("isIntelligentMotor") == 1 && !m_expert; }

BOOL CMotorSetupDialog::PreTranslateMessage(MSG* pMsg) {
  if (dialogs::IsExpertChord(*pMsg, kExpertChordLetter)) {
    m_expert = !m_expert;
    UpdateData(FALSE);
    return TRUE;
  }
  return CMySetupDlg::PreTranslateMessage(pMsg);
}

void CMotorSetupDialog::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}

void CMotorSetupDialog::OnLimitSwitchNote() { AfxMessageBox(kLimitSwitchNote); }

void CMotorSetupDialog::OnBrakeClicked() { UpdateData(FALSE); }

void CMotorSetupDialog::OnHelp() { dialogs::ShowHelpTopic(*this, GetSetup(), kHelpContext); }
