#pragma once

// What reading a parameter or variable that does not exist returns.
inline constexpr double kMissingValue = 1.2345e100;
