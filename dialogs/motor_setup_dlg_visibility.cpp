// The Step Motor and Load Setup dialog: which controls are shown and which
// can be edited, re-evaluated by every data exchange towards the controls.
// Later rules override earlier ones for the controls they share.

#include <string>
#include <vector>

#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/motor_setup_values.h"
#include "engine/feedback_sensors.h"

using namespace motorsetup;

namespace {

using Ids = std::vector<int>;

const Ids kInertiaRow{kInertiaLabel, kInertiaEdit, kInertiaUnit, kInertiaUnknownCheck};
const Ids kInertiaValue{kInertiaEdit, kInertiaUnit};
const Ids kTemperatureType{kTemperatureTypeGroup, kNtcRadio, kPtcRadio};
const Ids kPhaseConnection{kPhaseConnectionLabel, kStarRadio, kDeltaRadio};
// What the person may change only while the dialog is not locked.
const Ids kMotorData{kDatabaseCombo,       kMotorNameCombo,     kSaveMotorButton,    kDeleteMotorButton,
                     kNominalCurrentEdit,  kNominalCurrentUnit, kPeakCurrentEdit,    kPeakCurrentUnit,
                     kStepsEdit,           kTorqueConstantEdit, kTorqueConstantUnit, kResistanceEdit,
                     kResistanceUnit,      kInductanceEdit,     kInductanceUnit,     kResistanceTestButton,
                     kInertiaUnknownCheck, kTemperatureCheck,   kStarRadio,          kDeltaRadio,
                     kBiPhaseRadio,        kTriPhaseRadio,      kMotorLinesEdit,     kMotorLinesUnit,
                     kLoadLinesEdit,       kLoadLinesUnit,      kLoadResolutionEdit, kLoadResolutionUnit};
const Ids kMotorSineCosine{kMotorInterpolationLabel, kMotorInterpolationCombo, kMotorEquivalentLabel,
                           kMotorEquivalentEdit, kMotorEquivalentUnit};
const Ids kMotorSerial{kMotorSingleTurnRadio,    kMotorMultiTurnRadio,      kMotorRevolutionBitsEdit,
                       kMotorRevolutionBitsUnit, kMotorRevolutionBitsLabel, kMotorTurnBitsEdit,
                       kMotorTurnBitsUnit,       kMotorTurnBitsLabel,       kMotorCodingLabel,
                       kMotorBinaryRadio,        kMotorGrayRadio,           kMotorClockLabel,
                       kMotorClockCombo,         kMotorSerialReverseCheck,  kMotorSerialTestButton};
const Ids kMotorTurnBits{kMotorTurnBitsEdit, kMotorTurnBitsUnit};
const Ids kMotorOffset{kMotorOffsetLabel, kMotorOffsetEdit, kMotorOffsetUnit, kSerialOffsetButton};
const Ids kLoadSineCosineRows{kLoadInterpolationLabel, kLoadInterpolationCombo, kLoadEquivalentLabel};
const Ids kLoadRotarySerial{kLoadSingleTurnRadio,    kLoadMultiTurnRadio,      kLoadRevolutionBitsEdit,
                            kLoadRevolutionBitsUnit, kLoadRevolutionBitsLabel, kLoadTurnBitsEdit,
                            kLoadTurnBitsUnit,       kLoadTurnBitsLabel};
const Ids kLoadTurnBits{kLoadTurnBitsEdit, kLoadTurnBitsUnit};
const Ids kLoadSerial{kLoadCodingLabel, kLoadBinaryRadio,        kLoadGrayRadio,       kLoadClockLabel,
                      kLoadClockCombo,  kLoadSerialReverseCheck, kLoadSerialTestButton};
const Ids kLoadLinearSerial{kLoadLinearResolutionLabel, kLoadLinearResolutionEdit, kLoadLinearResolutionUnit,
                            kLoadLinearBitsLabel, kLoadLinearBitsEdit};
const Ids kBrakeSettings{kBrakeOutputCombo, kBrakeLevelText, kReleaseTimeLabel, kReleaseTimeEdit,
                         kReleaseTimeUnit,  kApplyTimeLabel, kApplyTimeEdit,    kApplyTimeUnit};

constexpr int kLinear = 1;

bool Encoder(int type) { return type == kIncremental || type == kSineCosine; }

// What the configuration is, as the rules ask it.
struct Configuration {
  explicit Configuration(CVX_Setup& setup)
      : controlType(IntValue(setup, "StepperControlType", -1)),
        motorType(IntValue(setup, "StepperMotorType", -1)),
        motorSensor(IntValue(setup, "MotorSensorType")),
        loadSensor(IntValue(setup, "LoadSensorType")),
        transmission(IntValue(setup, "TransmissionType")),
        intelligent(setup.GetIntOption("isIntelligentMotor") == 1),
        motorMulti(engine::HasSerialMotorSensor(setup) && IntValue(setup, "SSI_isMultiTurn") == 1),
        loadMulti(engine::HasSerialLoadSensor(setup) && IntValue(setup, "SSI_isMultiTurn_LD") == 1) {}

