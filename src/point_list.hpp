// The point-list format: which lines matter and where their texts stand.
//
// A line holding "Label" anywhere names the points that follow: its label
// text is the line from byte offset 6 on, less the line end. A line holding
// "Data" anywhere carries one point from byte offset 7 on: the latitude up
// to a comma, the longitude after it up to a ")". The offsets count from the
// start of the line, wherever the word stands; they fit lines such as
//   "Label Tokyo Tower"  and  "Data = 35.6585805,139.7454329)".
// A line's text ends at its first NUL byte for the keyword search, and the
// label and coordinate texts end at the first NUL at or after their offset.
#pragma once

#include <cstddef>
#include <string_view>

#include "line_reader.hpp"

namespace qolt2wpt {

constexpr std::size_t label_offset = 6;
constexpr std::size_t coordinates_offset = 7;

// The description carried by every waypoint record until the next Label line.
// A line read holds at most 255 bytes, so its label, from offset 6, has at
// most 249: every label fits whole.
struct current_label {
    char text[line_capacity - label_offset];
    std::size_t length;
};

struct coordinates {
    double latitude;
    double longitude;
};

// True when "Label" occurs in the line's text.
bool is_label_line(const point_list_line& line);

// True when "Data" occurs in the line's text.
bool is_data_line(const point_list_line& line);

// Replaces the label with the line's text from offset 6 up to the first NUL
// at or after it; if that text holds an LF, its last byte (the line end) is
// dropped. A line too short to reach offset 6 gives an empty label.
// Example: "Label Tokyo Tower\n" -> "Tokyo Tower"; "Label\r\r\n" -> "\r".
void read_label(const point_list_line& line, current_label& label);

// Takes the two coordinates from offset 7 on:
//   latitude:  skip commas; the token runs to the next comma or the end;
//   longitude: after that comma, skip ")"s; the token runs to the next ")" or
//              the end.
// Each token is read by parse_coordinate. A coordinate with no token (offset
// 7 at or past the end of the text, only commas there, no comma after the
// latitude, only ")"s after the comma) is 0.
// Examples: "Data = 35.6812362,139.7671248)\n" -> (35.6812362, 139.7671248);
//   "Data = 35,5,139,5)\n" -> (35, 5) (a decimal comma splits the latitude).
coordinates read_coordinates(const point_list_line& line);

}  // namespace qolt2wpt
