// The motor editor of the setup dialogs: choose a motor from a database to
// fill the setup's motor data, or keep the setup's motor data in the USER
// database for later.

#include <algorithm>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"

namespace {

enum : int { kDatabaseCombo = 10010, kMotorNameCombo = 10011, kSaveButton = 10012, kDeleteButton = 10013 };

constexpr char kStandardDatabase[] = "Standard";
constexpr char kUserDatabase[] = "USER";
// Which motor the setup's data came from, so that the editor shows it again
// when the dialog is next opened.
constexpr std::string_view kDatabaseOption = "MotorDatabase";
constexpr std::string_view kMotorNameOption = "MotorName";
// A broken file can give one error per entry; the message shows the first ones.
constexpr std::size_t kErrorsShown = 8;

std::string ErrorLines(const std::vector<std::string>& errors) {
  std::string text;
  for (std::size_t i = 0; i < errors.size() && i < kErrorsShown; ++i) text += errors[i] + "\n";
  if (errors.size() > kErrorsShown) text += fmt::format("... and {} more\n", errors.size() - kErrorsShown);
  return text;
}

// A setup holds only the motor data its drive knows: a missing parameter
// is passed over without a message.
CVX_Parameter* FindMotorParameter(CVX_Setup& setup, std::string_view name) {
  kernel::QuietErrors quiet;
  return setup.FindParameter(name);
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Rewriting a file that did not read completely would drop the entries it
// could not read, which the person may still repair: refuse, and say why.
bool RefusedForUnreadableFile(const kernel::MotorDatabaseLoad& load, const std::string& path, std::string_view doing,
                              std::string_view action) {
  if (load.errors.empty()) return false;
  AfxMessageBox(fmt::format("The USER database \"{}\" cannot be read, and {} would lose what it holds:\n{}"
                            "Correct or move the file, then {} again.",
                            path, doing, ErrorLines(load.errors), action),
                MB_OK | MB_ICONERROR);
  return true;
}

}  // namespace

void CVX_EditSetupDlg::InitializeMotorEditor() {
  m_motorEditor = true;
  if (IsModalRunning()) LoadMotorDatabases();
}

void CVX_EditSetupDlg::LoadMotorDatabases() {
  auto* databases = dynamic_cast<CComboBox*>(GetDlgItem(kDatabaseCombo));
  if (!databases || !GetDlgItem(kMotorNameCombo) || !m_setup) return;
  // At opening the editor shows the setup's motor; a reload (after a change
  // of motor type) keeps what the person chose and repeats no message
  // already shown.
  std::string databaseName = m_setup->GetOptionNoError(kDatabaseOption);
  std::string motorName = m_setup->GetOptionNoError(kMotorNameOption);
  std::vector<std::vector<std::string>> shownErrors;
  if (!m_motorDatabases.empty()) {
    if (databases->GetCurSel() >= 0) databaseName = databases->GetLBText(databases->GetCurSel());
    motorName = GetDlgItemText(kMotorNameCombo);
  }
  for (const kernel::MotorDatabaseFile& file : m_motorDatabases) shownErrors.push_back(file.errors);
  m_motorDatabases.clear();
  m_motorDatabases.push_back({kStandardDatabase, kernel::StandardMotorDatabasePath(), true, {}, {}});
  m_motorDatabases.push_back({kUserDatabase, kernel::UserMotorDatabasePath(), false, {}, {}});
  for (kernel::MotorDatabaseFile& file : m_motorDatabases) {
    kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(file.path);
    file.database = std::move(load.database);
    file.errors = std::move(load.errors);
    // The USER database appears with the first save; the Standard one ships
    // with the program, so its absence is a fault of the installation.
    if (load.fileMissing && file.readOnly) file.errors.push_back("the file does not exist");
  }
  databases->ResetContent();
  for (std::size_t i = 0; i < m_motorDatabases.size(); ++i)
    databases->SetItemData(databases->AddString(m_motorDatabases[i].name), i);
  const int remembered = databases->FindStringExact(-1, databaseName);
  databases->SetCurSel(remembered >= 0 ? remembered : 0);
  SetChildText(kMotorNameCombo, motorName);
  FillMotorNameCombo();
  EnableMotorEditorButtons();

  for (std::size_t i = 0; i < m_motorDatabases.size(); ++i) {
    const kernel::MotorDatabaseFile& file = m_motorDatabases[i];
    if (file.errors.empty() || (i < shownErrors.size() && shownErrors[i] == file.errors)) continue;
    AfxMessageBox(fmt::format("The motor database \"{}\" could not be read completely:\n{}The motors that could be "
                              "read are listed.",
                              file.path, ErrorLines(file.errors)),
                  MB_OK | MB_ICONWARNING);
  }
}

kernel::MotorDatabaseFile* CVX_EditSetupDlg::SelectedMotorDatabase() {
  const auto* databases = dynamic_cast<const CComboBox*>(GetDlgItem(kDatabaseCombo));
  if (!databases || databases->GetCurSel() < 0) return nullptr;
  const std::size_t index = databases->GetItemData(databases->GetCurSel());
  return index < m_motorDatabases.size() ? &m_motorDatabases[index] : nullptr;
}

kernel::MotorDatabaseFile* CVX_EditSetupDlg::UserMotorDatabase() {
  for (kernel::MotorDatabaseFile& file : m_motorDatabases)
    if (!file.readOnly) return &file;
  return nullptr;
}

void CVX_EditSetupDlg::FillMotorNameCombo() {
  auto* names = dynamic_cast<CComboBox*>(GetDlgItem(kMotorNameCombo));
  const kernel::MotorDatabaseFile* file = SelectedMotorDatabase();
  if (!names || !file || !m_setup) return;
  const std::string shown = names->GetWindowText();
  // A setup without a motor type lists every motor.
  std::optional<double> motorType;
  if (const CVX_Parameter* type = FindMotorParameter(*m_setup, "StepperMotorType"))
    motorType = type->GetValueInBaseUnit();
  names->ResetContent();
  for (const kernel::MotorEntry& motor : file->database.motors) {
    const std::optional<double> type = motor.Value("StepperMotorType");
    if (motorType && type && *type != *motorType) continue;
    names->AddString(motor.name);
  }
  const int kept = shown.empty() ? -1 : names->FindStringExact(-1, shown);
  names->SetCurSel(kept);
  if (kept < 0) names->SetWindowText("");
}

void CVX_EditSetupDlg::EnableMotorEditorButtons() {
  const kernel::MotorDatabaseFile* file = SelectedMotorDatabase();
  // A dialog that locks the motor data disables the database combo; the
  // button follows it rather than reopening what the dialog locked.
  const CWnd* databases = GetDlgItem(kDatabaseCombo);
  EnableChild(kDeleteButton, file && !file->readOnly && databases && databases->IsWindowEnabled());
}

bool CVX_EditSetupDlg::OnMotorEditorCommand(UINT code, int id) {
  if (!m_motorEditor || m_motorDatabases.empty()) return false;
  if (id == kDatabaseCombo && code == CBN_SELCHANGE) {
    FillMotorNameCombo();
    EnableMotorEditorButtons();
    return true;
  }
  if (id == kMotorNameCombo && code == CBN_SELCHANGE) {
    const auto* names = dynamic_cast<const CComboBox*>(GetDlgItem(kMotorNameCombo));
    if (names && names->GetCurSel() >= 0) ChooseMotor(names->GetLBText(names->GetCurSel()));
    return true;
  }
  if (id == kSaveButton && code == BN_CLICKED) {
    SaveMotorToUserDatabase();
    return true;
  }
  if (id == kDeleteButton && code == BN_CLICKED) {
    DeleteUserMotor();
    return true;
  }
  return false;
}

void CVX_EditSetupDlg::ChooseMotor(const std::string& motorName) {
  const kernel::MotorDatabaseFile* file = SelectedMotorDatabase();
  const kernel::MotorEntry* motor = file ? file->database.Find(motorName) : nullptr;
  if (!motor) return;
  std::vector<std::string> changed;
  for (const auto& [name, value] : motor->values) {
    CVX_Parameter* parameter = FindMotorParameter(*m_setup, name);
    if (!parameter) continue;
    const double before = parameter->GetValueInBaseUnit();
    parameter->SetValueInBaseUnit(value);  // clipped to the limits
    if (parameter->GetValueInBaseUnit() != before) changed.push_back(parameter->GetName());
  }
  m_setup->SetOption(kDatabaseOption, file->name);
  m_setup->SetOption(kMotorNameOption, motor->name);
  RefreshAllParameters();
  for (const std::string& name : changed) Written(name);
}

void CVX_EditSetupDlg::SaveMotorToUserDatabase() {
  const std::string name = Trimmed(GetDlgItemText(kMotorNameCombo));
  if (name.empty()) {
    AfxMessageBox("Type a name for the motor in the motor name box, then save again.", MB_OK | MB_ICONWARNING);
    return;
  }
  kernel::MotorEntry entry{name, {}};
  for (std::string_view parameter : kernel::kMotorParameterNames)
    if (const CVX_Parameter* found = FindMotorParameter(*m_setup, parameter))
      entry.values.emplace_back(std::string(parameter), found->GetValueInBaseUnit());
  if (entry.values.empty()) {
    AfxMessageBox("This setup holds no motor data to save.", MB_OK | MB_ICONWARNING);
    return;
  }
  kernel::MotorDatabaseFile* user = UserMotorDatabase();
  // Read the file again: another dialog may have saved to it since it was listed.
  kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(user->path);
  if (RefusedForUnreadableFile(load, user->path, "saving", "save")) return;
  if (const kernel::MotorEntry* existing = load.database.Find(name)) {
    const std::string question =
        fmt::format("The USER database already has a motor named \"{}\". Replace it?", existing->name);
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  load.database.Put(entry);
  if (const std::string cause = kernel::SaveMotorDatabase(load.database, user->path); !cause.empty()) {
    AfxMessageBox(fmt::format("The motor \"{}\" could not be saved: {}", name, cause), MB_OK | MB_ICONERROR);
    return;
  }
  m_setup->SetOption(kDatabaseOption, kUserDatabase);
  m_setup->SetOption(kMotorNameOption, name);
  ShowSavedUserDatabase(std::move(load.database), name);
}

void CVX_EditSetupDlg::DeleteUserMotor() {
  kernel::MotorDatabaseFile* user = UserMotorDatabase();
  if (SelectedMotorDatabase() != user) return;
  const std::string name = Trimmed(GetDlgItemText(kMotorNameCombo));
  kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(user->path);
  if (RefusedForUnreadableFile(load, user->path, "deleting", "delete")) return;
  const kernel::MotorEntry* motor = name.empty() ? nullptr : load.database.Find(name);
  if (!motor) {
    AfxMessageBox(name.empty() ? std::string("Select the USER motor to delete.")
                               : fmt::format("The USER database has no motor named \"{}\".", name),
                  MB_OK | MB_ICONWARNING);
    return;
  }
  const std::string stored = motor->name;
  if (AfxMessageBox(fmt::format("Delete the motor \"{}\" from the USER database?", stored),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  load.database.Remove(stored);
  if (const std::string cause = kernel::SaveMotorDatabase(load.database, user->path); !cause.empty()) {
    AfxMessageBox(fmt::format("The motor \"{}\" could not be deleted: {}", stored, cause), MB_OK | MB_ICONERROR);
    return;
  }
  if (kernel::SameName(m_setup->GetOptionNoError(kMotorNameOption), stored)) m_setup->ClearOption(kMotorNameOption);
  ShowSavedUserDatabase(std::move(load.database), {});
}

void CVX_EditSetupDlg::ShowSavedUserDatabase(kernel::MotorDatabase database, const std::string& selectName) {
  kernel::MotorDatabaseFile* user = UserMotorDatabase();
  user->database = std::move(database);
  user->errors.clear();
  auto* databases = dynamic_cast<CComboBox*>(GetDlgItem(kDatabaseCombo));
  databases->SetCurSel(databases->FindStringExact(-1, user->name));
  SetChildText(kMotorNameCombo, selectName);
  FillMotorNameCombo();
  EnableMotorEditorButtons();
}
