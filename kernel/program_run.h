#pragma once

#include <string>
#include <string_view>

class CVX_CoffFormat;
class CVX_Logger;
class CVX_Setup;

// Running test programs on the active drive: what the test dialog base
// offers its tests (GetOutPathName, ExecuteCode, Get/SetUserVariableValue,
// GetAxisOn) as free functions of the kernel. Return values follow the
// kernel: non-zero on success, 0 on failure.
namespace kernel {

// The directory that holds the program descriptors: $DRIVESETUP_PROGRAMS_DIR
// when set and not empty, otherwise GetGUIDirectory()/programs. The path need
// not exist; reading from it then fails with its name.
std::string ProgramsDirectory();

// The directory of the plug-in's dialog templates, bitmaps, strings and motor
// database (resources/README.md): $DRIVESETUP_RESOURCES_DIR when set and not
// empty, otherwise GetGUIDirectory().
std::string ResourcesDirectory();

// The path of the descriptor of `testName`: <ProgramsDirectory()>/<testName>.json.
std::string GetOutPathName(std::string_view testName);

// Called once the program has started on the drive.
using ExecuteCallback = void (*)(void* context);

// Downloads the setup's register parameters, then starts `codeName` with
// the inputs written to `coff` since it was read and with the logger's
// variables and settings (a single-axis logger records into the drive's
// buffer, a scope logger streams). The image must be loaded and be that of
// `codeName`: otherwise, or when the logger cannot log, the failure goes
// through the kernel error channel. A refusal of the drive leaves its text
// in CVX_Comm::GetLastErrorText(). Non-zero when the program started.
int ExecuteCode(CVX_Setup& setup, std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger,
                ExecuteCallback callback, void* context);

// Writes an input (or in-out) variable of the program; the value is fitted
// to the variable's type, sent to the drive at once and kept for the next
// start. A variable the image lacks, an output, a value that is not finite
// or a failed write give 0 with `errorText` saying why.
int SetUserVariableValue(CVX_CoffFormat& coff, std::string_view name, double value, std::string& errorText);

// Reads a variable of the program from the drive. On failure `value`
// becomes the missing value 1.2345e100 and `errorText` says why.
int GetUserVariableValue(const CVX_CoffFormat& coff, std::string_view name, double& value,
                         std::string& errorText);

// Whether the drive's power stage is enabled: `on` becomes 1 or 0. Non-zero
// on success; on failure `on` is left as it was.
int GetAxisOn(int& on);

}  // namespace kernel
