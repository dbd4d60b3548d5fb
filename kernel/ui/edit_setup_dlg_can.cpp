// The CANbus group of the setup dialogs: the baud-rate combo and the
// "CANopen settings..." button.

#include <algorithm>
#include <charconv>
#include <string>

#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"

namespace {

enum : int { kBaudRateCombo = 10021, kCANopenButton = 10022 };

// The setup holds the drive's own settings only; the CANopen objects
// (process data mapping, heartbeat, SYNC) are configured by the network's
// master when it starts the drive, so there is nothing here to edit.
constexpr char kCANopenSettingsText[] =
    "The CANopen identity of the drive is its axis ID and its CAN baud rate, both set in this dialog.\n\n"
    "The other CANopen settings (process data mapping, heartbeat, SYNC) are written by the CANopen master when "
    "it starts the drive; the setup holds none of them.";

std::string RateText(int kbps) { return std::to_string(kbps) + " kbps"; }

}  // namespace

namespace kernel {

std::optional<int> CANBaudRateKbps(const CVX_Setup& setup) {
  if (!setup.HasOption(kCANBaudRateOption)) return kDefaultCANBaudRateKbps;
  const std::string text = setup.GetOptionNoError(kCANBaudRateOption);
  int kbps = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kbps);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (std::find(kCANBaudRatesKbps.begin(), kCANBaudRatesKbps.end(), kbps) == kCANBaudRatesKbps.end())
    return std::nullopt;
  return kbps;
}

}  // namespace kernel

void CVX_EditSetupDlg::EnableCANSettings() {
  m_canSettings = true;
  if (IsModalRunning()) FillCANBaudRateCombo();
}

void CVX_EditSetupDlg::FillCANBaudRateCombo() {
  auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kBaudRateCombo));
  if (!combo || !m_setup) return;
  combo->ResetContent();
  for (const int kbps : kernel::kCANBaudRatesKbps) combo->SetItemData(combo->AddString(RateText(kbps)), kbps);
  // A stored text that is no rate selects none: the person sees that a
  // choice is needed instead of a rate the drive would not get.
  const std::optional<int> stored = kernel::CANBaudRateKbps(*m_setup);
  combo->SetCurSel(stored ? combo->FindStringExact(-1, RateText(*stored)) : -1);
}

bool CVX_EditSetupDlg::OnCANCommand(UINT code, int id) {
  if (!m_canSettings || !m_setup) return false;
  if (id == kBaudRateCombo && code == CBN_SELCHANGE) {
    const auto* combo = dynamic_cast<const CComboBox*>(GetDlgItem(kBaudRateCombo));
    if (combo && combo->GetCurSel() >= 0)
      m_setup->SetOption(kernel::kCANBaudRateOption, std::to_string(combo->GetItemData(combo->GetCurSel())));
    return true;
  }
  if (id == kCANopenButton && code == BN_CLICKED) {
    AfxMessageBox(kCANopenSettingsText, MB_OK | MB_ICONINFORMATION);
    return true;
  }
  return false;
}
