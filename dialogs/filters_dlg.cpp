#include "dialogs/filters_dlg.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/filters_controls.h"
#include "dialogs/setup_values.h"
#include "engine/biquad_design.h"
#include "engine/biquad_filters.h"
#include "engine/sequences.h"

using namespace filters;

namespace {

struct Choice {
  std::string_view text;
  int value;
};

// The filter types a person may choose, in index order; Peak and the
// shelves need a gain the dialog does not ask for.
constexpr std::array<Choice, 7> kOfferedTypes{{
    {"Low Pass 1st order", static_cast<int>(engine::BiquadType::kLowPass1)},
    {"Low Pass 2nd order", static_cast<int>(engine::BiquadType::kLowPass2)},
    {"Notch", static_cast<int>(engine::BiquadType::kNotch)},
    {"High Pass", static_cast<int>(engine::BiquadType::kHighPass)},
    {"Band Pass", static_cast<int>(engine::BiquadType::kBandPass)},
    {"Lead-lag 1st order", static_cast<int>(engine::BiquadType::kLeadLag1)},
    {"Lead-lag 2nd order", static_cast<int>(engine::BiquadType::kLeadLag2)},
}};

constexpr std::array<Choice, 3> kLocations{{
    {"Position Controller Output", static_cast<int>(engine::BiquadLocation::kPositionControllerOutput)},
    {"Speed Controller Output", static_cast<int>(engine::BiquadLocation::kSpeedControllerOutput)},
    {"Speed Feedback", static_cast<int>(engine::BiquadLocation::kSpeedFeedback)},
}};

std::string Name(std::string_view stem, int k) { return engine::BiquadUserName(stem, k); }

const FilterControls& ControlsOf(int k) { return kFilterControls[static_cast<std::size_t>(k - 1)]; }

bool IsLeadLag(int type) {
  return type == static_cast<int>(engine::BiquadType::kLeadLag1) ||
         type == static_cast<int>(engine::BiquadType::kLeadLag2);
}

// One filter's controls as one list.
std::vector<int> AllOf(const FilterControls& c) {
  return {c.group,          c.onOff, c.locationLabel, c.location, c.typeLabel, c.type, c.qLabel, c.q,
          c.frequencyLabel, c.f1,    c.f1Unit,        c.f2,       c.f2Unit};
}

}  // namespace

CFiltersDialog::CFiltersDialog(CVX_Setup* setup, int lock, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent),
      m_atOpening(*setup),
      m_lock(lock != 0),
      m_count(engine::BiquadUserFilterCount(*setup)) {
  for (int k = 1; k <= m_count; ++k) {
    const FilterControls& c = ControlsOf(k);
    AddSwitchComboParameterControls(Name(engine::kBiquadLocationStem, k), c.location);
    AddCheckParameterControls(Name(engine::kBiquadOnStem, k), c.onOff);
    AddSwitchComboParameterControls(Name(engine::kBiquadTypeStem, k), c.type);
    AddParameterControls(Name(engine::kBiquadQStem, k), c.q, 0);
    AddParameterControls(Name(engine::kBiquadF1Stem, k), c.f1, c.f1Unit);
    AddParameterControls(Name(engine::kBiquadF2Stem, k), c.f2, c.f2Unit);
  }
}

CFiltersDialog::~CFiltersDialog() = default;

BOOL CFiltersDialog::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  for (int k = 1; k <= static_cast<int>(kFilterControls.size()); ++k) {
    if (k > m_count) {
      // The firmware has no such filter.
      EnableChildren(AllOf(ControlsOf(k)), false);
      continue;
    }
    FillChoices(k);
    RefreshParameterControls(Name(engine::kBiquadTypeStem, k));
    RefreshParameterControls(Name(engine::kBiquadLocationStem, k));
  }
  RefreshAllParameters();
  UpdateData(FALSE);
  return TRUE;
}

void CFiltersDialog::FillChoices(int k) {
  const FilterControls& c = ControlsOf(k);
  const auto fill = [this](int id, const auto& choices) {
    auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(id));
    if (!combo) return;
    combo->ResetContent();
    for (const Choice& choice : choices)
      combo->SetItemData(combo->AddString(choice.text), static_cast<DWORD_PTR>(choice.value));
  };
  fill(c.type, kOfferedTypes);
  fill(c.location, kLocations);
}

void CFiltersDialog::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  if (!pDX->m_bSaveAndValidate) ApplyVisibilityRules();
}

void CFiltersDialog::ApplyVisibilityRules() {
  CVX_Setup& setup = *GetSetup();
  for (int k = 1; k <= m_count; ++k) {
    const FilterControls& c = ControlsOf(k);
    RefreshParameterControls(Name(engine::kBiquadQStem, k));
    const bool off = dialogs::IntValue(setup, Name(engine::kBiquadOnStem, k)) == 0;
    const int type = dialogs::IntValue(setup, Name(engine::kBiquadTypeStem, k));
    const bool leadLag = IsLeadLag(type);
    // Low Pass 1st order has no Q.
    const bool hasQ = type != static_cast<int>(engine::BiquadType::kLowPass1);

    EnableChild(c.group, !off);
    EnableChildren({c.locationLabel, c.location, c.typeLabel, c.type, c.frequencyLabel, c.f1, c.f1Unit, c.f2, c.f2Unit},
                   !off && !m_lock);
    EnableChildren({c.qLabel, c.q}, !off && hasQ && !m_lock);
    EnableChild(c.onOff, !m_lock);
    SetChildText(c.onOff, off ? "Off" : "On");
    SetChildText(c.qLabel, leadLag ? "Lag Frequency" : "Q");
    SetChildText(c.frequencyLabel, leadLag ? "Lead Frequency" : "Frequency");
    ShowChildren({c.f2, c.f2Unit}, leadLag);
    ShowChild(c.q, !leadLag);
  }
}

void CFiltersDialog::OnRefreshParameterValue(const std::string& name) {
  // An on/off box, a type or a location changes what the filter asks for.
  UpdateData(FALSE);
  CMySetupDlg::OnRefreshParameterValue(name);
}

void CFiltersDialog::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}

namespace dialogs {

INT_PTR EditFilters(CVX_Setup& setup, int lock, CWnd* parent) {
  // Left any way but OK, the setup is as it came, before the round trip too.
  const SetupSnapshot before(setup);
  engine::ComputeRegisterParameters(setup);
  engine::RecoverUserParameters(setup);
  CFiltersDialog dialog(&setup, lock, parent);
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK) {
    engine::ComputeRegisterParameters(setup);
    engine::RecoverUserParameters(setup);
  } else {
    before.RestoreInto(setup);
  }
  return result;
}

}  // namespace dialogs
