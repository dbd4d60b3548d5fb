#pragma once

#include <string>

class CVX_Setup;

// The converter's full-scale count for the setup's drive.
int Compute_ADCMaxValue(const CVX_Setup* setup);
// `value` rounded to `decimals` decimals (half away from zero); a negative
// count rounds to tens, hundreds ...
double RoundDecimalValue(double value, int decimals);
// The directory of the setup program's own files (templates, help, images):
// $DRIVESETUP_GUI_DIR when set, otherwise the directory of the kernel library.
std::string GetGUIDirectory();
// The help file the host gives for this setup, as a path; empty for none.
std::string GetHelpFileOfGUI(const CVX_Setup* setup);
