#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kernel/coff_format.h"
#include "kernel/name_key.h"

namespace {

namespace fs = std::filesystem;
using Role = kernel::ProgramVariableRole;

fs::path ProgramsFolder() { return fs::path(DRIVESETUP_SOURCE_DIR) / "resources" / "programs"; }

CVX_CoffFormat Load(const std::string& program) {
  CVX_CoffFormat coff((ProgramsFolder() / (program + ".json")).string());
  coff.ReadCoff();
  return coff;
}

TEST(ProgramDescriptors, EveryDescriptorLoads) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(ProgramsFolder())) {
    if (entry.path().extension() != ".json") continue;
    CVX_CoffFormat coff(entry.path().string());
    EXPECT_NE(coff.ReadCoff(), 0) << coff.GetErrorText();
    ++count;
  }
  EXPECT_EQ(count, 29);
}

// What the tests write before a start (inputs) and read after the end
// (outputs, drive variables, logged variables), program by program.
struct Contract {
  std::vector<std::string> programs;
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
  std::vector<std::string> driveVariables;
  std::vector<std::string> logs;
};

const std::vector<Contract>& Contracts() {
  static const std::vector<Contract> contracts = {
      {{"Initial_Positioning_Test", "Initial_Positioning_Test_SOL3", "Initial_Positioning_Test_I2"},
       {"In1"}, {"STARTED", "In1"}, {"REFTST_V"}, {}},
      {{"Initial_Positioning_Test_SOL3"}, {}, {}, {"RINCTST_V"}, {}},
      {{"Current_Controller_Tuning_Test_SCL", "Current_Controller_Tuning_Test_SOL"},
       {"RefTest", "In1", "Imax_Prot_Test"}, {"STARTED", "test_flag"}, {},
       {"Current_Reference", "Motor_Current", "Voltage_Reference"}},
      {{"Ident_R_or_Rs_SCL", "Ident_R_or_Rs_SOL", "Ident_R_or_Rs_SOL3"},
       {"In1", "RefTest"}, {"STARTED"}, {"var_i1", "var_u2"}, {"IQ"}},
      {{"Ident_L_or_Tau_el_SCL", "Ident_L_or_Tau_el_SOL", "Ident_L_or_Tau_el_SOL3"},
       {"In1", "RefTest"}, {"STARTED"}, {"TINCTST", "var_i1"}, {"IQ", "ID"}},
      {{"Speed_Controller_Tuning_Test"},
       {"RefTest", "IlimPS_Test", "Imax_Prot_Test", "a0", "a5", "b0", "b5", "MultiC"}, {"STARTED", "test_flag"},
       {"Speed_Reference", "Load_Speed"}, {"Speed_Reference", "Load_Speed", "Current_Reference", "Motor_Current"}},
      {{"Position_Controller_Tuning_Test_with_SpdCtrl_SOL", "Position_Controller_Tuning_Test_with_SpdCtrl_SCL"},
       {"RefTest", "LimitSpeed_Test", "a0", "a5", "b0", "b5", "MultiC"}, {"STARTED", "test_flag"},
       {"Target_Position", "Load_Position"}, {"Target_Position", "Load_Position", "Speed_Reference", "Load_Speed"}},
      {{"Position_Controller_Tuning_Test_without_SpdCtrl"},
       {"RefTest", "IlimPS_Test", "a0", "a5", "b0", "b5", "MultiC"}, {"STARTED", "test_flag"},
       {"Target_Position", "Load_Position"},
       {"Target_Position", "Load_Position", "Current_Reference", "Motor_Current"}},
      {{"Encoder_Resolution_And_Direction_Test", "SC_Encoder_Resolution_And_Direction_Test"},
       {"RefTest", "PolesPairs"}, {"STARTED"}, {"var_lf_long"}, {}},
      {{"Angle_Controller_Tuning_Test"},
       {"In1", "ReferenceIncrement", "TimeLimit"}, {"STARTED", "test_flag", "theta_1"}, {},
       {"Motor_Current", "Electric_Angle"}},
      {{"Total_Inertia_Identification_Test"},
       {"RefTest", "In1", "LimitSpeedMax", "Imax_Prot_Test"}, {"STARTED", "test_flag", "delta_time", "delta_speed"},
       {}, {}},
      {{"Motor_Phase_Connection_Test_SCL", "Motor_Phase_Connection_Test_SOL", "Motor_Phase_Connection_Test_SOL3"},
       {"RefTest"}, {"STARTED"}, {"var_i1", "var_i2"}, {}},
      {{"Motor_Phase_Connection_Test_SOL3", "SSI_Encoder_Offset_Detection_Test"}, {"RIncTest"}, {}, {}, {}},
      {{"Encoder_Connection_Test_SCL", "Encoder_Connection_Test_SOL"},
       {}, {"STARTED"}, {"APOS_MT", "APOS_LD", "CAPPOS", "CAPPOS2", "var_i2"}, {}},
      {{"SSI_Encoder_Connection_Test"}, {}, {"STARTED"}, {"APOS_MT", "APOS_LD", "var_i2"}, {}},
      {{"SSI_Encoder_Offset_Detection_Test"}, {"RefTest"}, {"STARTED"}, {"var_i1", "ZAOFF"}, {}},
      {{"VDC_Detection_Test"}, {}, {"STARTED"}, {"var_u2"}, {}},
      {{"Analogue_Reference_Test"}, {}, {"STARTED"}, {"AD5"}, {}},
      {{"Voltage_Controller_Test"},
       {"Maximum_spd", "Minim_crt", "Nominal_crt", "KUPHASE_val", "USTBYCRT_val", "UOFFSET_val"},
       {"STARTED", "komega_val"}, {"KOMEGA", "VAR_STATUS", "CSPD"}, {}},
  };
  return contracts;
}

bool Names(const std::vector<std::string>& list, const std::string& name) {
  for (const std::string& n : list)
    if (kernel::SameName(n, name)) return true;
  return false;
}

TEST(ProgramDescriptors, EveryProgramTheTestsRunDeclaresItsContract) {
  for (const Contract& contract : Contracts()) {
    for (const std::string& program : contract.programs) {
      const CVX_CoffFormat coff = Load(program);
      ASSERT_TRUE(coff.IsLoaded()) << coff.GetErrorText();
      const kernel::ProgramImage& image = coff.GetImage();
      for (const std::string& name : contract.inputs) {
        const kernel::ProgramVariable* v = image.FindVariable(name);
        ASSERT_NE(v, nullptr) << program << " lacks the input " << name;
        EXPECT_NE(v->role, Role::kOutput) << program << ": " << name;
      }
      for (const std::string& name : contract.outputs) {
        const kernel::ProgramVariable* v = image.FindVariable(name);
        ASSERT_NE(v, nullptr) << program << " lacks the output " << name;
        EXPECT_NE(v->role, Role::kInput) << program << ": " << name;
      }
      std::vector<std::string> driveNames;
      for (const auto& d : image.driveVariables) driveNames.push_back(d.name);
      for (const std::string& name : contract.driveVariables)
        EXPECT_TRUE(Names(driveNames, name)) << program << " does not name the drive variable " << name;
      for (const std::string& name : contract.logs)
        EXPECT_TRUE(Names(image.logs, name)) << program << " does not log " << name;
    }
  }
}

}  // namespace
