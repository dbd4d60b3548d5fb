#include "engine/controller_saturations_test_setup.h"

#include "engine/config_words_control.h"
#include "engine/config_words_operation.h"
#include "kernel/name_key.h"

namespace saturationtest {

using testsupport::AddParameter;
using testsupport::AddRegister;
using kernel::ValueType;

void SetMode(CVX_Setup& setup, const Mode& mode) {
  SetInternal(setup, "StepperControlType", mode.control);
  SetInternal(setup, "ControlMode", mode.controlMode);
  SetInternal(setup, "PositionControlType", mode.positionType);
  engine::ComputeOSR(setup);
  engine::ComputeACR(setup);
}

CVX_Setup SaturationDrive(const Mode& mode) {
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.adcMaxValue = static_cast<int>(kAdc);
  setup.SetIdentity(identity);
  testsupport::AddParameters(
      setup, {{"DSP_freq", 60e6}, {"ImaxPS", 10}, {"NoMotorSteps", 200}, {"NoMicroStepsPerStep", 256},
              {"Motor_transmission", engine::kTwoPi}, {"Load_transmission", engine::kTwoPi},
              {"TransmissionType", 0}, {"MotorSensorType", 1}, {"LoadSensorType", 0}, {"StepperMotorType", 0},
              {"StepperControlType", 0}, {"ControlMode", 0}, {"PositionControlType", 0}, {"ExternalReference", 0},
              {"IPSatS", 0}, {"IPSatP", 0}, {"isCompensateGravitationalLoads", 0}, {"isLimitAcceleration", 0},
              {"Vdc", 48}, {"K", 0.5}, {"Jt", 3e-4}, {"Jm", 1e-4}, {"Jload_over_J", 0}});
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 16.0}, {"MECRESL", 4000.0},
                             {"OSR", 0.0}, {"ACR", 0.0}, {"SATS", 0.0}, {"IMAXS", 0.0}, {"SATP", 0.0},
                             {"IMAXP", 0.0}, {"IMAXPROT", 0.0}})
    AddRegister(setup, name, value);
  AddParameter(setup, "FFL", 0, ValueType::kInt16);
  AddParameter(setup, "ACC_LIMIT", 0);
  for (const char* name : {"IlimPS", "In", "InPS", "ImaxM", "OffsetCurrent", "TestCurrent", "TestLimitCurrent",
                           "TestProtectionCurrent"})
    AddParameter(setup, name, 0, ValueType::kDouble, "A");
  for (const char* name : {"Limit_Speed", "TestMaxSpeed"}) AddParameter(setup, name, 0, ValueType::kDouble, "rad/s");
  AddParameter(setup, "Limit_Acceleration", 0, ValueType::kDouble, "rad/s^2");

  SetMode(setup, mode);
  SetBase(setup, "In", 3);
  SetBase(setup, "InPS", 5);
  SetBase(setup, "ImaxM", 6);
  SetBase(setup, "IlimPS", 2.5);
  SetBase(setup, "IPSatS", 90);
  SetBase(setup, "IPSatP", 80);
  SetBase(setup, "Limit_Speed", 40);
  return setup;
}

CVX_Setup Without(const CVX_Setup& setup, std::string_view name) {
  CVX_Setup copy;
  copy.SetIdentity(setup.GetIdentity());
  for (const CVX_Parameter* p : setup.GetParameters()) {
    if (kernel::SameName(p->GetName(), name)) continue;
    CVX_Parameter* q = copy.AddParameter(p->GetName());
    q->InitType(p->GetValueType());
    q->InitUnit(p->GetUnitType(), p->GetUnitType());
    q->InitInternal(p->GetValueInInternalUnit());
    q->InitLimits(p->GetMinimum(), p->GetMaximum());
  }
  return copy;
}

}  // namespace saturationtest
