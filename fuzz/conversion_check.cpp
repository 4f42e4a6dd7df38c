#include "conversion_check.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "number_text.hpp"
#include "point_list_model.hpp"

namespace qolt2wpt::check {
namespace {

constexpr std::string_view record_lead = "W  _      N";
constexpr std::string_view record_between = " E";
constexpr std::string_view record_fixed_fields = " 01-JAN-00 00:00:00     0 ";
constexpr std::string_view column_header = "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION";

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Checks one right-aligned number field: spaces up to `width`, then the text.
std::string check_number_field(std::string_view field, std::size_t width, double value) {
    const std::size_t start = field.find_first_not_of(' ');
    if (start == std::string_view::npos) return "empty number field";
    const std::string_view text = field.substr(start);
    const std::size_t expected_padding = text.size() < width ? width - text.size() : 0;
    if (start != expected_padding) {
        return "field \"" + std::string(field) + "\" has " + std::to_string(start) + " spaces, expected " +
               std::to_string(expected_padding);
    }
    return check_number_text(text, value);
}

// Splits "W  _      N<lat> E<lon> 01-JAN-00 00:00:00     0 <label>" and checks
// each part. The number texts hold neither spaces nor "E", so the first " E"
// and the first fixed-field text are the separators.
std::string check_record(std::string_view line, const std::string& point_line, std::string_view label) {
    if (line.substr(0, record_lead.size()) != record_lead) return "record does not start with \"W  _      N\"";
    std::string_view rest = line.substr(record_lead.size());
    const std::size_t between = rest.find(record_between);
    if (between == std::string_view::npos) return "record has no \" E\"";
    const std::string_view latitude_field = rest.substr(0, between);
    rest.remove_prefix(between + record_between.size());
    const std::size_t fixed = rest.find(record_fixed_fields);
    if (fixed == std::string_view::npos) return "record lacks the date, time and altitude fields";
    const std::string_view longitude_field = rest.substr(0, fixed);
    const std::string_view description = rest.substr(fixed + record_fixed_fields.size());

    const auto [latitude_text, longitude_text] = model::coordinate_texts(point_line);
    std::string fault = check_number_field(latitude_field, 10, parse_coordinate(latitude_text));
    if (!fault.empty()) return "latitude: " + fault;
    fault = check_number_field(longitude_field, 11, parse_coordinate(longitude_text));
    if (!fault.empty()) return "longitude: " + fault;
    if (description != label) return "description \"" + shown(description) + "\", expected \"" + shown(label) + "\"";
    return {};
}

}  // namespace

std::string shown(std::string_view bytes, std::size_t limit) {
    std::string text;
    for (const char c : bytes.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    if (bytes.size() > limit) text += "... (" + std::to_string(bytes.size()) + " bytes)";
    return text;
}

std::string check_number_text(std::string_view text, double value) {
    // Built only when something is wrong: this runs for every number.
    const auto quoted = [&] {
        char described[64];
        std::snprintf(described, sizeof described, "%.17g (%a)", value, value);
        return "\"" + shown(text) + "\" for " + described;
    };
    if (std::isinf(value)) {
        return text == (value < 0 ? "-1.#INF000" : "1.#INF000") ? std::string() : "wrong infinity text " + quoted();
    }
    const bool negative = std::signbit(value) && value != 0;
    std::string_view body = text;
    if (!body.empty() && body.front() == '-') body.remove_prefix(1);
    if ((body.size() != text.size()) != negative) return "wrong sign in " + quoted();
    const std::size_t point = body.find('.');
    if (point == std::string_view::npos || !all_digits(body.substr(0, point)) || body.size() - point - 1 != 7 ||
        !all_digits(body.substr(point + 1))) {
        return "not digits, a point and seven decimals: " + quoted();
    }
    if (point > 1 && body.front() == '0') return "leading zero in " + quoted();
    if (value == 0) return text == "0.0000000" ? std::string() : "zero written as " + quoted();

    const double written = std::strtod(std::string(body).c_str(), nullptr);
    const double magnitude = std::fabs(value);
    const double unit_17 = std::pow(10.0, std::floor(std::log10(magnitude)) - 16);
    // The last term covers strtod's own rounding and that of the sum.
    const double allowed =
        0.5e-7 + unit_17 +
        4 * (std::nextafter(std::fmax(written, magnitude), INFINITY) - std::fmax(written, magnitude));
    if (!(std::fabs(written - magnitude) <= allowed)) return "value off by more than the rounding: " + quoted();
    return {};
}

std::string check_conversion(std::string_view input, std::string_view output, std::string_view base_name) {
    std::size_t at = 0;  // next unread output byte
    std::size_t output_line = 0;
    std::string fault;
    // The next output line without its CR LF.
    auto take_line = [&](std::string_view& line) {
        const std::size_t lf = output.find('\n', at);
        if (lf == std::string_view::npos) {
            fault = "output ends early, without a line end";
            return false;
        }
        if (lf == at || output[lf - 1] != '\r') {
            fault = "LF without CR";
            return false;
        }
        line = output.substr(at, lf - 1 - at);
        at = lf + 1;
        ++output_line;
        return true;
    };
    auto failure = [&](std::string_view what, const std::string& point_line) {
        return "output line " + std::to_string(output_line) + " (byte " + std::to_string(at) +
               "): " + std::string(what) +
               (point_line.empty() ? "" : "; point-list line \"" + shown(point_line) + "\"");
    };

    std::string_view line;
    if (!take_line(line)) return failure(fault, {});
    if (line != "H  " + std::string(base_name) + ".WPT") return failure("wrong title \"" + shown(line) + "\"", {});
    if (!take_line(line)) return failure(fault, {});
    if (!line.empty()) return failure("no empty line after the title", {});

    model::line_reader reader(input);
    std::string point_line;
    std::string label;
    while (reader.next(point_line)) {
        if (model::holds_word(point_line, "Label")) {
            if (!take_line(line)) return failure(fault, point_line);
            if (line != column_header)
                return failure("expected the column header: \"" + shown(line) + "\"", point_line);
            label = model::label_text(point_line);
        }
        if (model::holds_word(point_line, "Data")) {
            if (!take_line(line)) return failure(fault, point_line);
            fault = check_record(line, point_line, label);
            if (!fault.empty()) return failure(fault + " in \"" + shown(line, 400) + "\"", point_line);
        }
    }
    if (at != output.size())
        return failure("output goes on after the last line: \"" + shown(output.substr(at)) + "\"", {});
    return {};
}

}  // namespace qolt2wpt::check
