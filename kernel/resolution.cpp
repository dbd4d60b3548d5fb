#include "kernel/resolution.h"

#include <algorithm>
#include <cstdlib>

int CResolution::FindBestResolution(int lines) const {
  const auto above = std::lower_bound(kLines.begin(), kLines.end(), lines);
  if (above == kLines.begin()) return kLines.front();
  if (above == kLines.end()) return kLines.back();
  const int below = *(above - 1);
  return static_cast<long long>(*above) - lines < static_cast<long long>(lines) - below ? *above : below;
}

int CResolution::GetResolution(int index) const {
  return kLines[static_cast<std::size_t>(std::clamp(index, 0, GetResolutionCount() - 1))];
}
