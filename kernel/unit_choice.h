#pragma once

#include <string>
#include <string_view>

class CVX_Setup;

namespace kernel {

// The unit a parameter or variable shows: its chosen display unit while that
// unit still belongs to its family, otherwise the family's base unit.
const std::string& ShownUnitName(const CVX_Setup& setup, const std::string& family, const std::string& chosen);

// Resolves `unit` (a family's base unit or one of its derived units) into the
// family and the display unit; an empty unit makes the quantity
// dimensionless. False, with nothing changed, for a unit the setup lacks.
bool ChooseUnit(const CVX_Setup& setup, std::string_view unit, std::string& family, std::string& chosen);

}  // namespace kernel
