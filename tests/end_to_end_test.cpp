// Runs the built tool as a user would: in a fresh working directory, with the
// base name typed on standard input, and checks the console bytes, the
// waypoint file and the exit status exactly.
//
// QOLT2WPT_TOOL_COMMAND, when set, is the command line that runs the tool
// (words split on spaces, e.g. "wine /path/qolt2wpt.exe"); otherwise the tool
// built next to this test is run directly. The EndToEndPosixOnly tests rely on
// a pseudo-terminal, /dev/full or symbolic links.
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tool_test_support.hpp"

namespace {

namespace fs = std::filesystem;
using namespace qolt2wpt::testing_support;

// A point list with one labelled point, and the waypoint lines it gives.
const std::string one_point = "Label Gate\nData = 1,2)\n";
const std::string one_point_lines =
    column_header + "W  _      N 1.0000000 E  2.0000000 01-JAN-00 00:00:00     0 Gate\r\n";

// Generous: a hung tool fails the test instead of stalling the run.
constexpr auto time_limit = std::chrono::seconds(30);

const char* tool_command_override() {
    const char* command = std::getenv("QOLT2WPT_TOOL_COMMAND");
    return command != nullptr && *command != '\0' ? command : nullptr;
}

std::vector<std::string> tool_command() {
    const char* command = tool_command_override();
    if (command == nullptr) return {QOLT2WPT_TOOL_PATH};
    std::vector<std::string> words;
    std::string_view rest = command;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (end > 0) words.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return words;
}

// An unnamed scratch file for the tool's standard input or output, closed
// when the run is over.
class scratch_file {
public:
    explicit scratch_file(std::string_view bytes = "") : fd_(scratch_descriptor(bytes)) {}
    ~scratch_file() { ::close(fd_); }
    scratch_file(const scratch_file&) = delete;
    scratch_file& operator=(const scratch_file&) = delete;
    int fd() const { return fd_; }
    std::string contents() const { return descriptor_contents(fd_); }

private:
    int fd_;
};

std::string read_fixture(std::string_view name) {
    const fs::path path = fs::path(QOLT2WPT_FIXTURE_DIR) / name;
    const std::optional<std::string> bytes = read_bytes(path);
    if (!bytes) throw fs::filesystem_error("missing fixture", path, std::error_code());
    return *bytes;
}

// argv for execvp; `words` must outlive it.
std::vector<char*> exec_arguments(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

// The exit status of `pid` (0-255), or -1 when it was killed by a signal or
// did not end within the time limit.
int wait_for_exit(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    int status = 0;
    for (;;) {
        const pid_t result = ::waitpid(pid, &status, WNOHANG);
        if (result == pid) break;
        if (result < 0 && errno != EINTR) {
            ADD_FAILURE() << "waitpid failed";
            return -1;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the tool did not exit in time and was killed";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    ADD_FAILURE() << "the tool was ended by signal " << WTERMSIG(status);
    return -1;
}

struct tool_run {
    int exit_status;
    std::string console;  // everything written to standard output
};

// Runs the tool in `dir` with `typed` as its standard input and standard
// output going to a file, so it is not a terminal.
tool_run run_tool(const fs::path& dir, std::string_view typed) {
    scratch_file input(typed);
    scratch_file output;
    std::vector<std::string> words = tool_command();
    const std::vector<char*> argv = exec_arguments(words);
    const std::string dir_name = dir.string();
    const pid_t pid = ::fork();
    if (pid < 0) throw fs::filesystem_error("fork", std::error_code(errno, std::generic_category()));
    if (pid == 0) {
        if (::chdir(dir_name.c_str()) == 0 && ::dup2(input.fd(), STDIN_FILENO) >= 0 &&
            ::dup2(output.fd(), STDOUT_FILENO) >= 0) {
            ::execvp(argv[0], argv.data());
        }
        ::_exit(127);  // could not be started, as a shell reports it
    }
    const int status = wait_for_exit(pid);
    return {status, output.contents()};
}

// Appends empty CR LF lines (and one "x" line for an odd gap) until `text`
// is `size` bytes long.
void pad_with_blank_lines(std::string& text, std::size_t size) {
    if ((size - text.size()) % 2 != 0) text += "x\r\n";
    while (text.size() < size) text += "\r\n";
}

// A label line whose CR LF is split across each likely read-block boundary:
// the pair must still read as one LF, so the label never keeps the CR.
std::string labels_across_block_boundaries() {
    std::string text;
    for (std::size_t boundary : {256u, 512u, 4096u, 8192u, 65536u}) {
        const std::string_view line = "Label Data\r\n";  // its CR is at offset 10
        pad_with_blank_lines(text, boundary - 1 - 10);
        text += line;
    }
    return text;
}

TEST(EndToEnd, ConvertsPointListWithLfOrCrLfLineEnds) {
    // Both spellings of the same point list: records before any label, two
    // Shift_JIS labels (one with a 0x5C trail byte), a line that is both a
    // label and a record, and numbers that round, overflow their columns,
    // use exponents, trail garbage or are missing.
    const std::string expected = read_fixture("points.wpt");
    for (const char* fixture : {"points.qOLT.txt", "points_crlf.qOLT.txt"}) {
        SCOPED_TRACE(fixture);
        temp_dir dir;
        write_bytes(dir.path() / "points.qOLT.txt", read_fixture(fixture));

        const tool_run run = run_tool(dir.path(), "points\n");

        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.console, banner + prompt);
        EXPECT_EQ(read_bytes(dir.path() / "points.wpt"), expected);
    }
}

TEST(EndToEnd, ReadsPointListLinesAsTextModeFgets) {
    // The point list is read like a text-mode stream with fgets into a
    // 256-byte buffer: CR LF is LF, a lone CR is an ordinary byte, Ctrl-Z
    // ends the file, long lines come in 255-byte pieces, and a read that
    // meets the end of the file yields nothing.
    // 255 bytes: the longitude's last digit is the line's last byte.
    const std::string data_line_255 = "Data = 5," + std::string(245, ' ') + "6";
    // The first 255-byte piece is a label line holding 249 label bytes, the
    // rest of the line is a record on its own.
    const std::string long_label(249, 'a');
    const std::string record_1_2 = "W  _      N 1.0000000 E  2.0000000 01-JAN-00 00:00:00     0 A\r\n";
    const std::string record_across_boundary = column_header +
                                               "W  _      N 0.0000000 E  0.0000000 01-JAN-00 00:00:00     0 Data\r\n";
    std::string five_records_across_boundaries;
    for (int i = 0; i < 5; ++i) five_records_across_boundaries += record_across_boundary;

    const struct {
        const char* name;
        std::string point_list;
        std::string expected_lines;  // after the title header
    } cases[] = {
        {"empty file", "", ""},
        {"last line without LF is dropped", "Label A\nData = 1,2)\nData = 3,4)", column_header + record_1_2},
        {"first Ctrl-Z ends the file", "Label A\nData = 1,2)\n\x1a" "Data = 3,4)\n\x1a", column_header + record_1_2},
        {"last line of exactly 255 bytes without LF is kept", "Label A\n" + data_line_255,
         column_header + "W  _      N 5.0000000 E  6.0000000 01-JAN-00 00:00:00     0 A\r\n"},
        {"a long line is handled as 255-byte pieces", "Label " + long_label + "Data = 7,8)\n",
         column_header + "W  _      N 7.0000000 E  8.0000000 01-JAN-00 00:00:00     0 " + long_label + "\r\n"},
        {"CR alone does not end a line", "Label A\rB\nData = 1,2)\n",
         column_header + "W  _      N 1.0000000 E  2.0000000 01-JAN-00 00:00:00     0 A\rB\r\n"},
        {"CR-only file is one line cut off by the end", "Label A\rData = 1,2)\r", ""},
        {"CR LF split across read blocks", labels_across_block_boundaries(), five_records_across_boundaries},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        write_bytes(dir.path() / "edge.qOLT.txt", c.point_list);

        const tool_run run = run_tool(dir.path(), "edge\n");

        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.console, banner + prompt);
        EXPECT_EQ(read_bytes(dir.path() / "edge.wpt"), title_header("edge") + c.expected_lines);
    }
}

TEST(EndToEnd, TakesFirstTypedWordAsBaseName) {
    // The name is the first word typed: blank lines and spaces before it are
    // skipped, and anything after it is never read as a name. The title
    // carries the name exactly as typed, directory part included.
    const struct {
        const char* name;
        std::string typed;
        std::string base_name;
    } cases[] = {
        {"blank lines and spaces before, second word after", "\n\r\n  \t\v\fsample other\n", "sample"},
        {"typed without a line end", "sample", "sample"},
        {"directory part", "sub/dir/sample\r\n", "sub/dir/sample"},
        {"200-byte name", std::string(200, 'n') + "\n", std::string(200, 'n')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        const fs::path base = dir.path() / c.base_name;
        fs::create_directories(base.parent_path());
        write_bytes(base.string() + ".qOLT.txt", one_point);
        std::vector<std::string> expected_tree = list_tree(dir.path());
        expected_tree.push_back(c.base_name + ".wpt");
        std::sort(expected_tree.begin(), expected_tree.end());

        const tool_run run = run_tool(dir.path(), c.typed);

        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.console, banner + prompt);
        EXPECT_EQ(read_bytes(base.string() + ".wpt"), title_header(c.base_name) + one_point_lines);
        EXPECT_EQ(list_tree(dir.path()), expected_tree);
    }
}

TEST(EndToEnd, ReplacesLongerExistingWaypointFile) {
    temp_dir dir;
    write_bytes(dir.path() / "again.qOLT.txt", one_point);
    write_bytes(dir.path() / "again.wpt", std::string(400, 'X') + "\r\n");

    const tool_run run = run_tool(dir.path(), "again\n");

    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.console, banner + prompt);
    EXPECT_EQ(read_bytes(dir.path() / "again.wpt"), title_header("again") + one_point_lines);
}

TEST(EndToEnd, RefusesWithStatus1AndCreatesNothing) {
    // Either file failing to open is reported with its full name; no word
    // typed at all ends the run silently. Nothing is written in either case.
    const std::string long_name(5000, 'L');
    const std::string very_long_name(70000, 'V');
    const struct {
        const char* name;
        std::vector<std::string> directories;
        std::vector<std::string> point_lists;
        std::string typed;
        std::optional<std::string> unopened_file;  // named in the message
    } cases[] = {
        {"input missing", {}, {}, "absent\n", "absent.qOLT.txt"},
        {"input is a directory", {"folder.qOLT.txt"}, {}, "folder\n", "folder.qOLT.txt"},
        {"output is a directory", {"taken.wpt"}, {"taken.qOLT.txt"}, "taken\n", "taken.wpt"},
        {"suffix typed as well", {}, {"named.qOLT.txt"}, "named.qOLT.txt\n", "named.qOLT.txt.qOLT.txt"},
        {"directory part does not exist", {}, {}, "nowhere/sample\n", "nowhere/sample.qOLT.txt"},
        // 0x85 and 0xA0 are white space in some single-byte locales, and
        // Shift_JIS lead bytes otherwise: here they are part of the name.
        {"bytes 0x80-0xFF belong to the name", {}, {}, " \x93\x8c\x85\xa0x\n", "\x93\x8c\x85\xa0x.qOLT.txt"},
        {"name too long for any system", {}, {}, long_name + "\n", long_name + ".qOLT.txt"},
        {"name far too long, second word after", {}, {}, very_long_name + " other\n",
         very_long_name + ".qOLT.txt"},
        {"nothing typed", {}, {"sample.qOLT.txt"}, "", std::nullopt},
        {"only white space typed", {}, {"sample.qOLT.txt"}, " \t\n\v\f\r\n  ", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        for (const std::string& name : c.directories) fs::create_directory(dir.path() / name);
        for (const std::string& name : c.point_lists) write_bytes(dir.path() / name, one_point);
        const std::vector<std::string> tree_before = list_tree(dir.path());

        const tool_run run = run_tool(dir.path(), c.typed);

        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.console, banner + prompt + (c.unopened_file ? open_failure(*c.unopened_file) : ""));
        EXPECT_EQ(list_tree(dir.path()), tree_before);
        for (const std::string& name : c.point_lists) EXPECT_EQ(read_bytes(dir.path() / name), one_point);
    }
}

TEST(EndToEndPosixOnly, FailedWriteGivesStatus255WithoutMessage) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    temp_dir dir;
    write_bytes(dir.path() / "full.qOLT.txt", read_fixture("points.qOLT.txt"));
    fs::create_symlink("/dev/full", dir.path() / "full.wpt");

