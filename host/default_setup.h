#pragma once

namespace host {
// The bundled default setup (two-phase open loop, no sensor) as JSON text.
const char* DefaultSetupText();
}  // namespace host
