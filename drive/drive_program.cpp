#include "drive/drive_program.h"

#include <algorithm>
#include <cmath>

#include "kernel/name_key.h"

namespace drive {

double Magnitude(const StatorVector& v) { return std::hypot(v.alpha, v.beta); }

std::int64_t ProgramContext::StepsIn(double seconds) const {
  return std::max<std::int64_t>(1, std::llround(seconds / fast_period_s()));
}

void ProgramContext::CommandCurrentAtAngle(double electrical_angle_rad, double amplitude_counts) {
  CommandCurrent({amplitude_counts * std::cos(electrical_angle_rad),
                  amplitude_counts * std::sin(electrical_angle_rad)});
}

void ProgramRegistry::Add(std::string_view name, ProgramFactory factory) {
  programs_[kernel::NameKey(name)] = {std::string(name), std::move(factory)};
}

bool ProgramRegistry::Has(std::string_view name) const {
  return programs_.contains(kernel::NameKey(name));
}

std::unique_ptr<Program> ProgramRegistry::Create(std::string_view name) const {
  const auto it = programs_.find(kernel::NameKey(name));
  if (it == programs_.end()) return nullptr;
  return it->second.second();
}

std::vector<std::string> ProgramRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& [key, entry] : programs_) names.push_back(entry.first);
  return names;
}

}  // namespace drive
