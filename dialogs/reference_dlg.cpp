// The External Reference Setup dialog: bindings by control mode, opening,
// visibility, and the values it keeps consistent.

#include "dialogs/reference_dlg.h"

#include <algorithm>
#include <string>
#include <vector>

#include "commissioning/analogue_reference_test.h"
#include "dialogs/child_factories.h"
#include "dialogs/dialog_help.h"
#include "dialogs/dialog_images.h"
#include "dialogs/parameter_bindings.h"
#include "dialogs/reference_controls.h"
#include "dialogs/setup_values.h"
#include "engine/reference_registers.h"
#include "engine/sequences.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"

using namespace reference;
using dialogs::Has;
using dialogs::IntValue;
using kernel::SameName;

namespace {

constexpr int kPositionMode = 0;
constexpr int kSpeedMode = 1;
constexpr int kTorqueMode = 2;

int ControlMode(CVX_Setup& s) { return IntValue(s, "ControlMode"); }
bool PositionRange(CVX_Setup& s) { return ControlMode(s) == kPositionMode && engine::HasAnalogueReference(s); }
bool SpeedRange(CVX_Setup& s) { return ControlMode(s) == kSpeedMode && engine::HasAnalogueReference(s); }
bool CurrentRange(CVX_Setup& s) { return ControlMode(s) == kTorqueMode && engine::HasAnalogueReference(s); }
bool LimitsReference(CVX_Setup& s) { return ControlMode(s) == kPositionMode || ControlMode(s) == kSpeedMode; }
bool PositionMode(CVX_Setup& s) { return ControlMode(s) == kPositionMode; }
bool SpeedMode(CVX_Setup& s) { return ControlMode(s) == kSpeedMode; }

using dialogs::BindAs;

constexpr dialogs::ParameterBinding kBindings[] = {
    {"POS_max", BindAs::kEdit, kMaximumEdit, kMaximumUnit, &PositionRange},
    {"POS_min", BindAs::kEdit, kMinimumEdit, 0, &PositionRange},
    {"SPD_max", BindAs::kEdit, kMaximumEdit, kMaximumUnit, &SpeedRange},
    {"SPD_min", BindAs::kEdit, kMinimumEdit, 0, &SpeedRange},
    {"CRT_max", BindAs::kEdit, kMaximumEdit, kMaximumUnit, &CurrentRange},
    {"CRT_min", BindAs::kEdit, kMinimumEdit, 0, &CurrentRange},
    {"isLimitMaximum", BindAs::kCheck, kLimitCheck, 0, &LimitsReference},
    // In position mode an analogue reference limits the speed, a digital
    // one the acceleration; in speed mode the acceleration.
    {"ErefMaxSpeed", BindAs::kEdit, kAnalogueLimitEdit, kAnalogueLimitUnit, &PositionMode},
    {"ErefMaxAcceleration", BindAs::kEdit, kDigitalLimitEdit, kDigitalLimitUnit, &PositionMode},
    {"ErefMaxAcceleration", BindAs::kEdit, kAnalogueLimitEdit, kAnalogueLimitUnit, &SpeedMode},
    {"DeadBand_Point", BindAs::kEdit, kDeadBandPointEdit, kDeadBandPointUnit, &engine::HasAnalogueReference},
    {"DeadBand_Range", BindAs::kEdit, kDeadBandRangeEdit, 0, &engine::HasAnalogueReference},
    {"isAnalogueReference", BindAs::kSwitch, kDigitalRadio, kAnalogueRadio},
    {"DigitalReferenceType", BindAs::kSwitch, kPulseDirectionRadio, kIncrementalEncoderRadio},
    {"GEARMASTER", BindAs::kEdit, kMasterEdit},
    {"GEARSLAVE", BindAs::kEdit, kSlaveEdit},
    {"UseFilter", BindAs::kCheck, kFilterCheck, 0, &engine::HasAnalogueReference},
    {"filter", BindAs::kEdit, kFilterEdit, kFilterUnit, &engine::HasAnalogueReference},
    {"DigitalReferenceConnector", BindAs::kSwitchCombo, kConnectorCombo},
};

// The range ends share one unit: the minimum shows in the maximum's.
struct RangePair {
  const char* maximum;
  const char* minimum;
};
constexpr RangePair kRangePairs[] = {
    {"POS_max", "POS_min"}, {"SPD_max", "SPD_min"}, {"CRT_max", "CRT_min"}, {"DeadBand_Point", "DeadBand_Range"}};

const std::vector<int> kAnalogueControls{
    kMaximumLabel,      kMinimumLabel,       kMaximumEdit,       kMinimumEdit,        kMaximumUnit,
    kDeadBandPointUnit, kDeadBandPointLabel, kDeadBandPointEdit, kDeadBandRangeLabel, kDeadBandRangeEdit,
    kFilterUnit,        kFilterCheck,        kFilterLabel,       kFilterEdit,         kTestButton,
    kInputLowLabel,     kInputHighLabel};
const std::vector<int> kDigitalControls{kPulseDirectionRadio, kIncrementalEncoderRadio,
                                        kGearRatioGroup,      kMasterLabel,
                                        kSlaveEdit,           kMasterNote,
                                        kSlaveLabel,          kMasterEdit,
                                        kSlaveNote,           kConnectorLabel,
                                        kConnectorCombo};
const std::vector<int> kFilterRow{kFilterLabel, kFilterEdit, kFilterUnit};

}  // namespace

