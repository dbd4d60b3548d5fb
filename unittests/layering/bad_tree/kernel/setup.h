#include "kernel/ui/edit_setup_dlg.h"
