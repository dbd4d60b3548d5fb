// The Drive Setup dialog: opening the motor dialog, the sub-dialogs and the
// commissioning tests.

#include <memory>

#include "commissioning/angle_tuning_test.h"
#include "commissioning/current_tuning_test.h"
#include "commissioning/position_tuning_test.h"
#include "commissioning/speed_tuning_test.h"
#include "commissioning/vdc_detection_test.h"
#include "commissioning/voltage_identification_test.h"
#include "dialogs/advanced_dialog.h"
#include "dialogs/child_factories.h"
#include "dialogs/drive_info_dialog.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/drive_setup_values.h"
#include "dialogs/host_options.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/position_correction_dialog.h"
#include "dialogs/reference_dlg.h"
#include "dialogs/start_ab_settings_dialog.h"
#include "engine/sequences.h"

using dialogs::Make;
using dialogs::MakeTest;
using dialogs::MakeTuning;
using drivesetup::Has;
using drivesetup::UsesVoltageControl;

namespace {

// What the Drive Setup dialog does around one of the dialogs it opens.
enum class AfterOk {
  kRefresh,              // refresh every control, re-run the rules
  kUpdateLimits,         // new limits (the loop timing may have changed), re-run the rules
  kRefreshControlsOnly,  // refresh every control
  kVoltageParameters,    // new detection point, refresh, re-run the rules
};

struct ChildRule {
  AfterOk afterOk = AfterOk::kRefresh;
  // The reference setup edits values whose limits follow the speed limit and
  // the scales, so they are brought up to date before it opens.
  bool limitsBeforeOpening = false;
};

}  // namespace

CDriveSetupDlg::ChildFactory CDriveSetupDlg::FactoryOf(Child child) {
  // The dialogs of the plug-in, by button. A null entry is a dialog still to
  // come; its button is wired and does nothing until the entry names it.
  switch (child) {
    case Child::kAdvanced:
      return &Make<CAdvancedDialog>;
    case Child::kDriveInfo:
      return &Make<CDriveInfo>;
    case Child::kStartSettings:
      return &Make<CStartABsettings>;
    case Child::kPositionCorrection:
      return &Make<CDrivePositionCorrectionAdvanced>;
    case Child::kMotorSetup:
      return &Make<CMotorSetupDialog>;
    case Child::kReferenceSetup:
      return &Make<CAnalogReferenceDlg>;
    case Child::kVdcDetection:
      return &Make<CTestVdcDetection>;
    case Child::kSpeedTuning:
      return &MakeTuning<CTestSpeedTuning>;
    case Child::kPositionTuning:
      return &MakeTuning<CTestPositionTuning>;
    case Child::kAngleTuning:
      return &Make<CTestAngle>;
    case Child::kCurrentTuning:
      return &MakeTest<CTestCurrent>;
    case Child::kVoltageIdentification:
      return &MakeTest<CTestVoltage>;
  }
  return nullptr;
}

void CDriveSetupDlg::OpenChild(Child child) {
  const ChildFactory factory = FactoryOf(child);
  if (!factory) return;
  // Whatever the person opens first makes the motor dialog's automatic
  // opening moot; a timer still pending would open it on top of this one.
  KillTimer(kMotorDialogTimer);
  ChildRule rule;
  if (child == Child::kReferenceSetup) rule.limitsBeforeOpening = true;
  if (child == Child::kAdvanced) rule.afterOk = AfterOk::kUpdateLimits;
  if (child == Child::kDriveInfo) rule.afterOk = AfterOk::kRefreshControlsOnly;
  if (child == Child::kVoltageIdentification) rule.afterOk = AfterOk::kVoltageParameters;

  // The sub-dialog starts from registers and user values that agree.
  CVX_Setup& setup = *GetSetup();
  engine::ComputeRegisterParameters(setup);
  engine::RecoverUserParameters(setup);
  if (rule.limitsBeforeOpening) engine::UpdateParameterLimits(setup);

  const std::unique_ptr<CDialog> dialog = factory(&setup, this);
  if (dialog->DoModal() == IDOK) {
    engine::ComputeRegisterParameters(setup);
    engine::RecoverUserParameters(setup);
    switch (rule.afterOk) {
      case AfterOk::kRefresh:
        RefreshAllParameters();
        UpdateData(FALSE);
        break;
      case AfterOk::kUpdateLimits:
        engine::UpdateParameterLimits(setup);
        UpdateData(FALSE);
        break;
      case AfterOk::kRefreshControlsOnly:
        RefreshAllParameters();
        break;
      case AfterOk::kVoltageParameters:
        RememberVoltageDetectionPoint();
        for (const char* name : {"UOFFSET", "KOMEGA", "Kphase"}) RefreshParameterControls(name);
        RefreshAllParameters();
        UpdateData(FALSE);
        break;
    }
  }
  if (child == Child::kMotorSetup) AfterMotorDialog();
}

void CDriveSetupDlg::AfterMotorDialog() {
  // The motor dialog may change the control type, the sensors and the
  // steps, whatever way it was closed.
  CVX_Setup& setup = *GetSetup();
  dialogs::UpdateHostOptions(setup);
  if (!Has(setup, "MotionCompleteDefaultSettings")) return;
  ApplyMotionCompleteDefaults();
  RefreshParameterControls("MotionCompleteSettleBand");
  RefreshParameterControls("MotionCompleteStabilizeTime");
}

void CDriveSetupDlg::OnDetectVdc() { OpenChild(Child::kVdcDetection); }

void CDriveSetupDlg::OnCurrentTest() {
  OpenChild(UsesVoltageControl(*GetSetup()) ? Child::kVoltageIdentification : Child::kCurrentTuning);
}

void CDriveSetupDlg::OnSpeedTuning() { OpenChild(Child::kSpeedTuning); }
void CDriveSetupDlg::OnPositionTuning() { OpenChild(Child::kPositionTuning); }
void CDriveSetupDlg::OnAngleTuning() { OpenChild(Child::kAngleTuning); }
void CDriveSetupDlg::OnReferenceSetup() { OpenChild(Child::kReferenceSetup); }
void CDriveSetupDlg::OnAdvanced() { OpenChild(Child::kAdvanced); }
void CDriveSetupDlg::OnDriveInfo() { OpenChild(Child::kDriveInfo); }
void CDriveSetupDlg::OnStartSettings() { OpenChild(Child::kStartSettings); }
void CDriveSetupDlg::OnPositionCorrection() { OpenChild(Child::kPositionCorrection); }
void CDriveSetupDlg::OnMotorSetup() { OpenChild(Child::kMotorSetup); }