BEGIN_MESSAGE_MAP(CAnalogReferenceDlg, CMySetupDlg)
  ON_BN_CLICKED(kTestButton, &CAnalogReferenceDlg::OnTest)
  ON_BN_CLICKED(kLimitCheck, &CAnalogReferenceDlg::OnVisibilityInput)
  ON_BN_CLICKED(kDigitalRadio, &CAnalogReferenceDlg::OnVisibilityInput)
  ON_BN_CLICKED(kAnalogueRadio, &CAnalogReferenceDlg::OnVisibilityInput)
  ON_BN_CLICKED(kHelpButton, &CAnalogReferenceDlg::OnHelp)
END_MESSAGE_MAP()

CAnalogReferenceDlg::CAnalogReferenceDlg(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent), m_atOpening(*setup) {
  for (const RangePair& pair : kRangePairs) {
    CVX_Parameter* maximum = kernel::ProbeParameter(*setup, pair.maximum);
    CVX_Parameter* minimum = kernel::ProbeParameter(*setup, pair.minimum);
    if (maximum && minimum && minimum->GetUnitType() == maximum->GetUnitType())
      minimum->SetUnitName(maximum->GetUnitName());
  }
  dialogs::AddBindings(*this, *setup, kBindings);
}

CAnalogReferenceDlg::~CAnalogReferenceDlg() = default;

BOOL CAnalogReferenceDlg::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();
  LabelInputRange();
  ShowControlMode();
  EnableChild(kAnalogueRadio, engine::HasAnalogueReference(setup));
  FillConnectorCombo();
  RefreshParameterControls("DigitalReferenceConnector");
  RefreshParameterControls("isAnalogueReference");
  UpdateData(FALSE);
  return TRUE;
}

void CAnalogReferenceDlg::LabelInputRange() {
  // The ends of the input's voltage range, under the scaling picture.
  const int range = IntValue(*GetSetup(), "AnalogueInputsRange");
  const char* low = range == 20 ? "-10" : "0";
  const char* high = range == 20 ? "10" : range == 5 ? "5" : "3.3";
  SetChildText(kInputLowLabel, low);
  SetChildText(kInputHighLabel, high);
  EnableChildren({kInputLowLabel, kInputHighLabel}, false);
}

void CAnalogReferenceDlg::ShowControlMode() {
  switch (ControlMode(*GetSetup())) {
    case kPositionMode:
      SetChildText(kMaximumLabel, "Maximum Position");
      SetChildText(kMinimumLabel, "Minimum Position");
      dialogs::ShowImage(*this, kScalePicture, "3003");
      break;
    case kSpeedMode:
      SetChildText(kMaximumLabel, "Maximum Speed");
      SetChildText(kMinimumLabel, "Minimum Speed");
      dialogs::ShowImage(*this, kScalePicture, "3044");
      break;
    case kTorqueMode:
      SetChildText(kMaximumLabel, "Maximum Current");
      SetChildText(kMinimumLabel, "Minimum Current");
      dialogs::ShowImage(*this, kScalePicture, "3002");
      ShowChildren({kLimitCheck, kAnalogueLimitEdit, kAnalogueLimitUnit}, false);
      break;
    default:
      break;
  }
}

