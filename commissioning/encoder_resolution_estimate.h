#pragma once

#include <string_view>

#include "commissioning/result.h"

class CResolution;

// The encoder resolution test's evaluation: the standard line count nearest
// to the count of one turn (four edges per line), or why the count tells
// nothing.
namespace commissioning {

// A: the counter did not move.
inline constexpr std::string_view kResolutionNoMotionText =
    "Check if during test the motor shaft is turning. If YES, check the encoder connections and power supply, "
    "otherwise, check the motor phases connection, if these are OK, try also to increase the test current.";
// B: it moved the wrong way, or only at the end.
inline constexpr std::string_view kResolutionWrongDirectionText =
    "Check if during test the motor shaft is turning. If YES, the encoder connections or, motor phases are wrongly "
    "connected. Change the Reverse encoder counting checkbox or switch any two of the motor phase connections to the "
    "drive, or the A and B encoder channels. Otherwise, check the motor phase connections. If these are OK, try also "
    "to increase the test current.";

// `finalCount`: the counter after the turn; `moved`: a value other than 0
// was seen while the motor turned. A count whose magnitude is nearest the
// smallest standard resolution (a few edges of jitter) counts as no motion;
// a negative count beyond that is a reversed direction, however large; a
// positive one more than a tenth away from every standard count is no whole
// turn and tells nothing either.
Result<int> EstimateEncoderLines(double finalCount, bool moved, const CResolution& standards);

}  // namespace commissioning
