#include "commissioning/vdc_detection_test.h"

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/measured_values.h"
#include "commissioning/supply_voltage.h"
#include "commissioning/vdc_detection_test_controls.h"
#include "kernel/errors.h"
#include "kernel/kernel_functions.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"

namespace {

constexpr const char* kProgram = "VDC_Detection_Test";
constexpr const char* kStageTexts[] = {"Launching test", "Running test"};
constexpr const char* kVdc = "Vdc";
constexpr const char* kLabel = "Power supply";
// The program drives no current, so it runs with the ENABLE input off and
// only a short circuit is watched while it runs.
constexpr std::uint16_t kMask = commissioning::kMaskShortCircuit;
// Once it has ended, any protection that stops a program names itself: the
// run it cut short left no reading, which would show as a supply of 0 V.
constexpr std::uint16_t kStoppedMask = kMask | commissioning::kMaskProgramStoppedIgnoringEnable;
// Stages: 0 and 1 show the texts as the run starts; 2 waits for the program.
constexpr int kWaitingStage = 2;

double Base(const CVX_Setup* setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup ? setup->GetParameterValueInBaseUnit(name) : kMissingValue;
}

}  // namespace

CTestVdcDetection::CTestVdcDetection(CVX_Setup* setup, CWnd* pParent)
    : CMyTestDlg(setup, vdc_detection::kTemplateId, 1, pParent),
      m_oldVdc_V(Base(setup, kVdc)),
      m_vdcMaxMeasurable_V(Base(setup, "VdcMaxMeasurable")) {
  m_nStepCount = 2;
  AddParameterControls(kVdc, vdc_detection::kVdcEdit, vdc_detection::kVdcUnit);
}

BOOL CTestVdcDetection::OnInitDialog() {
  m_coff.SetPath(GetOutPathName(kProgram));
  m_coff.ReadCoff();
  return CMyTestDlg::OnInitDialog();
}

void CTestVdcDetection::BeginTest() {
  SetChildText(vdc_detection::kVdcEdit, "");
  if (!StartRun()) return;
  SetInfoText(kStageTexts[0]);
  if (!RunProgram(kProgram, m_coff)) return;
  SetInfoText(kStageTexts[1]);
  PollAgain();
}

void CTestVdcDetection::OnPollTick() {
  if (m_nStepIndex != kWaitingStage) {
    FailInternal();
    return;
  }
  if (!ProgramEnded(m_coff, kMask, kStoppedMask)) return;
  Evaluate();
}

void CTestVdcDetection::Evaluate() {
  const std::optional<double> counts = ReadDriveVariable("var_u2", true);
  if (!counts) return;
  const auto supply = commissioning::SupplyVoltage_V(*counts, Compute_ADCMaxValue(GetSetup()), m_vdcMaxMeasurable_V);
  if (!supply.ok()) {
    Fail(supply.error());
    return;
  }
  const double vdc_V = RoundDecimalValue(supply.value(), 2);
  const kernel::QuietErrors quiet;
  CVX_Parameter* vdc = GetSetup()->FindParameter(kVdc);
  if (!vdc) {
    FailInternal();
    return;
  }
  // Stored clipped to its limits, the value would be a wrong one reported
  // as measured.
  if (vdc_V < vdc->GetMinimum() || vdc_V > vdc->GetMaximum()) {
    Fail(fmt::format("The measured supply voltage of {:.2f} V lies outside the range the setup accepts ({} V to {} V). "
                     "Check the power supply and the drive's supply rating.",
                     vdc_V, vdc->GetMinimum(), vdc->GetMaximum()));
    return;
  }
  vdc->SetValueInBaseUnit(vdc_V);
  RefreshParameterControls(kVdc);
  TestSucceeded(1);
}

void CTestVdcDetection::OnCancel() {
  const std::vector<commissioning::MeasuredValue> values{
      {kLabel, commissioning::FormatMeasured(m_oldVdc_V, commissioning::ValueFormat::kGeneralUpper),
       commissioning::FormatMeasured(Base(GetSetup(), kVdc), commissioning::ValueFormat::kGeneralUpper)}};
  switch (AskToKeepMeasuredValues(values)) {
    case IDYES:
      EndDialog(IDOK);
      return;
    case IDCANCEL:
      return;
    default:
      // No, or nothing to ask: the kernel's cancel, which puts "Vdc" back.
      CMyTestDlg::OnCancel();
  }
}