void CAnalogReferenceDlg::CaptionLimit() {
  CVX_Setup& setup = *GetSetup();
  if (ControlMode(setup) == kTorqueMode) return;
  const bool speed = IntValue(setup, "isAnalogueReference") == 1 && ControlMode(setup) == kPositionMode;
  SetChildText(kLimitCheck, speed ? "Limit maximum speed at" : "Limit maximum acceleration at");
}

void CAnalogReferenceDlg::FillConnectorCombo() {
  CVX_Setup& setup = *GetSetup();
  auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kConnectorCombo));
  if (!combo) return;
  combo->ResetContent();
  // The inputs that take a digital reference, less those a position sensor
  // is connected to.
  const auto used = [&setup](std::size_t connector) {
    return (IntValue(setup, "MotorSensorType") != 0 &&
            IntValue(setup, "MotorSensorConnector") == static_cast<int>(connector)) ||
           (IntValue(setup, "LoadSensorType") != 0 &&
            IntValue(setup, "LoadSensorConnector") == static_cast<int>(connector));
  };
  const auto& inputs = setup.GetDLSensorsArray();
  for (std::size_t connector = 0; connector < inputs.size(); ++connector)
    if (inputs[connector].digitalReference && !used(connector))
      combo->SetItemData(combo->AddString(inputs[connector].name), static_cast<DWORD_PTR>(connector));
  m_noFreeConnector = combo->GetCount() == 0;
}

void CAnalogReferenceDlg::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  if (!pDX->m_bSaveAndValidate) ApplyVisibilityRules();
}

void CAnalogReferenceDlg::ApplyVisibilityRules() {
  CVX_Setup& setup = *GetSetup();
  const int mode = ControlMode(setup);
  const bool input = engine::HasAnalogueReference(setup);
  const bool analogue = IntValue(setup, "isAnalogueReference") == 1;
  const bool limitOn = IntValue(setup, "isLimitMaximum") == 1;
  const bool digitalAllowed = mode == kPositionMode && !m_noFreeConnector;

  CaptionLimit();
  ShowChildren(kFilterRow, input && IntValue(setup, "UseFilter") != 0);
  // Position mode limits a digital reference's acceleration, an analogue
  // one's speed; speed mode has one limit, the acceleration, for either.
  ShowChildren({kDigitalLimitEdit, kDigitalLimitUnit}, mode == kPositionMode && !analogue && limitOn);
  ShowChildren({kAnalogueLimitEdit, kAnalogueLimitUnit},
               limitOn && (mode == kSpeedMode || (mode == kPositionMode && analogue)));
  // Without the input nothing of it is bound, whatever the switch holds.
  EnableChildren(kAnalogueControls, analogue && input);
  EnableChildren(kDigitalControls, !analogue && digitalAllowed);
  EnableChild(kDigitalRadio, digitalAllowed && setup.GetIntOption("DisableExternalDigitalReference") == 0);
}

void CAnalogReferenceDlg::OnChangedParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  if (SameName(name, "UseFilter")) {
    ShowChildren(kFilterRow, IntValue(setup, "UseFilter") != 0);
  } else if (SameName(name, "isAnalogueReference")) {
    UpdateData(FALSE);
  } else if (SameName(name, "DeadBand_Point") || SameName(name, "DeadBand_Range")) {
    // The width's room follows the centre: both come back from the
    // registers with their limits, as the drive will use them.
    engine::ComputeLEVEL_AD5(setup);
    engine::ComputeE_LEVEL_AD5(setup);
    engine::RecoverDeadBand_Point(setup);
    engine::RecoverDeadBand_Range(setup);
    RefreshParameterControls("DeadBand_Point");
    RefreshParameterControls("DeadBand_Range");
  }
  CMySetupDlg::OnChangedParameterValue(name);
}

