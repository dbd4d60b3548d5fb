#include "commissioning/encoder_connection_test.h"

#include <cmath>

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"

namespace {

constexpr const char* kIncrementalStages[] = {"Launching code for test", "Running test", "Test finished"};
constexpr const char* kSerialStages[] = {"Launching code for test", "Running test"};

// "MotorSensorType" / "LoadSensorType".
constexpr double kSsi = 3;
constexpr double kBiss = 4;
// "SSITYPE" of a BiSS encoder.
constexpr double kBissType = 2;

// A quadrature encoder counts four edges per line.
constexpr double kCountsPerLine = 4;

double Value(const CVX_Setup& setup, std::string_view name) { return setup.GetParameterValueInBaseUnit(name); }

bool ClosedLoop(const CVX_Setup& setup) { return Value(setup, "StepperControlType") != 0; }

std::string IncrementalProgram(const CVX_Setup& setup) {
  return ClosedLoop(setup) ? "Encoder_Connection_Test_SCL" : "Encoder_Connection_Test_SOL";
}

bool IsSerial(double sensorType) { return sensorType == kSsi || sensorType == kBiss; }

}  // namespace

// ----- motor encoder ----------------------------------------------------------------

CTestEncoderConnections::CTestEncoderConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CEncoderConnectionTest(setup, encoder_connection::kTemplateId, flag, pParentWnd, IncrementalProgram(*setup),
                             commissioning::kMaskShortCircuit, kIncrementalStages) {
  m_nStepCount = 3;
  SetHelpContext(encoder_connection::kHelpContext);
  // An index input exists in closed loop, on the connector the motor
  // sensor uses, when the drive has one there.
  const bool firstConnector = Value(*setup, "MotorSensorConnector") == 0;
  m_indexShown = ClosedLoop(*setup) && (firstConnector ? setup->GetIntOption("isIndex") == 1
                                                        : setup->GetIntOption("isIndex2") == 1);
  m_lines = Value(*setup, "No_encoder_lines");
  constexpr double kSineCosine = 2;
  m_countsPerLine = Value(*setup, "MotorSensorType") == kSineCosine
                        ? m_lines * std::ldexp(1.0, static_cast<int>(Value(*setup, "SINCOS_fract")))
                        : m_lines;
}

BOOL CTestEncoderConnections::OnInitDialog() {
  CEncoderConnectionTest::OnInitDialog();
  ShowChildren({encoder_connection::kIndexLabel, encoder_connection::kIndexPositionEdit}, m_indexShown);
  m_dial.Create(this, encoder_connection::kDiagram);
  return TRUE;
}

const char* CTestEncoderConnections::FinishedText() const { return kIncrementalStages[2]; }

void CTestEncoderConnections::ClearDisplays() {
  m_captureArmed = false;
  SetChildText(encoder_connection::kPositionEdit, "");
  m_dial.SetAngle(0.0);
}

bool CTestEncoderConnections::ShowIndexCapture() {
  CVX_Setup& setup = *GetSetup();
  const bool secondConnector = Value(setup, "MotorSensorConnector") != 0;
  if (m_pulses.PulsesSeen() && !m_captureArmed) {
    // Arm the capture once the shaft turns: the next index pulse latches
    // the position.
    setup.ExecuteString(secondConnector ? "DIS2CAPI;!CAP;EN2CAPI1;" : "DISCAPI;!CAP;ENCAPI1;");
    m_captureArmed = true;
  }
  const std::optional<double> captured = ReadDriveVariable(Value(setup, "LoadSensorType") != 0 ? "CAPPOS2" : "CAPPOS");
  if (!captured) return false;
  SetChildText(encoder_connection::kIndexPositionEdit,
               *captured == 0 ? std::string(kIndexNotDetected) : fmt::format("{}", static_cast<long long>(*captured)));
  return true;
}

