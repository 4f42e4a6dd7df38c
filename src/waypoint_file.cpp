#include "waypoint_file.hpp"

#include <cassert>
#include <cstring>

#include "fixed_format.hpp"

namespace qolt2wpt {
namespace {

constexpr std::size_t latitude_width = 10;
constexpr std::size_t longitude_width = 11;

// A number's text and the spaces that right-align it in its field.
struct number_field {
    char text[fixed7_max_length];
    std::size_t length;
    std::size_t padding;
};

number_field format_field(double value, std::size_t width) {
    number_field field;
    field.length = format_fixed7(value, field.text);
    field.padding = field.length < width ? width - field.length : 0;
    return field;
}

char* copy_bytes(char* out, std::string_view bytes) {
    std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}

char* copy_field(char* out, const number_field& field) {
    std::memset(out, ' ', field.padding);
    return copy_bytes(out + field.padding, {field.text, field.length});
}

void put_field(crlf_output& output, const number_field& field) {
    constexpr std::string_view spaces = "           ";  // the widest padding: 11 columns
    put_text(output, spaces.substr(0, field.padding));
    put_text(output, {field.text, field.length});
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
    assert(description.find('\n') == std::string_view::npos);
    const number_field latitude_field = format_field(latitude, latitude_width);
    const number_field longitude_field = format_field(longitude, longitude_width);
    const std::size_t length = lead.size() + latitude_field.padding + latitude_field.length + between.size() +
                               longitude_field.padding + longitude_field.length + fixed_fields.size() +
                               description.size();
    // Laid out in place in the output block; piece by piece only where the
    // record would meet the end of the block.
    if (char* out = reserve_line(output, length)) {
        out = copy_bytes(out, lead);
        out = copy_field(out, latitude_field);
        out = copy_bytes(out, between);
        out = copy_field(out, longitude_field);
        out = copy_bytes(out, fixed_fields);
        copy_bytes(out, description);
        end_reserved_line(output, length);
        return;
    }
    put_text(output, lead);
    put_field(output, latitude_field);
    put_text(output, between);
    put_field(output, longitude_field);
    put_text(output, fixed_fields);
    put_text(output, description);
    put_text(output, "\n");
}

}  // namespace qolt2wpt
