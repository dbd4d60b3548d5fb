#include "plugin/exports.h"

#include <optional>
#include <string>

#include "dialogs/drive_setup_dlg.h"
#include "engine/sequences.h"
#include "engine/unit_scale.h"
#include "kernel/dialog_request.h"
#include "plugin/requested_dialog.h"
#include "plugin/dialog_resources.h"
#include "plugin/init_param.h"

extern "C" {

int g_bKufSinusoidalMode = 0;

// A dialog that cannot open counts as not OK.
int EditSetup(void* setup) {
  // A request is for this call alone, whatever becomes of it.
  const std::optional<std::string> requested = kernel::TakeDialogRequest();
  if (!setup || !plugin::EnsureDialogResources()) return 0;
  auto& edited = *static_cast<CVX_Setup*>(setup);
  if (requested) return plugin::EditRequestedDialog(edited, *requested) == IDOK ? 1 : 0;
  CDriveSetupDlg dialog(&edited);
  return dialog.DoModal() == IDOK ? 1 : 0;
}

void ComputeAllOptions(CVX_Setup* setup) {
  if (!setup) return;
  engine::ComputeAllOptions(*setup);
}

int OnInitParam(CVX_Setup* setup, const char* name) { return plugin::CountInitParam(setup, name); }

double GetScaleFactor(CVX_Setup* setup, const char* unitType, const char* name) {
  return engine::ScaleFactor(setup, unitType, name);
}

double GetScaleOffset(CVX_Setup* setup, const char* unitType) { return engine::ScaleOffset(setup, unitType); }

}  // extern "C"
