#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A unit of a unit family. A family is named by its base unit ("rad",
// "rad/s", "A", "s", "°C" ...); the value a parameter holds in base units is
// what the plug-in's scale factors produce. A derived display unit converts
// from the base unit as value_in_unit = (base_value + offset) * factor, so
// "rot" in the family "rad" has the factor 1 / (2 pi) and the offset 0.
struct CVX_Unit {
  std::string name;
  std::string family;
  double factor = 1.0;
  double offset = 0.0;

  bool IsBase() const { return name == family; }
  double FromBase(double base) const { return (base + offset) * factor; }
  double ToBase(double value) const { return value / factor - offset; }
};

struct CVX_UnitFamily {
  CVX_Unit base;
  std::vector<CVX_Unit> derived;
};

namespace kernel {

// The unit families of one setup, in the order they were defined, with an
// O(1) case-insensitive look-up of every unit name. Names are unique across
// all families.
class UnitTable {
 public:
  // Adds a family whose base unit is `name`; false when the name is taken.
  bool AddFamily(std::string_view name);
  // Adds or updates the derived unit `name` of the family `family`. A unit
  // of that name in another family moves to this one. False, with nothing
  // changed, when the family is unknown, the name is a base unit, or the
  // factor is zero or not finite, or the offset not finite.
  bool MergeDerived(std::string_view name, std::string_view family, double factor, double offset);
  // Removes a derived unit; false when it is absent or a base unit.
  bool RemoveDerived(std::string_view name);
  // Removes the family whose base unit is `name`, with its derived units;
  // false when there is none.
  bool RemoveFamily(std::string_view name);

  const CVX_Unit* Find(std::string_view name) const;
  const CVX_UnitFamily* FindFamily(std::string_view name) const;
  const std::vector<CVX_UnitFamily>& Families() const { return families_; }

 private:
  void Reindex();

  std::vector<CVX_UnitFamily> families_;
  // Case-folded unit name -> (family index, derived index or -1 for the base).
  std::unordered_map<std::string, std::pair<int, int>> index_;
};

}  // namespace kernel
