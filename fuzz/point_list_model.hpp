// A plain restatement of how the tool reads a point list, for checking it:
// one byte at a time, no buffering, nothing shared with src/. The fuzz
// targets, the soak checker and the fault-injection tests compare the tool
// against these few lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace qolt2wpt::model {

constexpr std::size_t line_limit = 255;

// The bytes a point-list file delivers: CR LF as LF, a lone CR as it is,
// nothing from the first Ctrl-Z on.
class byte_delivery {
public:
    explicit byte_delivery(std::string_view file) : file_(file) {}

    // The next delivered byte, or -1 at the end of the file.
    int next() {
        if (position_ >= file_.size() || file_[position_] == '\x1a') return -1;
        const char c = file_[position_++];
        if (c == '\r' && position_ < file_.size() && file_[position_] == '\n') {
            ++position_;
            return '\n';
        }
        return static_cast<unsigned char>(c);
    }

private:
    std::string_view file_;
    std::size_t position_ = 0;
};

// The line read: bytes are stored until an LF has been stored or 255 bytes
// have been; a read that needs a byte past the last one meets the end.
class line_reader {
public:
    explicit line_reader(std::string_view file) : bytes_(file) {}

    // True with the next line in `line`; false at the end of the file, with
    // `line` holding what that read delivered (to be dropped).
    bool next(std::string& line) {
        line.clear();
        while (line.size() < line_limit) {
            const int c = bytes_.next();
            if (c < 0) return false;
            line += static_cast<char>(c);
            if (c == '\n') break;
        }
        return true;
    }

private:
    byte_delivery bytes_;
};

inline std::string_view before_nul(std::string_view text) { return text.substr(0, text.find('\0')); }

// "Label" or "Data" anywhere before the line's first NUL.
inline bool holds_word(std::string_view line, std::string_view word) {
    return before_nul(line).find(word) != std::string_view::npos;
}

// The line from offset 6 up to the first NUL after it, less a final LF.
inline std::string_view label_text(std::string_view line) {
    if (line.size() <= 6) return {};
    std::string_view text = before_nul(line.substr(6));
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

// From offset 7 (up to the first NUL after it): the latitude after any
// commas up to the next comma; after that comma and any ")"s, the longitude
// up to the next ")". A missing token is empty.
inline std::pair<std::string_view, std::string_view> coordinate_texts(std::string_view line) {
    if (line.size() <= 7) return {};
    const std::string_view rest = before_nul(line.substr(7));
    std::size_t start = 0;
    while (start < rest.size() && rest[start] == ',') ++start;
    std::size_t stop = start;
    while (stop < rest.size() && rest[stop] != ',') ++stop;
    const std::string_view latitude = rest.substr(start, stop - start);
    if (stop == rest.size()) return {latitude, {}};
    start = stop + 1;
    while (start < rest.size() && rest[start] == ')') ++start;
    stop = start;
    while (stop < rest.size() && rest[stop] != ')') ++stop;
    return {latitude, rest.substr(start, stop - start)};
}

}  // namespace qolt2wpt::model
