#include "conversion.hpp"

#include "point_list.hpp"
#include "waypoint_file.hpp"

namespace qolt2wpt {

conversion_status convert_point_list(point_list_input& input, crlf_output& output, std::string_view base_name) {
    write_title_header(output, base_name);
    point_list_line line;
    current_label label;
    label.length = 0;
    for (;;) {
        const line_status status = read_line(input, line);
        if (status == line_status::end_of_file) break;
        if (status == line_status::read_error) return conversion_status::read_failed;
        // A line can be both kinds: the label is taken first, so the record
        // of the same line carries it.
        if (is_label_line(line)) {
            write_column_header(output);
            read_label(line, label);
        }
        if (is_data_line(line)) {
            const coordinates point = read_coordinates(line);
            write_waypoint_record(output, point.latitude, point.longitude, {label.text, label.length});
        }
        if (output.failed) return conversion_status::write_failed;
    }
    return output.failed ? conversion_status::write_failed : conversion_status::completed;
}

}  // namespace qolt2wpt
