#include "kernel/setup.h"
#include "platform/ui.h"
