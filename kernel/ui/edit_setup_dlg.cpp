#include "kernel/ui/edit_setup_dlg.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "kernel/errors.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/units.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Item data carries integer values; negative ones keep their bits.
DWORD_PTR ToItemData(double value) { return static_cast<DWORD_PTR>(static_cast<std::intptr_t>(std::llround(value))); }
double FromItemData(DWORD_PTR data) { return static_cast<double>(static_cast<std::intptr_t>(data)); }

}  // namespace

CVX_EditSetupDlg::CVX_EditSetupDlg(CVX_Setup* setup, UINT nIDTemplate, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd), m_setup(setup) {}

CVX_EditSetupDlg::CVX_EditSetupDlg(CVX_Setup* setup, UINT nIDTemplate, int flag,
                                   std::vector<std::string> guidelineSteps, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd),
      m_setup(setup),
      m_flag(flag),
      m_guidelineSteps(std::move(guidelineSteps)) {}

CVX_EditSetupDlg::~CVX_EditSetupDlg() = default;

void CVX_EditSetupDlg::OnChangingParameterValue(const std::string&) {}
void CVX_EditSetupDlg::OnChangedParameterValue(const std::string&) {}
void CVX_EditSetupDlg::OnChangedParameterUnit(const std::string&) {}
void CVX_EditSetupDlg::OnRefreshParameterValue(const std::string&) {}

BOOL CVX_EditSetupDlg::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  for (const Binding& binding : m_bindings) FillUnitCombo(binding);
  RefreshAllParameters();
  if (HasGuideline()) ShowGuidelineStep(0);
  if (m_canSettings) FillCANBaudRateCombo();
  if (m_motorEditor) {
    m_motorDatabases.clear();  // each opening reads the files and reports their problems afresh
    LoadMotorDatabases();
  }
  return result;
}

CVX_Parameter* CVX_EditSetupDlg::AddDialogParameter(std::string_view name, const CVX_Parameter& like) {
  if (CVX_Parameter* existing = FindDialogParameter(name)) return existing;
  auto parameter = std::make_unique<CVX_Parameter>(m_setup, std::string(name), -1);
  parameter->InitUnit(like.GetUnitType(), like.GetUnitName());
  parameter->InitType(like.GetValueType());
  parameter->SetDecimals(like.GetDecimals());
  m_dialogParameters.push_back(std::move(parameter));
  return m_dialogParameters.back().get();
}

CVX_Parameter* CVX_EditSetupDlg::FindDialogParameter(std::string_view name) const {
  for (const auto& parameter : m_dialogParameters)
    if (SameName(parameter->GetName(), name)) return parameter.get();
  return nullptr;
}

CVX_Parameter* CVX_EditSetupDlg::Parameter(const Binding& binding) const {
  if (CVX_Parameter* own = FindDialogParameter(binding.name)) return own;
  kernel::QuietErrors quiet;  // the name was checked when it was bound
  return m_setup ? m_setup->FindParameter(binding.name) : nullptr;
}

void CVX_EditSetupDlg::Bind(Binding binding) {
  const CVX_Parameter* parameter = FindDialogParameter(binding.name);
  if (!parameter && m_setup) parameter = m_setup->FindParameter(binding.name);
  if (!parameter) return;
  binding.name = parameter->GetName();
  m_bindings.push_back(std::move(binding));
  if (!IsModalRunning()) return;
  FillUnitCombo(m_bindings.back());
  Refresh(m_bindings.back());
}

void CVX_EditSetupDlg::AddParameterControls(std::string_view name, int editId, int unitId) {
  Bind({Kind::kEdit, std::string(name), editId, editId, unitId, {}});
}

void CVX_EditSetupDlg::AddCheckParameterControls(std::string_view name, int checkId) {
  Bind({Kind::kCheck, std::string(name), checkId, checkId, 0, {}});
}

void CVX_EditSetupDlg::AddSwitchParameterControls(std::string_view name, int firstId, int lastId) {
  Bind({Kind::kRadio, std::string(name), firstId, lastId, 0, {}});
}

