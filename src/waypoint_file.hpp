// The waypoint file format: fixed-column "H" header lines and "W" waypoint
// records, written with LF as CR LF through the caller's crlf_output.
//
//   H  BASE.WPT
//   (empty line)
//   H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION
//   W  _      N 35.6812362 E139.7671248 01-JAN-00 00:00:00     0 Tokyo
//
// A record is "W  _      N" + latitude (right-aligned in 10 columns) + " E" +
// longitude (right-aligned in 11 columns) + " 01-JAN-00 00:00:00     0 " +
// description + LF. A number text longer than its field is written whole and
// moves the rest of the record to the right; a record has no length limit.
#pragma once

#include <string_view>

#include "crlf_output.hpp"

namespace qolt2wpt {

constexpr std::string_view column_header_line =
    "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION\n";

// "H  " + the base name as typed + ".WPT", then an empty line.
void write_title_header(crlf_output& output, std::string_view base_name);

void write_column_header(crlf_output& output);

// Numbers as format_fixed7 writes them, padded on the left with spaces to 10
// (latitude) and 11 (longitude) columns. The description is written byte for
// byte; an empty one leaves the record ending in "0 " before the line end.
// Precondition: the description holds no LF (a label never does: a line's
// only LF is its last byte, which the label leaves out).
void write_waypoint_record(crlf_output& output, double latitude, double longitude, std::string_view description);

}  // namespace qolt2wpt
