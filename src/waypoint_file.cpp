#include "waypoint_file.hpp"

#include <cstring>

#include "fixed_format.hpp"
#include "line_reader.hpp"

namespace qolt2wpt {
namespace {

constexpr std::size_t latitude_width = 10;
constexpr std::size_t longitude_width = 11;

// Writes the number right-aligned in a field of at least `width` columns at
// `out`; returns the columns used.
// Precondition: `out` has room for fixed7_max_length bytes.
std::size_t put_number_field(char* out, double value, std::size_t width) {
    char text[fixed7_max_length];
    const std::size_t length = format_fixed7(value, text);
    const std::size_t padding = length < width ? width - length : 0;
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text, length);
    return padding + length;
}

}  // namespace

void write_title_header(crlf_output& output, std::string_view base_name) {
    put_text(output, "H  ");
    put_text(output, base_name);
    put_text(output, ".WPT\n\n");
}

void write_column_header(crlf_output& output) { put_text(output, column_header_line); }

void write_waypoint_record(crlf_output& output, double latitude, double longitude, std::string_view description) {
    constexpr std::string_view lead = "W  _      N";
    constexpr std::string_view between = " E";
    constexpr std::string_view fixed_fields = " 01-JAN-00 00:00:00     0 ";
    // Room for both numbers at their longest and any label a line can carry,
    // so that the usual record goes out in one piece.
    constexpr std::size_t usual_description = line_capacity;
    char record[lead.size() + fixed7_max_length + between.size() + fixed7_max_length + fixed_fields.size() +
                usual_description + 1];
    char* p = record;
    std::memcpy(p, lead.data(), lead.size());
    p += lead.size();
    p += put_number_field(p, latitude, latitude_width);
    std::memcpy(p, between.data(), between.size());
    p += between.size();
    p += put_number_field(p, longitude, longitude_width);
    std::memcpy(p, fixed_fields.data(), fixed_fields.size());
    p += fixed_fields.size();
    if (description.size() <= usual_description) {
        std::memcpy(p, description.data(), description.size());
        p += description.size();
        *p++ = '\n';
        put_text(output, {record, static_cast<std::size_t>(p - record)});
        return;
    }
    put_text(output, {record, static_cast<std::size_t>(p - record)});
    put_text(output, description);
    put_text(output, "\n");
}

}  // namespace qolt2wpt