void CVX_EditSetupDlg::AddSwitchComboParameterControls(std::string_view name, int comboId) {
  Bind({Kind::kCombo, std::string(name), comboId, comboId, 0, {}});
}

void CVX_EditSetupDlg::FillUnitCombo(const Binding& binding) {
  if (binding.kind != Kind::kEdit || binding.unitId == 0) return;
  auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(binding.unitId));
  const CVX_Parameter* parameter = Parameter(binding);
  if (!combo || !parameter) return;
  combo->ResetContent();
  for (const CVX_UnitFamily& family : m_setup->GetUnits()) {
    if (family.base.name != parameter->GetUnitType()) continue;
    combo->AddString(family.base.name);
    for (const CVX_Unit& unit : family.derived) combo->AddString(unit.name);
  }
  combo->SetCurSel(combo->FindStringExact(-1, parameter->GetUnitName()));
}

std::string CVX_EditSetupDlg::SelectedUnit(const Binding& binding) const {
  const CVX_Parameter* parameter = Parameter(binding);
  const auto* combo = binding.unitId ? dynamic_cast<const CComboBox*>(GetDlgItem(binding.unitId)) : nullptr;
  if (combo && combo->GetCurSel() >= 0) return combo->GetLBText(combo->GetCurSel());
  return parameter ? parameter->GetUnitName() : std::string();
}

void CVX_EditSetupDlg::Refresh(Binding& binding) {
  const CVX_Parameter* parameter = Parameter(binding);
  if (!parameter || !IsModalRunning()) return;
  switch (binding.kind) {
    case Kind::kEdit: {
      const std::string unit = SelectedUnit(binding);
      const double value = parameter->GetUnitType().empty() ? parameter->GetValueInBaseUnit()
                                                             : parameter->GetValueInUnit(unit);
      binding.shown = kernel::FormatParameterValue(value, parameter->GetDecimals());
      SetDlgItemText(binding.firstId, binding.shown);
      break;
    }
    case Kind::kCheck:
      CheckDlgButton(binding.firstId, parameter->GetValueInBaseUnit() != 0.0 ? BST_CHECKED : BST_UNCHECKED);
      break;
    case Kind::kRadio: {
      const double index = parameter->GetValueInBaseUnit();
      for (int id = binding.firstId; id <= binding.lastId; ++id)
        CheckDlgButton(id, index == id - binding.firstId ? BST_CHECKED : BST_UNCHECKED);
      break;
    }
    case Kind::kCombo: {
      auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(binding.firstId));
      if (!combo) break;
      const DWORD_PTR data = ToItemData(parameter->GetValueInBaseUnit());
      int found = -1;
      for (int i = 0; i < combo->GetCount() && found < 0; ++i)
        if (combo->GetItemData(i) == data) found = i;
      combo->SetCurSel(found);
      break;
    }
  }
}

std::vector<CVX_EditSetupDlg::BoundEdit> CVX_EditSetupDlg::BoundEdits() const {
  std::vector<BoundEdit> edits;
  for (const Binding& binding : m_bindings)
    if (binding.kind == Kind::kEdit) edits.push_back({binding.name, binding.firstId});
  return edits;
}

bool CVX_EditSetupDlg::IsBoundToEdit(std::string_view name) const {
  for (const Binding& binding : m_bindings)
    if (binding.kind == Kind::kEdit && SameName(binding.name, name)) return true;
  return false;
}

void CVX_EditSetupDlg::RefreshParameterControls(std::string_view name) {
  for (Binding& binding : m_bindings)
    if (SameName(binding.name, name)) Refresh(binding);
}

void CVX_EditSetupDlg::RefreshAllParameters() {
  for (Binding& binding : m_bindings) Refresh(binding);
}

