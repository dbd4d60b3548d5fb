// The Drive Setup dialog: the axis identifier and what OK stores.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/drive_setup_values.h"
#include "dialogs/host_options.h"
#include "engine/limit_registers.h"
#include "engine/scales.h"
#include "engine/sequences.h"

using namespace drivesetup;

namespace {

constexpr std::string_view kCanOpenAxisIdWarning =
    "If your drive is set in CANopen mode, the axis ID values must be in the range 1-127. Any value over 127 will "
    "set the drive as non-configured and further CANopen communication will be disabled until a valid Axis ID will "
    "be set in the drive. Leave the drive with a non-configured axis ID only if you intend to set the Axis ID later "
    "via a CANopen master using CiA305 LSS protocol.";
// Combo entries of the identifiers 128 to 255, which CANopen does not accept.
constexpr int kFirstNonCanOpenEntry = 127;
constexpr int kLastNonCanOpenEntry = 254;
// The smallest span the drive accepts between the ends of a position range,
// in position counts.
constexpr double kMinimumRangeSpan = 3.0;

// The number an axis identifier entry starts with; the hardware-set
// identifier "H/W" is 0. Nothing for an entry that names no identifier.
std::optional<int> AxisIdOf(std::string_view text) {
  if (text == "H/W") return 0;
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr == text.data()) return std::nullopt;
  return value;
}

}  // namespace

void CDriveSetupDlg::OnSelchangeAxisId() {
  const int selection = m_axisIdCombo.GetCurSel();
  if (selection >= kFirstNonCanOpenEntry && selection <= kLastNonCanOpenEntry)
    AfxMessageBox(kCanOpenAxisIdWarning, MB_OK | MB_ICONWARNING);
}

void CDriveSetupDlg::StoreAxisId() {
  CVX_Setup& setup = *GetSetup();
  const int selection = m_axisIdCombo.GetCurSel();
  if (selection < 0) return;  // an identifier no entry shows stays as it is
  const std::string text = m_axisIdCombo.GetLBText(selection);
  if (text == std::to_string(IntValue(setup, "Axis_ID_list"))) return;
  if (const auto axisId = AxisIdOf(text)) engine::WriteBase(setup, "Axis_ID_list", *axisId);
}

void CDriveSetupDlg::NormalisePositionRange() {
  CVX_Setup& setup = *GetSetup();
  if (!Has(setup, "POSRANGEDEF")) return;
  const auto scale = engine::PositionScale(setup);
  const auto minimum = engine::Base(setup, "PosRange_Minimum");
  const auto maximum = engine::Base(setup, "PosRange_Maximum");
  if (!scale || !minimum || !maximum) return;
  const double countsPerUnit = std::fabs(*scale);
  double low = countsPerUnit * *minimum;
  double high = countsPerUnit * *maximum;
  if (low > high) std::swap(low, high);
  if (high - low <= kMinimumRangeSpan - 1.0) {
    // Widen upwards, except that a range ending at 0 keeps that end and
    // grows downwards.
    const double missing = kMinimumRangeSpan - (high - low);
    if (high != 0.0)
      high += missing;
    else
      low -= missing;
  }
  bool changed = false;
  const auto store = [&](std::string_view name, double stored, double counts) {
    const double value = counts / countsPerUnit;
    if (value == stored) return;
    engine::WriteBase(setup, name, value);
    changed = true;
  };
  store("PosRange_Minimum", *minimum, low);
  store("PosRange_Maximum", *maximum, high);
  if (!changed) return;
  engine::ComputeMINPOSRANGE(setup);
  engine::ComputeMAXPOSRANGE(setup);
  engine::RecoverPosRange_Minimum(setup);
  engine::RecoverPosRange_Maximum(setup);
  RefreshParameterControls("PosRange_Minimum");
  RefreshParameterControls("PosRange_Maximum");
}

void CDriveSetupDlg::OnOK() {
  CVX_Setup& setup = *GetSetup();
  StoreAxisId();
  NormalisePositionRange();
  engine::ComputeRegisterParameters(setup);
  dialogs::UpdateHostOptions(setup);
  CMySetupDlg::OnOK();
}
