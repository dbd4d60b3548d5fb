#include "plugin/scl_app.h"

CSCLApp theApp;
