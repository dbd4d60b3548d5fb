#pragma once

#include <string>

class CVX_Setup;

// The converter's full-scale count for the setup's drive.
int Compute_ADCMaxValue(const CVX_Setup* setup);
// `value` rounded to `decimals` decimals (half away from zero); a negative
// count rounds to tens, hundreds ...
double RoundDecimalValue(double value, int decimals);
// The directory of the setup program's own files (templates, bitmaps, test
// program images, the motor database, help): $DRIVESETUP_GUI_DIR when set,
// otherwise share/drivesetup beside the program's bin/ folder. That holds for
// an installed program (<prefix>/bin, <prefix>/share/drivesetup) and for a
// build tree, which copies the files into <build>/share/drivesetup. A host
// elsewhere that loads the installed libraries from <prefix>/lib/drivesetup
// finds the folder from the kernel library's place instead. Nothing is looked
// up in the source tree: the path need not exist, and reading from it then
// fails with its name.
std::string GetGUIDirectory();
// The help file the host gives for this setup, as a path; empty for none.
std::string GetHelpFileOfGUI(const CVX_Setup* setup);
