// What the tests that run the built tool share: the console texts and
// waypoint lines it writes, scratch directories and files, and reading and
// writing whole files byte for byte. Linux only: the Windows suite runs these
// tests as Linux programs against the .exe.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qolt2wpt::testing_support {

// Console texts are Shift_JIS, and every line ends in CR LF. They are inline
// variables so that a test's own constants may be built from them at start-up.
//
// "ZR.qOLT.txtからWPTファイルを生成します": Generates a WPT file from ZR.qOLT.txt.
inline const std::string banner =
    "ZR.qOLT.txt\x82\xa9\x82\xe7WPT\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x90\xb6\x90\xac\x82\xb5\x82\xdc\x82\xb7\r\n";
// "Input file (".qOLT.txt"はいりません) >> ": Input file (the .qOLT.txt suffix
// is not to be typed). No line end: the name is typed after it.
inline const std::string prompt = "Input file (\".qOLT.txt\"\x82\xcd\x82\xa2\x82\xe8\x82\xdc\x82\xb9\x82\xf1) >> ";

// "ファイルを開けません(name)": Cannot open the file (name); the name is the
// full file name, suffix included, as the tool tried to open it.
std::string open_failure(std::string_view file_name);

// The waypoint file's first two lines: the title naming the file as typed, then
// an empty line.
std::string title_header(std::string_view base_name);

// The column header the tool writes before the records of each label.
inline const std::string column_header =
    "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION\r\n";

// One waypoint record, the numbers right-aligned in their columns as the tool
// lays them out, so long expectations can be built instead of spelt out.
std::string record(std::string_view latitude, std::string_view longitude, std::string_view label);

// Where scratch directories and files go: $TMPDIR, so a run can be pointed at
// another file system, else /tmp.
std::filesystem::path temp_root();

// A fresh directory, removed with everything in it at the end of the test, so
// every run of the tool starts in an empty working directory.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Writes `bytes` to `path` exactly (binary: no line-end translation), so the
// tool sees the very bytes the test means.
void write_bytes(const std::filesystem::path& path, std::string_view bytes);

// The bytes of a regular file, or nothing when there is no such file, so a
// missing output and an empty one are told apart.
std::optional<std::string> read_bytes(const std::filesystem::path& path);

// Every path under `dir`, relative to it, sorted, symbolic links marked
// " (link)": compared before and after a run, it shows anything the tool
// created, removed or replaced.
std::vector<std::string> list_tree(const std::filesystem::path& dir);

// A descriptor on an unnamed scratch file holding `bytes`, positioned at 0:
// a standard input or output for the tool that is a plain file, not a terminal
// or a pipe, and leaves nothing behind.
int scratch_descriptor(std::string_view bytes);

// Everything in the file behind `fd`, read from offset 0 whatever its position,
// so the tool's console output can be read after it has written it.
std::string descriptor_contents(int fd);

}  // namespace qolt2wpt::testing_support