bool CTestEncoderConnections::ShowPositions() {
  if (m_indexShown && !ShowIndexCapture()) return false;
  const std::optional<double> position = ReadDriveVariable("APOS_MT");
  if (!position) return false;
  SetChildText(encoder_connection::kPositionEdit, fmt::format("{}", static_cast<long long>(*position)));
  if (m_pulses.Update(commissioning::PositionInCycle(*position, kCountsPerLine * m_lines)))
    m_dial.SetAngle(commissioning::IncrementalDiagramAngle_rad(*position, m_countsPerLine));
  return true;
}

// ----- load encoder -------------------------------------------------------------------

CTestEncoderLdConnections::CTestEncoderLdConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CEncoderConnectionTest(setup, encoder_load_connection::kTemplateId, flag, pParentWnd,
                             IncrementalProgram(*setup), commissioning::kMaskShortCircuit, kIncrementalStages) {
  m_nStepCount = 3;
  SetHelpContext(encoder_connection::kHelpContext);
  m_motorShown = Value(*setup, "MotorSensorType") != 0;
}

BOOL CTestEncoderLdConnections::OnInitDialog() {
  CEncoderConnectionTest::OnInitDialog();
  ShowChildren({encoder_load_connection::kMotorDiagram, encoder_load_connection::kMotorPositionEdit}, m_motorShown);
  // The load test follows the counters only; the index capture is the motor test's.
  ShowChildren({encoder_load_connection::kIndexLabel, encoder_load_connection::kIndexPositionEdit}, false);
  return TRUE;
}

const char* CTestEncoderLdConnections::FinishedText() const { return kIncrementalStages[2]; }

void CTestEncoderLdConnections::ClearDisplays() {
  SetChildText(encoder_load_connection::kMotorPositionEdit, "");
  SetChildText(encoder_load_connection::kLoadPositionEdit, "");
}

bool CTestEncoderLdConnections::ShowPositions() {
  CVX_Setup& setup = *GetSetup();
  if (m_motorShown) {
    const std::optional<double> motor = ReadDriveVariable("APOS_MT");
    if (!motor) return false;
    SetChildText(encoder_load_connection::kMotorPositionEdit, fmt::format("{}", static_cast<long long>(*motor)));
  }
  const std::optional<double> load = ReadDriveVariable("APOS_LD");
  if (!load) return false;
  SetChildText(encoder_load_connection::kLoadPositionEdit, fmt::format("{}", static_cast<long long>(*load)));
  m_pulses.Update(commissioning::PositionInCycle(*load, kCountsPerLine * Value(setup, "No_encoder_lines_LD")));
  return true;
}

// ----- serial encoder ------------------------------------------------------------------

CTestSSIEncoderConnections::CTestSSIEncoderConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CEncoderConnectionTest(setup, ssi_connection::kTemplateId, flag, pParentWnd, "SSI_Encoder_Connection_Test",
                             commissioning::kMaskFeedback, kSerialStages) {
  m_nStepCount = 2;
  SetHelpContext(encoder_connection::kHelpContext);
}

BOOL CTestSSIEncoderConnections::OnInitDialog() {
  CEncoderConnectionTest::OnInitDialog();
  if (GetSetup()->GetParameterValueInInternalUnit("SSITYPE") == kBissType) {
    SetChildText(testdlg::kPurposeText, "Checks position reading from the BiSS encoder.");
  }
  return TRUE;
}

void CTestSSIEncoderConnections::ClearDisplays() { SetChildText(ssi_connection::kPositionEdit, ""); }

bool CTestSSIEncoderConnections::ShowPositions() {
  CVX_Setup& setup = *GetSetup();
  const bool onMotor = IsSerial(Value(setup, "MotorSensorType"));
  const std::optional<double> position = ReadDriveVariable(onMotor ? "APOS_MT" : "APOS_LD");
  if (!position) return false;
  SetChildText(ssi_connection::kPositionEdit, fmt::format("{}", static_cast<long long>(*position)));
  const int bits = commissioning::SerialTurnBits(
      Value(setup, IsSerial(Value(setup, "LoadSensorType")) ? "SSI_No_Bits_Revolution_LD" : "SSI_No_Bits_Revolution"));
  m_pulses.Update(commissioning::PositionInCycle(*position, std::ldexp(1.0, bits)));
  return true;
}
