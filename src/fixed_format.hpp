// Fixed-point text of a coordinate with seven decimals.
#pragma once

#include <cstddef>

namespace qolt2wpt {

// Longest text format_fixed7 writes: a sign, the 309 integer digits of the
// largest double, a carry digit, the point and seven decimals.
constexpr std::size_t fixed7_max_length = 1 + 309 + 1 + 1 + 7;

// Writes `value` with exactly seven decimals into `out` (at least
// fixed7_max_length bytes) and returns the length; no NUL is written.
// Rounding runs on the digits of the magnitude, in two stages:
//   1. round_half_up to 17 significant digits: the exact binary value is cut
//      after its 17th significant digit and raised by one unit there when the
//      cut part is half a unit or more;
//   2. round_half_up at the 7th decimal of that 17-digit text, looking only
//      at the 8th decimal, with a carry through any 9s.
// Then the sign: "-" for a negative value that is not zero, even when it
// rounds to zero ("-0.0000000"); zero of either sign is "0.0000000".
// An infinity is "1.#INF000" or "-1.#INF000".
// Examples: 35.42793485 -> "35.4279349" (stored as 35.4279348499999997...,
//   whose 17 digits 35.427934850000000 end in a tie at the 8th decimal);
//   9.99999996 -> "10.0000000"; -0.00000004 -> "-0.0000000".
std::size_t format_fixed7(double value, char* out);

}  // namespace qolt2wpt