void CVX_EditSetupDlg::RefreshAllParametersWithCompatibleUnits(std::string_view unitType) {
  for (Binding& binding : m_bindings) {
    const CVX_Parameter* parameter = Parameter(binding);
    if (!parameter || parameter->GetUnitType() != unitType) continue;
    FillUnitCombo(binding);
    Refresh(binding);
  }
}

LRESULT CVX_EditSetupDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) OnCommand(HIWORD(wParam), LOWORD(wParam));
  return CDialog::WindowProc(message, wParam, lParam);
}

void CVX_EditSetupDlg::OnCommand(UINT code, int id) {
  if (OnGuidelineCommand(code, id) || OnCANCommand(code, id) || OnMotorEditorCommand(code, id)) return;
  // A handler may bind or refresh, which can move the bindings: work on the
  // index and copy what is needed before calling out.
  for (size_t i = 0; i < m_bindings.size(); ++i) {
    Binding& binding = m_bindings[i];
    if (binding.kind == Kind::kEdit && binding.unitId == id && code == CBN_SELCHANGE) {
      OnUnitChanged(Binding(binding));
      return;
    }
    if (id < binding.firstId || id > binding.lastId) continue;
    CVX_Parameter* parameter = Parameter(binding);
    if (!parameter) return;
    const std::string name = binding.name;
    switch (binding.kind) {
      case Kind::kEdit:
        if (code != EN_KILLFOCUS) return;
        OnEditLeft(binding);
        return;
      case Kind::kCheck:
        if (code != BN_CLICKED) return;
        OnChangingParameterValue(name);
        parameter->SetValueInBaseUnit(IsDlgButtonChecked(id) == BST_CHECKED ? 1.0 : 0.0);
        break;
      case Kind::kRadio:
        if (code != BN_CLICKED) return;
        OnChangingParameterValue(name);
        parameter->SetValueInBaseUnit(id - binding.firstId);
        break;
      case Kind::kCombo: {
        if (code != CBN_SELCHANGE) return;
        const auto* combo = dynamic_cast<const CComboBox*>(GetDlgItem(id));
        if (!combo || combo->GetCurSel() < 0) return;
        OnChangingParameterValue(name);
        parameter->SetValueInBaseUnit(FromItemData(combo->GetItemData(combo->GetCurSel())));
        break;
      }
    }
    Written(name);
    return;
  }
}

void CVX_EditSetupDlg::OnEditLeft(Binding& binding) {
  const std::string text = GetDlgItemText(binding.firstId);
  // Leaving an edit unchanged must not round the stored value to what shows.
  if (text == binding.shown) return;
  const std::string name = binding.name;
  CVX_Parameter* parameter = Parameter(binding);
  const std::optional<double> value = kernel::ParseParameterValue(text);
  // A refused entry is a message the person must read, as with any dialog;
  // the edit shows the kept value again first.
  if (!value) {
    Refresh(binding);
    AfxMessageBox(kernel::NotANumberMessage(text, name), MB_OK | MB_ICONWARNING);
    return;
  }
  OnChangingParameterValue(name);
  int stored = 0;
  {
    kernel::QuietErrors quiet;
    stored = parameter->GetUnitType().empty() ? parameter->SetValueInBaseUnit(*value)
                                              : parameter->SetValueInUnit(*value, SelectedUnit(binding));
  }
  if (!stored) {
    Refresh(binding);
    AfxMessageBox(std::string(GetLastErrorText()) + ". " + name + " keeps its value.", MB_OK | MB_ICONWARNING);
    return;
  }
  Written(name);
}

void CVX_EditSetupDlg::Written(const std::string& name) {
  // The change handler may replace the value by the one the drive will use;
  // the controls show that one, not what was typed.
  OnChangedParameterValue(name);
  RefreshParameterControls(name);
  OnRefreshParameterValue(name);
}

void CVX_EditSetupDlg::OnUnitChanged(const Binding& binding) {
  if (CVX_Parameter* parameter = Parameter(binding)) parameter->SetUnitName(SelectedUnit(binding));
  OnChangedParameterUnit(binding.name);
  RefreshParameterControls(binding.name);
}
