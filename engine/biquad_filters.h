#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CVX_Setup;

// The drive's biquad filter slots: which user filters run where, their
// coefficient registers and the three chain lengths.
//
// User filter k (1..10) is "BQFilter<k>" (on/off), "BQFilterLocation<k>",
// "BQFilterType<k>", "BQFilterF1<k>", "BQFilterF2<k>", "BQFilterQ<k>". Drive
// slot i holds "BQ<i>B0" .. "BQ<i>A2" and "BQ<i>SF" on a fixed-point drive,
// "BQ<i>B0_F" .. "BQ<i>A2_F" on a floating-point one (no "BQ1B0").
namespace engine {

// Where in the control structure a filter runs; "BQFilterLocation<k>".
enum class BiquadLocation : int {
  kPositionControllerOutput = 0,  // chain "SPDREF_BQ_INI"
  kSpeedControllerOutput = 1,     // chain "IQREF_BQ_INI"
  kSpeedFeedback = 2,             // chain "ASPD_BQ_INI"
};
inline constexpr int kBiquadLocationCount = 3;

// The dialog offers at most this many user filters.
inline constexpr int kBiquadUserFiltersMax = 10;

inline constexpr std::string_view kTooManyBiquadFiltersError =
    "Error: Filters disabled! Current firmware does not support this many filters. Please disable some filters.";

// The chain-length register of each location, in location order.
inline constexpr std::array<std::string_view, kBiquadLocationCount> kBiquadChainRegisters{
    "SPDREF_BQ_INI", "IQREF_BQ_INI", "ASPD_BQ_INI"};

// The firmware has biquad filters: "IQREF_BQ_INI" exists.
bool HasBiquadFilters(CVX_Setup& setup);

// Drive slots: "MaxFilters" as the firmware states it (never negative).
int BiquadSlotCount(CVX_Setup& setup);
// User filters the dialog and the designer use: min(slots, 10).
int BiquadUserFilterCount(CVX_Setup& setup);

// The user parameters of filter k are these stems followed by k.
inline constexpr std::string_view kBiquadOnStem = "BQFilter";
inline constexpr std::string_view kBiquadLocationStem = "BQFilterLocation";
inline constexpr std::string_view kBiquadTypeStem = "BQFilterType";
inline constexpr std::string_view kBiquadF1Stem = "BQFilterF1";
inline constexpr std::string_view kBiquadF2Stem = "BQFilterF2";
inline constexpr std::string_view kBiquadQStem = "BQFilterQ";
std::string BiquadUserName(std::string_view stem, int k);

// The enabled filters in slot order: first those at the position controller
// output, then the speed controller output, then the speed feedback, each in
// ascending filter number.
struct BiquadAssignment {
  std::vector<int> slotFilter;  // slotFilter[i - 1] is the user filter in slot i
  std::array<int, kBiquadLocationCount> chainLength{};
  // More filters are on than the drive has slots: the chains stay empty.
  bool tooMany = false;
};

// The slot order for user filters 1, 2, ...: locations[k - 1] is filter k's
// location when it is on, nullopt when it is off. A location outside 0..2
// places the filter nowhere.
BiquadAssignment OrderBiquadSlots(std::span<const std::optional<int>> locations, int slots);

// The same for the setup's available filters (BiquadUserFilterCount); nullopt
// when an on/off switch, or the location of a filter that is on, is missing.
// Filters beyond the available ones are never read, so with them counted
// out no more filters can be on than there are slots.
std::optional<BiquadAssignment> AssignBiquadSlots(CVX_Setup& setup);

// Designs each assigned filter at the slow-loop period into its slot,
// quantised for the drive's arithmetic; zeroes the slots left over; writes
// the chain lengths. An assignment with too many filters writes chain
// lengths 0 and reports kTooManyBiquadFiltersError once through the
// kernel's error channel. Returns 1, or 0 with nothing written when a
// parameter it needs is missing, a filter cannot be designed (frequency not
// below Nyquist, Q not above 0, unknown type), there is no slow-loop period,
// or a scale factor does not fit its register.
int WriteBiquadFilters(CVX_Setup& setup, const BiquadAssignment& assignment);

// The register computation's step: AssignBiquadSlots, then
// WriteBiquadFilters; 0 when either fails.
int ComputeBiquadFilters(CVX_Setup& setup);

}  // namespace engine
