#include "engine/biquad_filters.h"

#include <algorithm>
#include <cmath>

#include "engine/biquad_design.h"
#include "engine/biquad_quantise.h"
#include "engine/loop_periods.h"
#include "engine/parameter_limits.h"
#include "engine/setup_access.h"
#include "kernel/errors.h"
#include "kernel/value_type.h"

namespace engine {
namespace {

constexpr std::string_view kFixedPointProbe = "BQ1B0";

// Coefficient register suffixes in the order the drive takes them.
constexpr std::array<std::string_view, 5> kFixedCoefficients{"B0", "B1", "B2", "A1", "A2"};
constexpr std::string_view kFixedScale = "SF";
constexpr std::array<std::string_view, 5> kFloatCoefficients{"B0_F", "B1_F", "B2_F", "A1_F", "A2_F"};

// Integer settings stored as doubles ("BQFilterType<k>" ...); beyond this
// they cannot name a type or location, and lround would overflow.
constexpr double kIndexMagnitudeMax = 1e6;

std::optional<int> Index(std::optional<double> value) {
  if (!value || !(std::fabs(*value) < kIndexMagnitudeMax)) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

std::string SlotName(int slot, std::string_view suffix) {
  return "BQ" + std::to_string(slot) + std::string(suffix);
}

struct Write {
  CVX_Parameter* target;
  double value;
};

// The filter's request at the slow-loop period; nullopt when a parameter the
// type needs is missing. Q and F2 are read only where the type uses them.
std::optional<BiquadRequest> ReadRequest(CVX_Setup& setup, int k, double period_s) {
  const auto type = Index(Base(setup, BiquadUserName(kBiquadTypeStem, k)));
  const auto f1_Hz = Base(setup, BiquadUserName(kBiquadF1Stem, k));
  if (!type || !f1_Hz) return std::nullopt;
  BiquadRequest request;
  request.type = *type;
  request.corner = *f1_Hz * period_s;
  const bool leadLag = *type == static_cast<int>(BiquadType::kLeadLag1) ||
                       *type == static_cast<int>(BiquadType::kLeadLag2);
  if (leadLag) {
    const auto f2_Hz = Base(setup, BiquadUserName(kBiquadF2Stem, k));
    if (!f2_Hz) return std::nullopt;
    request.lag = *f2_Hz * period_s;
  } else if (*type != static_cast<int>(BiquadType::kLowPass1)) {
    const auto q = Base(setup, BiquadUserName(kBiquadQStem, k));
    if (!q) return std::nullopt;
    request.q = *q;
  }
  return request;
}

// The register writes of one slot, appended to `writes`; false when a
// register is missing or a value cannot be held.
bool SlotWrites(CVX_Setup& setup, int slot, bool fixedPoint, const BiquadCoefficients& c, DcGain dc,
                std::vector<Write>& writes) {
  std::array<double, 5> values{};
  CVX_Parameter* sf = nullptr;
  double sfValue = 0.0;
  if (fixedPoint) {
    const FixedBiquad q = QuantiseFixed(c, dc);
    sf = Find(setup, SlotName(slot, kFixedScale));
    sfValue = q.sf;
    // A scale factor the register cannot hold would be clipped, and the
    // drive would run the filter at a different gain.
    if (!sf || !std::isfinite(q.sf) || kernel::FitToType(sf->GetValueType(), q.sf) != q.sf) return false;
    values = {double(q.b0), double(q.b1), double(q.b2), double(q.a1), double(q.a2)};
  } else {
    const FloatBiquad q = QuantiseFloat(c, dc);
    // A coefficient beyond single precision's range would become infinite.
    const BiquadCoefficients held = Dequantise(q);
    if (!AllFinite({held.b0, held.b1, held.b2, held.a1, held.a2})) return false;
    values = {double(q.b0), double(q.b1), double(q.b2), double(q.a1), double(q.a2)};
  }
  const auto& suffixes = fixedPoint ? kFixedCoefficients : kFloatCoefficients;
  for (size_t j = 0; j < values.size(); ++j) {
    CVX_Parameter* target = Find(setup, SlotName(slot, suffixes[j]));
    if (!target) return false;
    writes.push_back({target, values[j]});
  }
  if (sf) writes.push_back({sf, sfValue});
  return true;
}

// Zeroes the slots from `first` on, as far as the setup has them: a firmware
// may state more slots than its parameter set holds.
void ZeroSlotWrites(CVX_Setup& setup, int first, int slots, bool fixedPoint, std::vector<Write>& writes) {
  for (int slot = first; slot <= slots; ++slot) {
    if (!Has(setup, SlotName(slot, fixedPoint ? kFixedCoefficients[0] : kFloatCoefficients[0]))) return;
    for (std::string_view suffix : fixedPoint ? kFixedCoefficients : kFloatCoefficients)
      if (CVX_Parameter* target = Find(setup, SlotName(slot, suffix))) writes.push_back({target, 0.0});
    if (fixedPoint)
      if (CVX_Parameter* sf = Find(setup, SlotName(slot, kFixedScale))) writes.push_back({sf, 0.0});
  }
}

}  // namespace

bool HasBiquadFilters(CVX_Setup& setup) { return Has(setup, kBiquadChainRegisters[1]); }

int BiquadSlotCount(CVX_Setup& setup) { return std::max(MaxBiquadFilters(setup), 0); }

int BiquadUserFilterCount(CVX_Setup& setup) { return std::min(BiquadSlotCount(setup), kBiquadUserFiltersMax); }

std::string BiquadUserName(std::string_view stem, int k) { return std::string(stem) + std::to_string(k); }

BiquadAssignment OrderBiquadSlots(std::span<const std::optional<int>> locations, int slots) {
  BiquadAssignment assignment;
  for (int where = 0; where < kBiquadLocationCount; ++where) {
    for (size_t k = 1; k <= locations.size(); ++k) {
      if (locations[k - 1] != where) continue;
      if (static_cast<int>(assignment.slotFilter.size()) >= slots) {
        assignment.tooMany = true;
        assignment.chainLength = {};
        return assignment;
      }
      assignment.slotFilter.push_back(static_cast<int>(k));
      ++assignment.chainLength[where];
    }
  }
  return assignment;
}

std::optional<BiquadAssignment> AssignBiquadSlots(CVX_Setup& setup) {
  const int filters = BiquadUserFilterCount(setup);
  std::vector<std::optional<int>> locations(filters);
  for (int k = 1; k <= filters; ++k) {
    const auto on = Base(setup, BiquadUserName(kBiquadOnStem, k));
    if (!on) return std::nullopt;
    if (*on == 0.0) continue;
    const auto where = Base(setup, BiquadUserName(kBiquadLocationStem, k));
    if (!where) return std::nullopt;
    locations[k - 1] = Index(where);
  }
  return OrderBiquadSlots(locations, BiquadSlotCount(setup));
}

int WriteBiquadFilters(CVX_Setup& setup, const BiquadAssignment& assignment) {
  std::array<CVX_Parameter*, kBiquadLocationCount> chains{};
  for (int where = 0; where < kBiquadLocationCount; ++where)
    if (!(chains[where] = Find(setup, kBiquadChainRegisters[where]))) return 0;

  const bool fixedPoint = Has(setup, kFixedPointProbe);
  std::vector<Write> writes;
  if (!assignment.slotFilter.empty()) {
    // The period the drive runs the slow loop at, from its divider
    // registers; the shown "Ts_S" lags behind until recovery runs.
    const auto period_s = SlowLoopPeriod(setup);
    if (!period_s) return 0;
    for (size_t i = 0; i < assignment.slotFilter.size(); ++i) {
      const auto request = ReadRequest(setup, assignment.slotFilter[i], *period_s);
      if (!request) return 0;
      const auto coefficients = DesignBiquad(*request);
      if (!coefficients) return 0;
      const int slot = static_cast<int>(i) + 1;
      if (!SlotWrites(setup, slot, fixedPoint, *coefficients, DcGainOf(request->type), writes)) return 0;
    }
  }
  if (!assignment.tooMany)
    ZeroSlotWrites(setup, static_cast<int>(assignment.slotFilter.size()) + 1, BiquadSlotCount(setup), fixedPoint,
                   writes);
  for (int where = 0; where < kBiquadLocationCount; ++where)
    writes.push_back({chains[where], assignment.tooMany ? 0.0 : static_cast<double>(assignment.chainLength[where])});

  int all = 1;
  for (const Write& w : writes) all &= WriteBase(w.target, w.value);
  if (assignment.tooMany) kernel::ReportError(std::string(kTooManyBiquadFiltersError));
  return all;
}

int ComputeBiquadFilters(CVX_Setup& setup) {
  const auto assignment = AssignBiquadSlots(setup);
  if (!assignment) return 0;
  return WriteBiquadFilters(setup, *assignment);
}

}  // namespace engine
