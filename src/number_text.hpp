// The number rule for coordinate texts, the same whatever the C library or
// the regional settings would do.
#pragma once

#include <string_view>

namespace qolt2wpt {

// The six bytes that count as white space: tab, LF, vertical tab, form feed,
// CR and space. No byte from 0x80 up is white space, so Shift_JIS text is
// never split.
constexpr bool is_white_space(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// Converts the number at the start of `text` to a double:
//   1. leading white space is skipped;
//   2. the number is the longest prefix of the form
//        [+|-] digits [. digits] [(E|e|D|d) [+|-] digits]
//      with at least one digit before or after the point (".5" and "5." are
//      numbers, "." is not); an exponent letter not followed by digits is not
//      part of it ("12e" reads as 12), and whatever follows is ignored;
//   3. there is no hexadecimal, infinity or not-a-number form: "0x1A" reads
//      as 0, "inf" and "nan" as 0;
//   4. no digit at all gives +0, even after a sign; all-zero digits keep
//      their sign ("-0.0" gives -0.0);
//   5. otherwise the result is the double nearest to the exact value, and an
//      exact tie between two doubles goes to the one nearer zero (unlike the
//      ties-to-even of hardware and <charconv>); beyond the double range it is
//      an infinity of the number's sign, and below it zero or the nearest
//      subnormal. Nothing is reported.
// Examples: "35.6812362" -> 35.6812362; " -1.5D2)" -> -150;
//   "4503599627370497.5" -> 4503599627370497 (the tie goes toward zero).
double parse_coordinate(std::string_view text);

}  // namespace qolt2wpt
