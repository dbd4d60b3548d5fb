#include "kernel/setup_file_read.h"

#include <fmt/format.h>

namespace kernel::setup_file {

std::optional<UnitChoice> ResolveUnit(const CVX_Setup& setup, const Members& members, const std::string& family,
                                      const std::optional<std::string>& display, ErrorList& errors) {
  if (family.empty()) {
    if (display && !display->empty()) {
      errors.Add(members.PathOf("display"), "a dimensionless value has no display unit");
      return std::nullopt;
    }
    return UnitChoice{};
  }
  const CVX_Unit* base = setup.FindUnit(family);
  if (!base) {
    errors.Add(members.PathOf("unit"), "unknown unit family " + Quoted(family));
    return std::nullopt;
  }
  if (!base->IsBase()) {
    errors.Add(members.PathOf("unit"),
               fmt::format("{} is a unit of the family {}, not a family", Quoted(base->name), Quoted(base->family)));
    return std::nullopt;
  }
  UnitChoice choice{base->name, base->name};
  if (!display) return choice;
  const CVX_Unit* shown = setup.FindUnit(*display);
  if (!shown) {
    errors.Add(members.PathOf("display"), "unknown unit " + Quoted(*display));
    return std::nullopt;
  }
  if (shown->family != base->name) {
    errors.Add(members.PathOf("display"),
               fmt::format("{} is not a unit of the family {}", Quoted(shown->name), Quoted(base->name)));
    return std::nullopt;
  }
  choice.display = shown->name;
  return choice;
}

}  // namespace kernel::setup_file
