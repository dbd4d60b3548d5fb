#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

class CVX_Setup;
class CVX_Parameter;

// The base of every setup dialog: binds setup parameters to the controls of
// the dialog's template, keeps the controls showing the stored values, and
// writes what the person enters back into the setup.
//
// Bindings may be added before the dialog is shown (they take effect in
// OnInitDialog) or from OnInitDialog after calling this class's version
// (they take effect at once). A name the setup lacks is reported by the
// kernel and not bound.
//
// After a person changes a bound control the parameter is written (the
// kernel clips to the limits and fits the type), every control bound to it
// shows the kept value, and then OnChangedParameterValue(name) and
// OnRefreshParameterValue(name) are called, in that order.
class CVX_EditSetupDlg : public CDialog {
 public:
  CVX_EditSetupDlg(CVX_Setup* setup, UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // `flag` is 1 for every dialog of a plug-in. `guidelineSteps` are the texts
  // of the guideline assistant (edit 10007, "Previous" 10005, "Next" 10006);
  // none for a dialog without one.
  CVX_EditSetupDlg(CVX_Setup* setup, UINT nIDTemplate, int flag, std::vector<std::string> guidelineSteps,
                   CWnd* pParentWnd = nullptr);
  ~CVX_EditSetupDlg() override;

  CVX_Setup* GetSetup() const { return m_setup; }

  // ----- bindings -----
  // An edit that shows the value in the unit chosen in the combo `unitId`
  // (0: no combo; the edit then shows the parameter's display unit). The
  // combo lists the base and derived units of the parameter's family.
  void AddParameterControls(std::string_view name, int editId, int unitId = 0);
  // A check box: 1 when checked, 0 when not.
  void AddCheckParameterControls(std::string_view name, int checkId);
  // Radio buttons firstId..lastId: the value is the index of the checked one.
  void AddSwitchParameterControls(std::string_view name, int firstId, int lastId);
  // A combo box whose entries carry the values as item data; the value is
  // the selected entry's data. A value no entry carries selects none.
  void AddSwitchComboParameterControls(std::string_view name, int comboId);

  // ----- refresh -----
  // Every control bound to `name` shows the stored value again.
  void RefreshParameterControls(std::string_view name);
  void RefreshAllParameters();
  // After the derived units of the family `unitType` changed: refills the
  // unit combos of the parameters of that family and refreshes them.
  void RefreshAllParametersWithCompatibleUnits(std::string_view unitType);

  // ----- CANbus group -----
  // The kernel owns the CANbus group: the baud-rate combo 10021 and the
  // "CANopen settings..." button 10022.
  void EnableCANSettings();

  // ----- children -----
  void ShowChild(int id, bool show);
  void EnableChild(int id, bool enable);
  void SetChildText(int id, std::string_view text);
  void ShowChildren(const std::vector<int>& ids, bool show);
  void EnableChildren(const std::vector<int>& ids, bool enable);

  // ----- what derived dialogs react to -----
  virtual void OnChangedParameterValue(const std::string& name);
  virtual void OnChangedParameterUnit(const std::string& name);
  virtual void OnRefreshParameterValue(const std::string& name);

  BOOL OnInitDialog() override;
  // Bound controls are served before the message map of the derived dialog.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  enum class Kind { kEdit, kCheck, kRadio, kCombo };
  struct Binding {
    Kind kind;
    std::string name;  // as the setup spells it
    int firstId;
    int lastId;       // radio ranges; otherwise firstId
    int unitId = 0;   // edits: the unit combo, 0 for none
    std::string shown;  // edits: the text last shown, to tell an edit from a visit
  };

  CVX_Parameter* Parameter(const Binding& binding) const;
  void Bind(Binding binding);
  void FillUnitCombo(const Binding& binding);
  std::string SelectedUnit(const Binding& binding) const;
  void Refresh(Binding& binding);
  void OnCommand(UINT code, int id);
  void OnEditLeft(Binding& binding);
  void OnUnitChanged(const Binding& binding);
  void Written(const std::string& name);

  CVX_Setup* m_setup;
  std::vector<Binding> m_bindings;
  int m_flag = 0;
  std::vector<std::string> m_guidelineSteps;
};

namespace kernel {

// `value` with `decimals` decimals as plain text with a '.', whatever the
// locale ("-0" never shows).
std::string FormatParameterValue(double value, int decimals);
// The finite number `text` writes (blanks around it allowed); nothing for
// a malformed text, infinity or NaN.
std::optional<double> ParseParameterValue(std::string_view text);

}  // namespace kernel
