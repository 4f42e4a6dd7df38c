// qolt2wpt: asks for a base name, converts BASE.qOLT.txt into BASE.wpt.
//
// Exit status: 0 after a complete conversion; 1 when either file cannot be
// opened or no name was typed; -1 (255 on POSIX) when the input could not be
// read to its end or the waypoint file could not be written or closed.
#include <cstddef>
#include <cstring>
#include <string_view>

#include "console_input.hpp"
#include "conversion.hpp"
#include "crlf_output.hpp"
#include "line_reader.hpp"
#include "platform.hpp"

namespace qolt2wpt {
namespace {

// Console texts in Shift_JIS.
// "ZR.qOLT.txtからWPTファイルを生成します\n": Generates a WPT file from ZR.qOLT.txt.
constexpr std::string_view banner =
    "ZR.qOLT.txt\x82\xa9\x82\xe7WPT\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x90\xb6\x90\xac\x82\xb5\x82\xdc\x82\xb7\n";
// "Input file (\".qOLT.txt\"はいりません) >> ": Input file (do not type the
// ".qOLT.txt" suffix); the name is typed on the same line.
constexpr std::string_view prompt = "Input file (\".qOLT.txt\"\x82\xcd\x82\xa2\x82\xe8\x82\xdc\x82\xb9\x82\xf1) >> ";
// "ファイルを開けません(" ... ")\n": Cannot open the file (name).
constexpr std::string_view open_failure_start = "\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x8a" "J\x82\xaf\x82\xdc\x82\xb9\x82\xf1(";
constexpr std::string_view open_failure_end = ")\n";

constexpr std::string_view input_suffix = ".qOLT.txt";
constexpr std::string_view output_suffix = ".wpt";

// Longest base name held. Longer than any path the systems accept (4096
// bytes on Linux, 32767 UTF-16 units on Windows, two bytes each at most in a
// double-byte code page), so a name that does not fit could never be opened.
constexpr std::size_t base_name_capacity = 65536;

constexpr int exit_success = 0;
constexpr int exit_open_failure = 1;
constexpr int exit_write_failure = -1;

// Standard output: shown at once on a terminal, otherwise buffered and
// written at exit.
struct console {
    platform_file file;
    crlf_output output;
    bool is_terminal;
};

void show(console& out, std::string_view text) {
    put_text(out.output, text);
    if (out.is_terminal) flush_output(out.output);
}

void show_open_failure(console& out, std::string_view file_name) {
    put_text(out.output, open_failure_start);
    put_text(out.output, file_name);
    show(out, open_failure_end);
}

// A typed word too long to be any file's base name: the open failure is
// certain, and the message still names the whole name as typed.
void show_open_failure_of_long_name(console& out, std::string_view held, console_input& input) {
    put_text(out.output, open_failure_start);
    put_text(out.output, held);
    pass_rest_of_word(
        input,
        [](void* context, const char* bytes, std::size_t length) {
            put_text(static_cast<console*>(context)->output, {bytes, length});
        },
        &out);
    put_text(out.output, input_suffix);
    show(out, open_failure_end);
}

// Writes `base` + `suffix` + NUL into `name`. `name` holds the base already
// when they are the same buffer.
std::string_view make_file_name(char* name, std::string_view base, std::string_view suffix) {
    if (name != base.data()) std::memcpy(name, base.data(), base.size());
    std::memcpy(name + base.size(), suffix.data(), suffix.size());
    name[base.size() + suffix.size()] = '\0';
    return {name, base.size() + suffix.size()};
}

int convert_files(console& out, std::string_view base_name, char* name_buffer) {
    const std::string_view input_name = make_file_name(name_buffer, base_name, input_suffix);
    platform_file input_file;
    if (platform_open_for_reading(input_name.data(), &input_file) != open_status::opened) {
        show_open_failure(out, input_name);
        return exit_open_failure;
    }
    const std::string_view output_name = make_file_name(name_buffer, base_name, output_suffix);
    platform_file output_file;
    if (platform_open_for_writing(output_name.data(), &output_file) != open_status::opened) {
        platform_close(input_file);
        show_open_failure(out, output_name);
        return exit_open_failure;
    }

    // Large reads mean few system calls; the line read gives the same lines
    // whatever the buffer size.
    unsigned char input_buffer[64 * 1024];
    point_list_input input =
        start_point_list_input(read_from_platform_file, &input_file, input_buffer, sizeof input_buffer);
    crlf_output output;
    start_crlf_output(output, write_to_platform_file, &output_file);
    const conversion_status status = convert_point_list(input, output, base_name);

    platform_close(input_file);  // nothing was written to it; its result does not matter
    const bool written = flush_output(output);
    const bool closed = platform_close(output_file);
    return status == conversion_status::completed && written && closed ? exit_success : exit_write_failure;
}

int run() {
    console out;
    out.file = platform_standard_output();
    out.is_terminal = platform_is_terminal(out.file);
    start_crlf_output(out.output, write_to_platform_file, &out.file);
    show(out, banner);
    show(out, prompt);

    platform_file standard_input = platform_standard_input();
    console_input typed;
    start_console_input(typed, read_from_platform_file, &standard_input);
    // One buffer serves the base name and, with its suffix, each file name.
    static_assert(input_suffix.size() >= output_suffix.size());
    char name[base_name_capacity + input_suffix.size() + 1];
    std::size_t length = 0;
    int exit_status = exit_open_failure;
    switch (read_word(typed, name, base_name_capacity, &length)) {
        case word_status::no_word:
            break;
        case word_status::too_long:
            show_open_failure_of_long_name(out, {name, length}, typed);
            break;
        case word_status::word:
            exit_status = convert_files(out, {name, length}, name);
            break;
    }
    flush_output(out.output);
    return exit_status;
}

}  // namespace
}  // namespace qolt2wpt

int main() { return qolt2wpt::run(); }
