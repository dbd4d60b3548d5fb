#include "commissioning/live_gains.h"

#include <array>

#include "engine/controller_saturations.h"
#include "engine/gain_registers.h"
#include "kernel/comm.h"
#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"

namespace commissioning {
namespace {

using namespace engine;

const std::array<GainEdit, 14> kGainEdits{{
    {"Kp_C_scl", {ComputeSFTKPI, ComputeKPI}, RecoverKp_C_scl, {"SFTKPI", "KPI"}},
    {"Ki_C_scl", {ComputeSFTKII, ComputeKII}, RecoverKi_C_scl, {"SFTKII", "KII"}},
    {"Kp_S_scl", {ComputeSFTKPS, ComputeKPS}, RecoverKp_S_scl, {"SFTKPS", "KPS"}},
    {"Ki_S_scl", {ComputeSFTKIS, ComputeKIS}, RecoverKi_S_scl, {"SFTKIS", "KIS"}},
    {"IPSatS", {ComputeIMAXS}, RecoverIPSatS, {"IMAXS"}},
    {"KFFS_scl", {ComputeSFTSFFW, ComputeKFFS, ComputeSFTKFF}, RecoverKFFS_scl, {"SFTSFFW", "KFFS", "KFFA"}},
    {"KFFA_scl", {ComputeSFTAFFW, ComputeSFTKFF, ComputeKFFA}, RecoverKFFA_scl, {"SFTAFFW", "SFTKFF", "KFFA"}},
    {"Kp_P_scl", {ComputeSFTKPP, ComputeKPP}, RecoverKp_P_scl, {"SFTKPP", "KPP"}},
    {"Ki_P_scl", {ComputeSFTKIP, ComputeKIP}, RecoverKi_P_scl, {"SFTKIP", "KIP"}},
    {"Kd_P_scl", {ComputeSFTKDP, ComputeKDP}, RecoverKd_P_scl, {"SFTKDP", "KDP"}},
    {"IPSatP", {ComputeIMAXP}, RecoverIPSatP, {"IMAXP"}},
    {"filter_D", {ComputeKDFP}, RecoverFilter_D, {"KDFP"}},
    {"Kp_T_scl", {ComputeSFTKPTHT, ComputeKPTHT}, RecoverKp_T_scl, {"SFTKPTHT", "KPTHT"}},
    {"Ki_T_scl", {ComputeSFTKITHT, ComputeKITHT}, RecoverKi_T_scl, {"SFTKITHT", "KITHT"}},
}};

CVX_Parameter* Register(CVX_Setup& setup, std::string_view name) {
  const kernel::QuietErrors quiet;
  return setup.FindParameter(std::string(name));
}

}  // namespace

const GainEdit* FindGainEdit(std::string_view user) {
  for (const GainEdit& edit : kGainEdits)
    if (kernel::SameName(edit.user, user)) return &edit;
  return nullptr;
}

bool ApplyGainEdit(CVX_Setup& setup, const GainEdit& edit) {
  bool ok = true;
  for (auto compute : edit.computes) ok = compute(setup) && ok;
  return edit.recover(setup) && ok;
}

bool DriveRegisterWrites::WriteLive(CVX_Setup& setup, const GainEdit& edit, std::string& error) {
  for (std::string_view name : edit.written) {
    CVX_Parameter* reg = Register(setup, name);
    if (!reg) continue;
    m_written.emplace(name);
    if (!reg->WriteToChip()) {
      error = CVX_Comm::GetLastErrorText();
      return false;
    }
  }
  return true;
}

void DriveRegisterWrites::Restore(CVX_Setup& setup) {
  for (const std::string& name : m_written) {
    CVX_Parameter* reg = Register(setup, name);
    if (reg && !reg->WriteToChip()) break;
  }
  m_written.clear();
}

bool ApplyGainChange(CVX_Setup& setup, std::string_view user, DriveRegisterWrites& writes, bool running) {
  const GainEdit* edit = FindGainEdit(user);
  if (!edit) return false;
  ApplyGainEdit(setup, *edit);
  std::string error;
  if (running) writes.WriteLive(setup, *edit, error);
  return true;
}

}  // namespace commissioning
