// Checks a waypoint file against the point list it was made from, by the
// format's rules rather than by a second formatter: the line structure,
// the labels and the fixed columns exactly, each number to within its
// rounding.
#pragma once

#include <string>
#include <string_view>

namespace qolt2wpt::check {

// Empty when `text` is an acceptable seven-decimal text of `value`:
// "1.#INF000"/"-1.#INF000" for an infinity; otherwise [-]digits.7digits with
// no superfluous leading zero, "-" exactly when the value is negative and not
// zero, and within half a unit of the 7th decimal of the value plus one unit
// of its 17th significant digit (the first rounding stage). Otherwise it
// says what is wrong.
std::string check_number_text(std::string_view text, double value);

// Empty when `output` is what converting `input` under `base_name` must give,
// otherwise a description of the first fault: the title header, one column
// header per Label line, one record per Data line with the current label,
// every line in CR LF, and nothing else.
std::string check_conversion(std::string_view input, std::string_view output, std::string_view base_name);

// Shows control and non-ASCII bytes as \xNN, cut after `limit` bytes.
std::string shown(std::string_view bytes, std::size_t limit = 80);

}  // namespace qolt2wpt::check
