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
// was seen while the motor turned; `electricalCycles`: the electrical
// cycles the field turned through ("PolesPairs"). A count whose magnitude is
// nearest the smallest standard resolution (a few edges of jitter) counts as
// no motion; a negative count beyond that is a reversed direction, however
// large. A positive count gives the standard resolution it measures, but
// only when that one lies within what the measurement can be off
// (`EncoderLinesError`) and no other does: otherwise the failure names the
// measured count, as the resolution of a non-standard encoder or a turn the
// rotor did not follow through.
Result<int> EstimateEncoderLines(double finalCount, bool moved, int electricalCycles, const CResolution& standards);

// How far the count of one revolution, in lines, can lie from the encoder's
// resolution: the rotor rests behind the field before and after the turn,
// lagging the same way both times and each within a quarter electrical cycle
// (farther it would slip a step), so the two rests differ by less than a
// quarter cycle; and the counter's edges and the truncation to whole lines
// add one line.
double EncoderLinesError(double measuredLines, int electricalCycles);

}  // namespace commissioning
