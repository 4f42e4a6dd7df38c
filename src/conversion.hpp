// The line loop: one point-list file in, one waypoint file out.
#pragma once

#include <string_view>

#include "crlf_output.hpp"
#include "line_reader.hpp"

namespace qolt2wpt {

enum class conversion_status {
    completed,      // the input was read to its end and every line converted
    read_failed,    // the input could not be read to its end
    write_failed,   // a write to the output failed; the loop stopped there
};

// Writes the title header for `base_name`, then reads the input line by line
// until a read meets the end of the file (whatever that read delivered is
// dropped). Each line holding "Label" writes a column header line and becomes
// the current label; each line holding "Data" then writes a waypoint record
// with its coordinates and the current label. Records before the first Label
// line carry an empty description. The caller flushes the output.
conversion_status convert_point_list(point_list_input& input, crlf_output& output, std::string_view base_name);

}  // namespace qolt2wpt
