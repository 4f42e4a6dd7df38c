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

// The word must stand before the line's first NUL. Searching the whole line
// first and looking for a NUL only in front of a match costs one scan for
// the usual line, which has no NUL and the word, if at all, at its start.
bool holds_word(const point_list_line& line, std::string_view word) {
    const std::size_t found = std::string_view(line.text, line.length).find(word);
    return found != std::string_view::npos && (found == 0 || std::memchr(line.text, '\0', found) == nullptr);
}

// The text after any leading separators; empty when only separators are left.
std::string_view skip_separators(std::string_view text, char separator) {
    const std::size_t start = text.find_first_not_of(separator);
    return start == std::string_view::npos ? text.substr(text.size()) : text.substr(start);
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
    const std::string_view text = text_from(line, coordinates_offset);
    // Latitude: after any commas, up to the next comma. Longitude: after that
    // comma and any ")"s, up to the next ")"; without that comma there is none.
    const std::string_view latitude = skip_separators(text, ',');
    const std::size_t comma = latitude.find(',');
    const std::string_view longitude =
        comma == std::string_view::npos ? latitude.substr(latitude.size()) : skip_separators(latitude.substr(comma + 1), ')');
    // Each token is converted without cutting it at its separator first: a
    // number never holds a ',' or a ')', so the conversion stops there anyway.
    return {parse_coordinate(latitude), parse_coordinate(longitude)};
}

}  // namespace qolt2wpt
