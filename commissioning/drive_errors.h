#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The drive's error register "MER" as the tests read it: which protection
// stopped the drive, in words the person can act on.
namespace commissioning {

// The bits a test selects while it waits on a program.
inline constexpr std::uint16_t kMaskPositioning = 0x8002;        // short circuit, ENABLE input
inline constexpr std::uint16_t kMaskShortCircuit = 0x0002;       // tests that run with ENABLE ignored
inline constexpr std::uint16_t kMaskFeedback = 0x0022;           // short circuit, feedback
inline constexpr std::uint16_t kMaskFeedbackAndEnable = 0x8022;  // as above, with ENABLE
inline constexpr std::uint16_t kMaskTuning = 0xFFDF;             // every listed bit but feedback
// Once a program has ended: every protection that stops a program, so that
// a run cut short is never taken for a result. The second for programs that
// run with the ENABLE input ignored.
inline constexpr std::uint16_t kMaskProgramStopped = 0x80EA;
inline constexpr std::uint16_t kMaskProgramStoppedIgnoringEnable = 0x00EA;

// The text of the first set bit among those `mask` selects, tested in the
// order short circuit (bit 1), control error (3), feedback (5), positive
// limit switch (6), negative limit switch (7), ENABLE input (15); other bits
// are not errors of a test. Nothing when none is set.
std::optional<std::string_view> DriveErrorText(std::uint16_t mer, std::uint16_t mask);

}  // namespace commissioning
