// Every control the electrical tests name exists in its template with the
// class the code expects of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "commissioning/analogue_reference_test_controls.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/encoder_connection_test_controls.h"
#include "commissioning/phase_connection_test_controls.h"
#include "commissioning/resistance_inductance_test_controls.h"
#include "commissioning/ssi_offset_test_controls.h"
#include "commissioning/voltage_identification_test_controls.h"
#include "platform/resources.h"

namespace {

using platform::ControlClass;

struct Named {
  int id;
  ControlClass cls;
};

struct TemplateCase {
  unsigned templateId;
  std::vector<Named> controls;
};

const platform::ResourceSet& Resources() {
  static const platform::ResourceLoad load =
      platform::LoadResources(std::filesystem::path(DRIVESETUP_SOURCE_DIR) / "resources");
  return *load.resources;
}

std::vector<TemplateCase> Cases() {
  using E = ControlClass;
  namespace ct = current_tuning;
  namespace rl = resistance_inductance;
  namespace vi = voltage_identification;
  namespace pc = phase_connection;
  namespace ec = encoder_connection;
  namespace so = ssi_offset;
  namespace ar = analogue_reference;
  return {
      {ct::kTemplateId,
       {{ct::kTabs, E::kTab},           {ct::kParametersGroup, E::kGroupBox}, {ct::kTestCurrentLabel, E::kStatic},
        {ct::kTestCurrentEdit, E::kEdit}, {ct::kTestCurrentUnit, E::kComboBox}, {ct::kProtectionLabel, E::kStatic},
        {ct::kProtectionEdit, E::kEdit}, {ct::kProtectionUnit, E::kComboBox},  {ct::kPicture, E::kPicture},
        {ct::kProcedureLabel, E::kStatic}, {ct::kProcedureText, E::kStatic},   {ct::kGainsGroup, E::kGroupBox},
        {ct::kKpLabel, E::kStatic},      {ct::kKpEdit, E::kEdit},              {ct::kKpDown, E::kSpin},
        {ct::kKpSlider, E::kSlider},     {ct::kKpUp, E::kSpin},                {ct::kKpApply, E::kPushButton},
        {ct::kKiLabel, E::kStatic},      {ct::kKiEdit, E::kEdit},              {ct::kKiDown, E::kSpin},
        {ct::kKiSlider, E::kSlider},     {ct::kKiUp, E::kSpin},                {ct::kKiApply, E::kPushButton},
        {ct::kBandwidthLabel, E::kStatic}, {ct::kBandwidthEdit, E::kEdit},     {ct::kBandwidthUnit, E::kComboBox},
        {ct::kBandwidthDown, E::kSpin},  {ct::kBandwidthSlider, E::kSlider},   {ct::kBandwidthUp, E::kSpin},
        {ct::kTuneButton, E::kPushButton}, {ct::kGraph, E::kStatic},           {ct::kSavePlotsButton, E::kPushButton},
        {ct::kResultLabel, E::kStatic},  {ct::kStatusLabel, E::kStatic},       {ct::kFilterGroup, E::kGroupBox},
        {ct::kFilterLabel, E::kStatic},  {ct::kFilterEdit, E::kEdit},          {ct::kFilterUnit, E::kComboBox},
        {ct::kUseFilterCheck, E::kCheckBox}, {ct::kGravityGroup, E::kGroupBox}, {ct::kOffsetUnit, E::kComboBox},
        {ct::kOffsetEdit, E::kEdit},     {ct::kOffsetLabel, E::kStatic},       {ct::kCompensateGravityCheck, E::kCheckBox}}},
      {rl::kTemplateId,
       {{rl::kResistanceEdit, E::kEdit}, {rl::kResistanceUnit, E::kComboBox}, {rl::kInductanceEdit, E::kEdit},
        {rl::kInductanceUnit, E::kComboBox}, {rl::kTestCurrentEdit, E::kEdit}, {rl::kTestCurrentUnit, E::kComboBox}}},
      {vi::kTemplateId,
       {{vi::kMinimumCurrentEdit, E::kEdit}, {vi::kMinimumCurrentUnit, E::kComboBox}, {vi::kMaximumSpeedEdit, E::kEdit},
        {vi::kMaximumSpeedUnit, E::kComboBox}, {vi::kVoltageBoostEdit, E::kEdit}, {vi::kVoltageBoostFactorEdit, E::kEdit},
        {vi::kSpeedConstantEdit, E::kEdit}, {vi::kVoltageOffsetEdit, E::kEdit}, {vi::kStandByVoltageEdit, E::kEdit},
        {vi::kSpeedConstantLabel, E::kStatic}, {vi::kVoltageOffsetLabel, E::kStatic},
        {vi::kStandByVoltageLabel, E::kStatic}, {vi::kVoltageBoostFactorLabel, E::kStatic}}},
      {pc::kTemplateId,
       {{pc::kTestCurrentEdit, E::kEdit}, {pc::kTestCurrentUnit, E::kComboBox}, {pc::kPhaseACurrentEdit, E::kEdit},
        {pc::kPhaseABar, E::kStatic}, {pc::kPhaseBCurrentEdit, E::kEdit}, {pc::kPhaseBBar, E::kStatic}}},
      {ec::kMotorTemplateId,
       {{ec::kMotorDiagram, E::kStatic}, {ec::kMotorPositionEdit, E::kEdit}, {ec::kIndexLabel, E::kStatic},
        {ec::kIndexPositionEdit, E::kEdit}}},
      {ec::kLoadTemplateId,
       {{ec::kMotorDiagram, E::kStatic}, {ec::kMotorPositionEdit, E::kEdit}, {ec::kIndexLabel, E::kStatic},
        {ec::kIndexPositionEdit, E::kEdit}, {ec::kLoadDiagram, E::kStatic}, {ec::kLoadPositionEdit, E::kEdit}}},
      {ec::kSerialTemplateId, {{ec::kMotorDiagram, E::kStatic}, {ec::kSerialPositionEdit, E::kEdit}}},
      {so::kTemplateId,
       {{so::kTestCurrentEdit, E::kEdit}, {so::kTestCurrentUnit, E::kComboBox}, {so::kOffsetEdit, E::kEdit}}},
      {ar::kTemplateId,
       {{ar::kVoltageEdit, E::kEdit}, {ar::kCommandEdit, E::kEdit}, {ar::kCommandCaption, E::kStatic},
        {ar::kVoltageBar, E::kStatic}, {ar::kCommandBar, E::kStatic}, {ar::kCommandUnit, E::kStatic},
        {ar::kCommandRangeUnit, E::kStatic}}},
  };
}

TEST(ElectricalTestTemplates, EveryNamedControlExistsWithItsClass) {
  for (const TemplateCase& c : Cases()) {
    SCOPED_TRACE(testing::Message() << "template " << c.templateId);
    const platform::DialogTemplate* dialog = Resources().FindDialog(static_cast<int>(c.templateId));
    ASSERT_NE(dialog, nullptr);
    for (const Named& named : c.controls) {
      const platform::ControlTemplate* control = dialog->FindControl(named.id);
      ASSERT_NE(control, nullptr) << "control " << named.id;
      EXPECT_EQ(control->cls, named.cls) << "control " << named.id;
    }
  }
}

}  // namespace
