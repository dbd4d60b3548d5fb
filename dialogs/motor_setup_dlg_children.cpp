// The Step Motor and Load Setup dialog: the tests its buttons open.

#include <memory>

#include "commissioning/encoder_connection_test.h"
#include "commissioning/encoder_resolution_test.h"
#include "commissioning/phase_connection_test.h"
#include "commissioning/resistance_inductance_test.h"
#include "commissioning/ssi_offset_test.h"
#include "dialogs/child_factories.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/motor_setup_values.h"
#include "engine/sequences.h"
#include "engine/time_rescale.h"

using namespace motorsetup;

CMotorSetupDialog::ChildFactory CMotorSetupDialog::FactoryOf(Child child) {
  // The tests of the plug-in, by button.
  switch (child) {
    case Child::kEncoderResolution:
      return &dialogs::Make<CDetectEncoderResolution>;
    case Child::kPhaseConnections:
      return &dialogs::MakeTest<CTestPhaseConnections>;
    case Child::kResistanceInductance:
      return &dialogs::MakeTest<CTestRL>;
    case Child::kEncoderConnections:
      return &dialogs::MakeTest<CTestEncoderConnections>;
    case Child::kLoadEncoderConnections:
      return &dialogs::MakeTest<CTestEncoderLdConnections>;
    case Child::kSerialEncoderConnections:
      return &dialogs::MakeTest<CTestSSIEncoderConnections>;
    case Child::kSerialEncoderOffset:
      return &dialogs::MakeTest<CTestSSIEncoderOffset>;
  }
  return nullptr;
}

void CMotorSetupDialog::OpenChild(Child child) {
  const ChildFactory factory = FactoryOf(child);
  if (!factory) return;
  if (child == Child::kEncoderConnections || child == Child::kEncoderResolution) {
    OpenWithoutLoadSensor(child);
    return;
  }
  CVX_Setup& setup = *GetSetup();
  engine::RegisterRoundTrip(setup);
  const std::unique_ptr<CDialog> test = factory(&setup, this);
  if (test->DoModal() != IDOK) return;
  engine::RegisterRoundTrip(setup);
  if (child == Child::kResistanceInductance) {
    RefreshParameterControls("R");
    RefreshParameterControls("L");
  }
  RefreshAllParameters();
  UpdateShownFigures();
  UpdateData(FALSE);
}

void CMotorSetupDialog::OpenWithoutLoadSensor(Child child) {
  CVX_Setup& setup = *GetSetup();
  engine::RegisterRoundTrip(setup);
  // The drive reads the motor encoder alone while the test runs.
  const double loadSensor = BaseValue(setup, "LoadSensorType");
  const double loadConnector = BaseValue(setup, "LoadSensorConnector");
  engine::WriteBase(setup, "LoadSensorType", kNoSensor);
  engine::WriteBase(setup, "LoadSensorConnector", loadConnector);
  engine::ComputeRegisterParameters(setup);

  const std::unique_ptr<CDialog> test = FactoryOf(child)(&setup, this);
  const INT_PTR result = test->DoModal();

  engine::WriteBase(setup, "LoadSensorType", loadSensor);
  engine::WriteBase(setup, "LoadSensorConnector", loadConnector);
  engine::RegisterRoundTrip(setup);
  if (child == Child::kEncoderResolution) AfterResolutionDetection(result, *test);
  RefreshAllParameters();
  UpdateShownFigures();
  UpdateData(FALSE);
}

void CMotorSetupDialog::AfterResolutionDetection(INT_PTR result, const CDialog& test) {
  CVX_Setup& setup = *GetSetup();
  if (result == IDOK) {
    if (Has(setup, "ReverseCounting")) RefreshParameterControls("ReverseCounting");
    engine::RegisterRoundTrip(setup);
    RefreshParameterControls("No_encoder_lines");
    return;
  }
  // Left without keeping the estimate: the counting direction the person
  // set in the test still holds.
  const auto* detection = dynamic_cast<const CDetectEncoderResolution*>(&test);
  if (result == IDCANCEL && detection && Has(setup, "ReverseCounting") && detection->CountingDirection() != -1) {
    engine::WriteBase(setup, "ReverseCounting", detection->CountingDirection());
    engine::RegisterRoundTrip(setup);
  }
}

void CMotorSetupDialog::OnPhaseTest() { OpenChild(Child::kPhaseConnections); }
void CMotorSetupDialog::OnResistanceTest() { OpenChild(Child::kResistanceInductance); }
void CMotorSetupDialog::OnEncoderTest() { OpenChild(Child::kEncoderConnections); }
void CMotorSetupDialog::OnResolutionTest() { OpenChild(Child::kEncoderResolution); }
void CMotorSetupDialog::OnLoadEncoderTest() { OpenChild(Child::kLoadEncoderConnections); }
void CMotorSetupDialog::OnSerialEncoderTest() { OpenChild(Child::kSerialEncoderConnections); }
void CMotorSetupDialog::OnSerialOffsetTest() { OpenChild(Child::kSerialEncoderOffset); }
