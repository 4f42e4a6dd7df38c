#include "point_list.hpp"

#include <cstring>

#include "number_text.hpp"

namespace qolt2wpt {
namespace {

// The bytes from `offset` up to the first NUL at or after it (the terminator
// at `length` at the latest); empty when the line does not reach `offset`.
std::string_view text_from(const point_list_line& line, std::size_t offset) {
    if (offset >= line.length) return {line.text + line.length, 0};
    const char* start = line.text + offset;
    const void* nul = std::memchr(start, '\0', line.length - offset);
    const std::size_t size = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - start)
                                            : line.length - offset;
    return {start, size};
}

bool holds_word(const point_list_line& line, std::string_view word) {
    return text_from(line, 0).find(word) != std::string_view::npos;
}

// Splits off the token at the start of `rest`: separators are skipped, the
// token runs to the next separator, and `rest` resumes after that separator.
// Returns an empty token when only separators are left.
std::string_view next_token(std::string_view& rest, char separator) {
    const std::size_t start = rest.find_first_not_of(separator);
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t stop = rest.find(separator);
    const std::string_view token = rest.substr(0, stop);
    rest = stop == std::string_view::npos ? std::string_view{} : rest.substr(stop + 1);
    return token;
}

}  // namespace

bool is_label_line(const point_list_line& line) { return holds_word(line, "Label"); }

bool is_data_line(const point_list_line& line) { return holds_word(line, "Data"); }

void read_label(const point_list_line& line, current_label& label) {
    std::string_view text = text_from(line, label_offset);
    // A line read stops after its LF, so an LF in the text is its last byte.
    if (text.find('\n') != std::string_view::npos) text.remove_suffix(1);
    std::memcpy(label.text, text.data(), text.size());
    label.length = text.size();
}

coordinates read_coordinates(const point_list_line& line) {
    std::string_view rest = text_from(line, coordinates_offset);
    const std::string_view latitude = next_token(rest, ',');
    const std::string_view longitude = next_token(rest, ')');
    return {parse_coordinate(latitude), parse_coordinate(longitude)};
}

}  // namespace qolt2wpt
