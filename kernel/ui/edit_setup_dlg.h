#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/motor_database.h"
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
// Just before a person's change of a bound control is written,
// OnChangingParameterValue(name) is called, while the setup still holds the
// old value. After a person changes a bound control the parameter is written (the
// kernel clips to the limits and fits the type), OnChangedParameterValue(name)
// is called, every control bound to it shows the value then kept (so a
// handler that quantises the value shows its result), and last
// OnRefreshParameterValue(name) is called.
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

  // The edits bound to parameters, in binding order: the parameter's name
  // as the setup spells it and the edit's identifier.
  struct BoundEdit {
    std::string name;
    int editId;
  };
  std::vector<BoundEdit> BoundEdits() const;
  bool IsBoundToEdit(std::string_view name) const;

  // ----- values the dialog owns -----
  // A value that the dialog derives for display and that must never reach
  // the setup or its file: a parameter named `name`, of the unit, type and
  // decimals of `like`, that lives in the dialog. Bindings and refreshes
  // find it by name like a setup parameter; the dialog sets its value.
  // Returns the existing one when `name` was added before.
  CVX_Parameter* AddDialogParameter(std::string_view name, const CVX_Parameter& like);
  CVX_Parameter* FindDialogParameter(std::string_view name) const;

  // ----- refresh -----
  // Every control bound to `name` shows the stored value again.
  void RefreshParameterControls(std::string_view name);
  void RefreshAllParameters();
  // After the derived units of the family `unitType` changed: refills the
  // unit combos of the parameters of that family and refreshes them.
  void RefreshAllParametersWithCompatibleUnits(std::string_view unitType);

  // ----- CANbus group -----
  // The kernel owns the CANbus group: the baud-rate combo 10021 and the
  // "CANopen settings..." button 10022. The baud rate is the setup option
  // kernel::kCANBaudRateOption; a choice is stored at once. Callable before
  // the dialog is shown (it then takes effect in OnInitDialog).
  void EnableCANSettings();

  // ----- motor editor -----
  // Combo 10010 lists the motor databases ("Standard", read-only, and
  // "USER"), the editable combo 10011 the motors of the chosen one that fit
  // the setup's motor type; choosing a motor writes its data into the setup.
  // "Save to User Database" 10012 stores the setup's motor data under the
  // name typed in 10011, "Delete" 10013 removes a USER motor. Callable before
  // the dialog is shown, like EnableCANSettings.
  void InitializeMotorEditor();
  // Lists again the motors of the chosen database (after a change of the
  // motor type); a name that is still listed stays selected.
  void FillMotorNameCombo();
  // "Delete" is enabled for a USER motor while the database combo is: a
  // dialog that enables or disables the combo calls this after it.
  void EnableMotorEditorButtons();

  // ----- children -----
  void ShowChild(int id, bool show);
  void EnableChild(int id, bool enable);
  void SetChildText(int id, std::string_view text);
  void ShowChildren(const std::vector<int>& ids, bool show);
  void EnableChildren(const std::vector<int>& ids, bool enable);

  // ----- what derived dialogs react to -----
  virtual void OnChangingParameterValue(const std::string& name);
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

  // Guideline assistant (edit_setup_dlg_guideline.cpp).
  bool HasGuideline() const;
  void ShowGuidelineStep(std::size_t step);
  bool OnGuidelineCommand(UINT code, int id);
  // CANbus group (edit_setup_dlg_can.cpp).
  void FillCANBaudRateCombo();
  bool OnCANCommand(UINT code, int id);
  // Motor editor (edit_setup_dlg_motor.cpp).
  void LoadMotorDatabases();
  bool OnMotorEditorCommand(UINT code, int id);
  kernel::MotorDatabaseFile* SelectedMotorDatabase();
  kernel::MotorDatabaseFile* UserMotorDatabase();
  void ChooseMotor(const std::string& motorName);
  void SaveMotorToUserDatabase();
  void DeleteUserMotor();
  void ShowSavedUserDatabase(kernel::MotorDatabase database, const std::string& selectName);

  CVX_Setup* m_setup;
  std::vector<Binding> m_bindings;
  std::vector<std::unique_ptr<CVX_Parameter>> m_dialogParameters;
  int m_flag = 0;
  std::vector<std::string> m_guidelineSteps;
  std::size_t m_guidelineStep = 0;
  bool m_canSettings = false;
  bool m_motorEditor = false;
  std::vector<kernel::MotorDatabaseFile> m_motorDatabases;
};

namespace kernel {

// `value` with `decimals` decimals as plain text with a '.', whatever the
// locale ("-0" never shows).
std::string FormatParameterValue(double value, int decimals);
// The finite number `text` writes (blanks around it allowed); nothing for
// a malformed text, infinity or NaN.
std::optional<double> ParseParameterValue(std::string_view text);
// The message box a person sees after leaving an edit that holds no number
// (`typed`, bound to parameter `name`). A number the kernel refuses shows the
// kernel's reason instead, followed by "<name> keeps its value.".
std::string NotANumberMessage(std::string_view typed, std::string_view name);

// The CAN bit rate is kept in this setup option as kbit/s in decimal ("500"),
// and saved with the setup file. The drives take the standard CAN rates.
inline constexpr std::string_view kCANBaudRateOption = "CANbaudrate";
inline constexpr std::array<int, 8> kCANBaudRatesKbps = {10, 20, 50, 125, 250, 500, 800, 1000};
// What a setup without the option uses, a common rate of CAN networks.
inline constexpr int kDefaultCANBaudRateKbps = 500;
// The setup's rate; the default when the option is absent, nothing when it
// holds a text that is not one of the rates above.
std::optional<int> CANBaudRateKbps(const CVX_Setup& setup);

}  // namespace kernel