  bool Open() const { return controlType == 0; }
  bool Closed() const { return controlType == 1; }
  bool Linear() const { return transmission == kLinear; }

  int controlType;
  int motorType;
  int motorSensor;
  int loadSensor;
  int transmission;
  bool intelligent;
  bool motorMulti;
  bool loadMulti;
};

}  // namespace

void CMotorSetupDialog::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  if (!pDX->m_bSaveAndValidate) ApplyVisibilityRules();
}

void CMotorSetupDialog::ApplyVisibilityRules() {
  CVX_Setup& setup = *GetSetup();
  const Configuration c(setup);
  const bool locked = Locked();
  const bool inertiaKnown = IntValue(setup, "isMotorInertiaUnknown") == 0;
  const int mst = c.motorSensor;
  const int lst = c.loadSensor;

  ShowChildren(kInertiaRow, c.motorType == 0 && c.Closed());
  EnableChildren(kInertiaValue, !locked && inertiaKnown);
  EnableChild(kInertiaLabel, inertiaKnown);
  EnableChildren(kTemperatureType, !locked && IntValue(setup, "isMotorTemperatureSensor") == 1);
  ShowChildren(kPhaseConnection, c.motorType == 1);
  EnableChild(kClosedLoopRadio, c.motorType == 0);

  SetChildText(kMotorSensorGroup,
               std::string("Motor sensors") + (c.Open() ? " - used only for step loss detection" : ""));
  ShowChildren({kMotorConnectorLabel, kMotorConnectorCombo}, mst != kNoSensor);
  SetChildText(kLoadSensorGroup, std::string("Load sensors") + (c.Open() ? " - used for load position control" : ""));
  ShowChildren({kLoadConnectorLabel, kLoadConnectorCombo}, lst != kNoSensor);

  EnableChildren(kMotorData, !locked);
  EnableMotorEditorButtons();
  // Motor sensor.
  ShowChildren({kMotorLinesLabel, kMotorLinesEdit}, Encoder(mst));
  ShowChild(kMotorLinesUnit, Encoder(mst) && !c.intelligent);
  ShowChildren({kMotorEncoderTestButton, kResolutionTestButton}, Encoder(mst));
  EnableChild(kResolutionTestButton, !locked);
  ShowChild(kMotorBitsLabel, mst == kIncremental && c.intelligent);
  ShowChildren(kMotorSineCosine, mst == kSineCosine);
  ShowChild(kMotorReverseCheck, Encoder(mst));
  EnableChild(kMotorReverseCheck, !locked && MotorReverse(setup));
  ShowChildren(kMotorSerial, engine::IsSerialSensor(mst));
  EnableChildren(kMotorTurnBits, c.motorMulti);
  ShowChildren(kMotorOffset, engine::IsSerialSensor(mst) && c.Closed());
  // Load sensor.
  ShowChildren({kLoadLinesLabel, kLoadLinesEdit}, Encoder(lst) && !c.Linear());
  ShowChild(kLoadLinesUnit, Encoder(lst) && !c.Linear() && !c.intelligent);
  ShowChild(kLoadEncoderTestButton, Encoder(lst));
  ShowChildren({kLoadResolutionLabel, kLoadResolutionEdit}, Encoder(lst) && c.Linear());
  ShowChild(kLoadResolutionUnit, Encoder(lst) && c.Linear() && !c.intelligent);
  ShowChild(kLoadBitsLabel, Encoder(lst) && c.intelligent);
  ShowChildren(kLoadSineCosineRows, lst == kSineCosine);
  ShowChildren({kLoadEquivalentEdit, kLoadEquivalentUnit}, lst == kSineCosine && !c.Linear());
  ShowChildren({kLoadInterpolatedEdit, kLoadInterpolatedUnit}, lst == kSineCosine && c.Linear());
  ShowChildren(kLoadRotarySerial, engine::IsSerialSensor(lst) && !c.Linear());
  EnableChildren(kLoadTurnBits, c.loadMulti);
  ShowChildren(kLoadSerial, engine::IsSerialSensor(lst));
  ShowChildren(kLoadLinearSerial, engine::IsSerialSensor(lst) && c.Linear());
  ShowChild(kLoadReverseCheck, Encoder(lst));
  EnableChild(kLoadReverseCheck, !locked && LoadReverse(setup));

  if (engine::HasEncoderFilter(setup)) {
    ShowChildren({kMotorFilterCheck, kMotorFilterCombo, kMotorFilterLabel}, Encoder(mst));
    EnableChild(kMotorFilterCheck, !locked && MotorFilter(setup));
    EnableChildren({kMotorFilterCombo, kMotorFilterLabel},
                   !locked && MotorFilter(setup) && IntValue(setup, "isFilterEnc_MT") == 1);
    ShowChildren({kLoadFilterCheck, kLoadFilterCombo, kLoadFilterLabel}, Encoder(lst));
    EnableChild(kLoadFilterCheck, !locked && LoadFilter(setup));
    EnableChildren({kLoadFilterCombo, kLoadFilterLabel},
                   !locked && LoadFilter(setup) && IntValue(setup, "isFilterEnc_LD") == 1);
    EnableChild(kFiltersHeading, !locked);
  }
  if (BrakeOutput(setup)) {
    EnableChildren(kBrakeSettings, IntValue(setup, "isMotorBrake") == 1);
    ShowBrakeLevel();
  }
  if (setup.GetIntOption("hasNegTransmission") != 1) {
    // A drive that cannot count the load backwards needs the limit
    // switches swapped when the load turns against the motor.
    const double ratio = BaseValue(setup, "Motor_transmission", 1.0) / BaseValue(setup, "Load_transmission", 1.0);
    ShowChild(kLimitSwitchNoteButton, ratio < 0.0);
  }
  // Without a linear serial load sensor the drive reads a serial load
  // sensor only on a rotary load.
  if ((engine::HasSerialMotorSensor(setup) || engine::HasSerialLoadSensor(setup)) && !Has(setup, "SSI_Resolution_LD"))
    EnableChild(kLinearRadio, !engine::IsSerialSensor(lst));
}

void CMotorSetupDialog::ShowBrakeLevel() {
  CVX_Setup& setup = *GetSetup();
  const int port = static_cast<int>(engine::Internal(setup, "MotorBrake_output").value_or(-1));
  // The port's brake flags say whether it sinks (0x10 in bits 4-5); an
  // inverting output stage turns that around.
  const bool sinking = (setup.IsBrakePortEnable(port) & 0x30) == 0x10;
  const bool toGround = setup.IsIOVX3PortInverted(port) == sinking;
  SetChildText(kBrakeLevelText,
               std::string("Motor brake is applied when ") + (toGround ? "NPN (sink) output is connected to GND."
                                                                       : "PNP (source) output is connected to +Vlog."));
}
