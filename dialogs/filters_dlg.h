#pragma once

#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// "Filters" (template 3072): up to ten biquad filters of the speed and
// position loops, each on or off, at one of three places of the control
// structure, of one of the offered types, with its corner frequency and Q
// (or a lead and a lag frequency). The register computation designs the
// filters into the drive's slots. The speed and position tuning tests open
// it, and so does the host for a person who edits the filters alone.
//
// The drive has as many filters as its firmware states, ten at most;
// filters beyond them stay greyed. With `lock` the settings are shown only.
// Cancel leaves the setup as the dialog found it.
class CFiltersDialog : public CMySetupDlg {
 public:
  CFiltersDialog(CVX_Setup* setup, int lock, CWnd* pParent = nullptr);
  explicit CFiltersDialog(CVX_Setup* setup, CWnd* pParent = nullptr) : CFiltersDialog(setup, 0, pParent) {}
  ~CFiltersDialog() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnCancel() override;
  void OnRefreshParameterValue(const std::string& name) override;

  // The filters the drive has, 0 to 10.
  int FilterCount() const { return m_count; }

 private:
  void FillChoices(int k);
  void ApplyVisibilityRules();

  dialogs::SetupSnapshot m_atOpening;
  bool m_lock;
  int m_count;
};

namespace dialogs {

// Opens the Filters dialog as its openers do: register computation and user
// value recovery before, and again after OK. IDOK, IDCANCEL or -1; any
// result but IDOK leaves the setup as it came. `lock` non-zero shows the
// filters without letting them change.
INT_PTR EditFilters(CVX_Setup& setup, int lock = 0, CWnd* parent = nullptr);

}  // namespace dialogs
