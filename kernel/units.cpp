#include "kernel/units.h"

#include <cmath>

#include "kernel/name_key.h"

namespace kernel {

bool UnitTable::AddFamily(std::string_view name) {
  if (index_.count(NameKey(name))) return false;
  CVX_UnitFamily family;
  family.base.name = std::string(name);
  family.base.family = family.base.name;
  families_.push_back(std::move(family));
  index_.emplace(NameKey(name), std::make_pair(static_cast<int>(families_.size()) - 1, -1));
  return true;
}

bool UnitTable::MergeDerived(std::string_view name, std::string_view family, double factor, double offset) {
  if (!std::isfinite(factor) || factor == 0.0 || !std::isfinite(offset)) return false;
  auto fam = index_.find(NameKey(family));
  if (fam == index_.end() || fam->second.second != -1) return false;
  const int familyIndex = fam->second.first;

  auto existing = index_.find(NameKey(name));
  if (existing != index_.end()) {
    const auto [f, d] = existing->second;
    if (d == -1) return false;  // a base unit is not redefined
    if (f == familyIndex) {
      CVX_Unit& unit = families_[f].derived[d];
      unit.factor = factor;
      unit.offset = offset;
      return true;
    }
    RemoveDerived(name);
  }
  CVX_UnitFamily& target = families_[familyIndex];
  CVX_Unit unit{std::string(name), target.base.name, factor, offset};
  target.derived.push_back(std::move(unit));
  index_.emplace(NameKey(name), std::make_pair(familyIndex, static_cast<int>(target.derived.size()) - 1));
  return true;
}

bool UnitTable::RemoveDerived(std::string_view name) {
  auto it = index_.find(NameKey(name));
  if (it == index_.end() || it->second.second == -1) return false;
  auto& derived = families_[it->second.first].derived;
  derived.erase(derived.begin() + it->second.second);
  Reindex();
  return true;
}

bool UnitTable::RemoveFamily(std::string_view name) {
  auto it = index_.find(NameKey(name));
  if (it == index_.end() || it->second.second != -1) return false;
  families_.erase(families_.begin() + it->second.first);
  Reindex();
  return true;
}

const CVX_Unit* UnitTable::Find(std::string_view name) const {
  auto it = index_.find(NameKey(name));
  if (it == index_.end()) return nullptr;
  const CVX_UnitFamily& family = families_[it->second.first];
  return it->second.second == -1 ? &family.base : &family.derived[it->second.second];
}

const CVX_UnitFamily* UnitTable::FindFamily(std::string_view name) const {
  auto it = index_.find(NameKey(name));
  if (it == index_.end() || it->second.second != -1) return nullptr;
  return &families_[it->second.first];
}

void UnitTable::Reindex() {
  index_.clear();
  for (size_t f = 0; f < families_.size(); ++f) {
    index_.emplace(NameKey(families_[f].base.name), std::make_pair(static_cast<int>(f), -1));
    for (size_t d = 0; d < families_[f].derived.size(); ++d)
      index_.emplace(NameKey(families_[f].derived[d].name), std::make_pair(static_cast<int>(f), static_cast<int>(d)));
  }
}

}  // namespace kernel
