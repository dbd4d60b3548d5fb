#pragma once

class CVX_Setup;

namespace plugin {

// The counting behind the OnInitParam export. Each call naming one of the
// five transmission-related parameters (any letter case) counts; the fifth
// counted call runs the step units update on `setup`, restarts the count and
// returns the update's result. Every other call returns 1.
//
// The count belongs to the process, not to a setup. A null `name` counts
// nothing. A null `setup` counts like any other call, but the update it would
// trigger cannot run, so that fifth call fails (0) and the count restarts.
int CountInitParam(CVX_Setup* setup, const char* name);

}  // namespace plugin