    const tool_run run = run_tool(dir.path(), "full\n");

    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.console, banner + prompt);
}

// Reads from the terminal's master side until `wanted` bytes have arrived,
// the tool's side has closed, or the time limit has passed.
std::string read_terminal(int master, std::size_t wanted) {
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    std::string bytes;
    while (bytes.size() < wanted) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd ready{master, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) break;
        char buffer[4096];
        const ssize_t count = ::read(master, buffer, std::min(sizeof buffer, wanted - bytes.size()));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;  // EIO once every slave descriptor is closed
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

TEST(EndToEndPosixOnly, ShowsPromptBeforeReadingFromTerminal) {
    // On a terminal each message must be visible at once: the user answers
    // the prompt, so it cannot wait in a buffer until exit.
    if (tool_command_override() != nullptr) {
        GTEST_SKIP() << "a pseudo-terminal is a POSIX terminal only for a POSIX tool; under Wine it becomes a Wine console";
    }
    temp_dir dir;
    write_bytes(dir.path() / "typed.qOLT.txt", one_point);

    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    // Raw output, so the tool's own CR LF bytes arrive unchanged, and no echo
    // of what is typed.
    termios settings{};
    ASSERT_EQ(::tcgetattr(slave, &settings), 0);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &settings), 0);

    std::vector<std::string> words = tool_command();
    const std::vector<char*> argv = exec_arguments(words);
    const std::string dir_name = dir.path().string();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(master);
        ::setsid();
        if (::ioctl(slave, TIOCSCTTY, 0) == 0 && ::dup2(slave, STDIN_FILENO) >= 0 &&
            ::dup2(slave, STDOUT_FILENO) >= 0 && ::dup2(slave, STDERR_FILENO) >= 0 && ::chdir(dir_name.c_str()) == 0) {
            ::close(slave);
            ::execvp(argv[0], argv.data());
        }
        ::_exit(127);  // could not be started, as a shell reports it
    }
    ::close(slave);

    const std::string shown = read_terminal(master, banner.size() + prompt.size());
    EXPECT_EQ(shown, banner + prompt);

    const std::string_view answer = "typed\n";
    EXPECT_EQ(::write(master, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
    // Nothing more is shown after a successful conversion; read until the
    // tool's side closes.
    const std::string shown_after = read_terminal(master, 1 << 16);
    ::close(master);

    EXPECT_EQ(wait_for_exit(pid), 0);
    EXPECT_EQ(shown_after, "");
    EXPECT_EQ(read_bytes(dir.path() / "typed.wpt"), title_header("typed") + one_point_lines);
}

}  // namespace
