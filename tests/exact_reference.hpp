// Exact references for the number rule and the seven-decimal text, on GMP
// rationals, shared by the unit, property and differential tests.
#pragma once

#include <gmpxx.h>

#include <string>
#include <string_view>

namespace qolt2wpt::testing_reference {

// digits * 10^exponent, exactly. `digits` holds only '0' to '9'.
mpq_class exact_decimal(const std::string& digits, long exponent);

// The midpoint between a non-negative finite double and the next one up (for
// the largest double, the 2^1024 just past it).
mpq_class exact_midpoint_above(double value);

// Whether `result` is right for the non-negative `value` by the number rule:
// the nearest double, an exact tie going to the one nearer zero; infinity
// only past the tie above the largest double.
bool is_nearest_toward_zero(const mpq_class& value, double result);

// The seven-decimal text by the two rounding stages, computed on the exact
// value: half up to 17 significant digits, then half up at the 7th decimal
// looking only at the 8th.
std::string reference_fixed7(double value);

// Whether `result` is what the number rule gives for the whole `text`
// (white space, [+|-] digits [. digits] [(E|e|D|d) [+|-] digits], the rest
// ignored); `why` says what it should have been when not.
bool parses_right(std::string_view text, double result, std::string& why);

}  // namespace qolt2wpt::testing_reference
