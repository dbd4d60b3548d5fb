#pragma once

class CVX_Setup;

// Registers that hold another parameter's drive value unchanged, and the
// user values that read them back. Each copies the internal value and
// returns 0, writing nothing, when either side is missing.
namespace engine {

int ComputeSATID(CVX_Setup& setup);   // = "SATPWM"
int ComputeSATIQ(CVX_Setup& setup);   // = "SATPWM"
int ComputeIDRSTEP(CVX_Setup& setup);  // = "RunCurrent"

// Open-loop correction with the encoder on the load.
int ComputeMAXCORRERR(CVX_Setup& setup);  // = "MaxCorrErrUser"
int ComputeCACCDECR(CVX_Setup& setup);    // = "CaccDecrUser"
int ComputeCSPDDECR(CVX_Setup& setup);    // = "CspdDecrUser"
int RecoverMaxCorrErrUser(CVX_Setup& setup);
int RecoverCaccDecrUser(CVX_Setup& setup);
int RecoverCspdDecrUser(CVX_Setup& setup);

}  // namespace engine