void CAnalogReferenceDlg::OnChangedParameterUnit(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  for (const RangePair& pair : kRangePairs) {
    if (!SameName(name, pair.maximum)) continue;
    CVX_Parameter* maximum = kernel::ProbeParameter(setup, pair.maximum);
    CVX_Parameter* minimum = kernel::ProbeParameter(setup, pair.minimum);
    if (maximum && minimum) minimum->SetUnitName(maximum->GetUnitName());
    RefreshParameterControls(pair.minimum);
  }
  CMySetupDlg::OnChangedParameterUnit(name);
}

void CAnalogReferenceDlg::RecoverReferenceRange(int controlMode) {
  // The range registers are computed for the present control mode; each end
  // comes back with the limits the other end and the register leave it.
  CVX_Setup& setup = *GetSetup();
  engine::ComputeCADIN(setup);
  engine::ComputeSFTADIN(setup);
  engine::ComputeAD5OFF(setup);
  switch (controlMode) {
    case kPositionMode:
      engine::RecoverPOS_min(setup);
      engine::RecoverPOS_max(setup);
      break;
    case kSpeedMode:
      engine::RecoverSPD_min(setup);
      engine::RecoverSPD_max(setup);
      break;
    case kTorqueMode:
      engine::RecoverCRT_min(setup);
      engine::RecoverCRT_max(setup);
      break;
    default:
      break;
  }
  RefreshAllParameters();
}

void CAnalogReferenceDlg::RepairGearRatio() {
  CVX_Setup& setup = *GetSetup();
  const auto master = engine::Base(setup, "GEARMASTER");
  const auto slave = engine::Base(setup, "GEARSLAVE");
  if (!master || !slave) return;
  // A ratio needs both terms; two negative terms are a positive ratio.
  if (*master == 0.0) engine::WriteBase(setup, "GEARMASTER", 1.0);
  if (*slave == 0.0) engine::WriteBase(setup, "GEARSLAVE", 1.0);
  if (*master < 0.0 && *slave < 0.0) {
    engine::WriteBase(setup, "GEARMASTER", -*master);
    engine::WriteBase(setup, "GEARSLAVE", -*slave);
  }
  RefreshParameterControls("GEARMASTER");
  RefreshParameterControls("GEARSLAVE");
  UpdateData(FALSE);
}

void CAnalogReferenceDlg::OnRefreshParameterValue(const std::string& name) {
  if (SameName(name, "POS_min") || SameName(name, "POS_max")) {
    RecoverReferenceRange(kPositionMode);
  } else if (SameName(name, "SPD_min") || SameName(name, "SPD_max")) {
    RecoverReferenceRange(kSpeedMode);
  } else if (SameName(name, "CRT_min") || SameName(name, "CRT_max")) {
    RecoverReferenceRange(kTorqueMode);
  } else if (SameName(name, "GEARMASTER") || SameName(name, "GEARSLAVE")) {
    RepairGearRatio();
  }
  CMySetupDlg::OnRefreshParameterValue(name);
}

CAnalogReferenceDlg::TestFactory CAnalogReferenceDlg::AnalogueTestFactory() {
  return &dialogs::MakeTest<CTestAnalogueRef>;
}

void CAnalogReferenceDlg::OnTest() {
  const TestFactory factory = AnalogueTestFactory();
  if (!factory) return;
  CVX_Setup& setup = *GetSetup();
  engine::ComputeRegisterParameters(setup);
  engine::RecoverUserParameters(setup);
  factory(&setup, this)->DoModal();
  // The test may have written to the setup, whatever way it ended.
  engine::ComputeRegisterParameters(setup);
  engine::RecoverUserParameters(setup);
  RefreshAllParameters();
  UpdateData(FALSE);
}

void CAnalogReferenceDlg::OnVisibilityInput() { UpdateData(FALSE); }

void CAnalogReferenceDlg::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}

void CAnalogReferenceDlg::OnHelp() { dialogs::ShowHelpTopic(*this, GetSetup(), kHelpContext); }
