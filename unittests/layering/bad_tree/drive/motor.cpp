#include "kernel/setup.h"
#include <platform_independent.h>
