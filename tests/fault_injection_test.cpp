// Runs the built tool against hostile surroundings: a full disk, names that
// lead nowhere, a standard input that is closed or unreadable, a single line
// of 10 MB, a sparse input past 4 GiB, and a run killed half-way.
// Status, console bytes and files are checked exactly; the peak memory of the
// large runs is measured and printed.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// What standard input the tool gets.
enum class standard_input { typed, closed, directory };

// The tool started in `dir`; its console output goes to a scratch file.
class tool_process {
public:
    tool_process(const fs::path& dir, std::string_view typed, standard_input kind = standard_input::typed)
        : output_(scratch_descriptor("")) {
        const int input = kind == standard_input::typed       ? scratch_descriptor(typed)
                          : kind == standard_input::directory ? ::open(dir.c_str(), O_RDONLY | O_DIRECTORY)
                                                              : -1;
        const std::string dir_name = dir.string();
        pid_ = ::fork();
        if (pid_ < 0) throw fs::filesystem_error("fork", std::error_code(errno, std::generic_category()));
        if (pid_ == 0) {
            const bool ready = ::chdir(dir_name.c_str()) == 0 && ::dup2(output_, STDOUT_FILENO) >= 0 &&
                               (input < 0 ? ::close(STDIN_FILENO) == 0 : ::dup2(input, STDIN_FILENO) >= 0);
            if (ready) ::execl(QOLT2WPT_TOOL_PATH, QOLT2WPT_TOOL_PATH, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (input >= 0) ::close(input);
    }
    ~tool_process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }
    tool_process(const tool_process&) = delete;
    tool_process& operator=(const tool_process&) = delete;

    pid_t pid() const { return pid_; }

    // Waits for the end; the exit status (0-255), or -1 after a signal. The
    // generous limit only keeps a hung tool from stalling the run.
    int wait(std::chrono::seconds limit = std::chrono::seconds(120)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        rusage usage{};
        for (;;) {
            const pid_t result = ::wait4(pid_, &status, WNOHANG, &usage);
            if (result == pid_) break;
            if (result < 0 && errno != EINTR) {
                ADD_FAILURE() << "wait4 failed";
                return -1;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the tool did not end in time and was killed";
                return -1;
            }
            sample_memory();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        peak_rss_kib_ = usage.ru_maxrss;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void kill() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the tool ended before it was killed";
    }

    std::string console() const { return descriptor_contents(output_); }
    // The tool's own peak, from VmHWM while it ran; wait4's figure also
    // counts the test's pages the child held between fork and exec.
    long peak_rss_kib() const { return peak_hwm_kib_ > 0 ? peak_hwm_kib_ : peak_rss_kib_; }
    void print_memory(const char* what) const {
        std::printf("%s: peak RSS %ld KiB (VmHWM sampled while running), %ld KiB (wait4, includes the fork)\n", what,
                    peak_hwm_kib_, peak_rss_kib_);
    }

private:
    int output_;
    pid_t pid_ = -1;
    long peak_rss_kib_ = 0;
    long peak_hwm_kib_ = 0;

    // Samples VmHWM once; nothing when the process has ended or not exec'd yet.
    void sample_memory() {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        bool is_tool = false;
        long hwm = 0;
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) is_tool = line.find("qolt2wpt") != std::string::npos;
            if (line.rfind("VmHWM:", 0) == 0) hwm = std::atol(line.c_str() + 6);
        }
        if (is_tool) peak_hwm_kib_ = std::max(peak_hwm_kib_, hwm);
    }
};

// A point list of about `size` bytes: a label every 40 records, numbers of
// many shapes, LF and CR LF line ends.
std::string generated_point_list(std::size_t size) {
    std::string text;
    std::uint64_t state = 88172645463325252u;
    auto next = [&state] {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        return state;
    };
    for (std::size_t n = 0; text.size() < size; ++n) {
        if (n % 40 == 0) text += "Label place " + std::to_string(n / 40) + "\r\n";
        const std::uint64_t r = next();
        text += "Data = " + std::to_string(static_cast<int>(r % 180) - 90) + "." + std::to_string(r >> 40) + "," +
                std::to_string(r % 360) + "." + std::to_string((r >> 8) % 100000000) + "e" +
                std::to_string(static_cast<int>(r % 5) - 2) + ")" + (r % 2 ? "\n" : "\r\n");
    }
    return text;
}

std::size_t count_lf(std::string_view bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

TEST(FaultInjection, FullDiskGivesStatus255AndLeavesInputUntouched) {
    // The waypoint file is /dev/full: the first block written fails, be it
    // the remainder at the end of a small list or a full block in the middle
    // of a large one. The point list is never written to.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const struct {
        const char* name;
        std::string point_list;
    } cases[] = {
        {"fails at the final remainder", "Label A\nData = 1,2)\n"},
        {"fails at the first of many blocks", generated_point_list(300 * 1024)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        write_bytes(dir.path() / "full.qOLT.txt", c.point_list);
        fs::create_symlink("/dev/full", dir.path() / "full.wpt");
        const std::vector<std::string> tree_before = list_tree(dir.path());

        tool_process tool(dir.path(), "full\n");
        EXPECT_EQ(tool.wait(), 255);
        EXPECT_EQ(tool.console(), banner + prompt);
        EXPECT_EQ(read_bytes(dir.path() / "full.qOLT.txt"), c.point_list);
        EXPECT_EQ(list_tree(dir.path()), tree_before);
    }
}

TEST(FaultInjection, NamesLeadingNowhereGiveStatus1AndMessage) {
    // Names whose last step is a symbolic link: to a folder that does not
    // exist, or to a folder. Either file failing is reported by name, and
    // nothing is created or changed.
    const std::string point_list = "Label A\nData = 1,2)\n";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // name, target
        bool input_exists;
        std::string unopened_file;
    } cases[] = {
        {"output's folder is missing", {{"p.wpt", "missing/p.wpt"}}, true, "p.wpt"},
        {"output name leads to a folder", {{"p.wpt", "."}}, true, "p.wpt"},
        {"input name leads to a folder", {{"p.qOLT.txt", "."}}, false, "p.qOLT.txt"},
        {"input's folder is missing", {{"p.qOLT.txt", "missing/p.qOLT.txt"}}, false, "p.qOLT.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        if (c.input_exists) write_bytes(dir.path() / "p.qOLT.txt", point_list);
        for (const auto& [name, target] : c.links) fs::create_symlink(target, dir.path() / name);
        const std::vector<std::string> tree_before = list_tree(dir.path());

        tool_process tool(dir.path(), "p\n");
        EXPECT_EQ(tool.wait(), 1);
        EXPECT_EQ(tool.console(), banner + prompt + open_failure(c.unopened_file));
        EXPECT_EQ(list_tree(dir.path()), tree_before);
        if (c.input_exists) {
            EXPECT_EQ(read_bytes(dir.path() / "p.qOLT.txt"), point_list);
        }
    }
}

TEST(FaultInjection, UnreadableStandardInputGivesStatus1AndCreatesNothing) {
    // No word can be read: standard input closed before the tool starts, or
    // a folder, whose reads fail.
    for (const standard_input kind : {standard_input::closed, standard_input::directory}) {
        SCOPED_TRACE(kind == standard_input::closed ? "closed" : "a folder");
        temp_dir dir;
        write_bytes(dir.path() / ".qOLT.txt", "Label A\nData = 1,2)\n");
        const std::vector<std::string> tree_before = list_tree(dir.path());

        tool_process tool(dir.path(), "", kind);
        EXPECT_EQ(tool.wait(), 1);
        EXPECT_EQ(tool.console(), banner + prompt);
        EXPECT_EQ(list_tree(dir.path()), tree_before);
    }
}

TEST(FaultInjection, TenMegabyteLineConvertsAs255BytePieces) {
    // One line of about 10 MB is read as 255-byte pieces, each a line of its
    // own. Piece k is "Data = k.5,-k) Label" padded with x: a column header
    // and a record whose label is the piece from offset 6. The final LF
    // comes alone in a last piece that is neither kind.
    constexpr std::size_t pieces = 41200;
    std::string point_list;
    std::string expected = title_header("long");
    for (std::size_t k = 0; k < pieces; ++k) {
        std::string piece = "Data = " + std::to_string(k) + ".5,-" + std::to_string(k) + ") Label";
        piece.resize(255, 'x');
        point_list += piece;
        // "-0" is negative zero, written without its sign.
        const std::string longitude = std::string(k == 0 ? "" : "-").append(std::to_string(k)) + ".0000000";
        expected +=
            column_header + record(std::to_string(k) + ".5000000", longitude, std::string_view(piece).substr(6));
    }
    point_list += "\n";
    temp_dir dir;
    write_bytes(dir.path() / "long.qOLT.txt", point_list);

    tool_process tool(dir.path(), "long\n");
    EXPECT_EQ(tool.wait(), 0);
    EXPECT_EQ(tool.console(), banner + prompt);
    const std::optional<std::string> output = read_bytes(dir.path() / "long.wpt");
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(output->size(), expected.size());
    const auto difference = std::mismatch(output->begin(), output->end(), expected.begin(), expected.end());
    EXPECT_TRUE(*output == expected) << "the output differs from the predicted one at byte "
                                     << difference.first - output->begin();
    tool.print_memory("10 MB line");
}

TEST(FaultInjection, SparseInputPast4GiBConvertsInConstantMemory) {
    // A point list of 4 GiB and a few bytes, nearly all a hole of NUL bytes:
    // lines of 255 NULs that are neither kind. Real lines stand at the start
    // and across the 4 GiB offset, and a last line without LF is dropped.
    // Offsets past 32 bits must not wrap, and the whole file must not be
    // held in memory.
    // Reading 4 GiB takes from 15 s to a minute: run on request only
    // (QOLT2WPT_HUGE_INPUT=1; CI does).
    const char* wanted = std::getenv("QOLT2WPT_HUGE_INPUT");
    if (wanted == nullptr || std::string_view(wanted) != "1") GTEST_SKIP() << "set QOLT2WPT_HUGE_INPUT=1 to run";
    const std::string tail = "Label End\nData = 3,4)\nData = 5,6)";
    constexpr std::uint64_t four_gib = std::uint64_t{1} << 32;
    const std::uint64_t tail_offset = four_gib - 5;  // "Label End" straddles 4 GiB
    std::string head = "Label Start\nData = 1,2)\n";
    // Pads the head so that the hole is whole 255-byte lines and the tail
    // starts a line.
    const std::size_t pad = static_cast<std::size_t>((tail_offset - head.size() - 1) % 255);
    head += std::string(pad, 'x') + "\n";
    ASSERT_EQ((tail_offset - head.size()) % 255, 0u);

    temp_dir dir;
    const fs::path input = dir.path() / "huge.qOLT.txt";
    {
        const int fd = ::open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(tail_offset)),
                  static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    ASSERT_GT(fs::file_size(input), four_gib);

    tool_process tool(dir.path(), "huge\n");
    EXPECT_EQ(tool.wait(std::chrono::seconds(600)), 0);
    EXPECT_EQ(tool.console(), banner + prompt);
    EXPECT_EQ(read_bytes(dir.path() / "huge.wpt"), title_header("huge") + column_header +
                                                       record("1.0000000", "2.0000000", "Start") + column_header +
                                                       record("3.0000000", "4.0000000", "End"));
    tool.print_memory("4 GiB sparse input");
    // The tool's buffers are fixed: 64 KiB in, 8 KiB out. The bound leaves
    // room for a sanitizer's runtime but not for the file.
    EXPECT_LT(tool.peak_rss_kib(), 256 * 1024);
}

TEST(FaultInjection, KilledRunLeavesWholeBlocksOfTheFullOutput) {
    // The point list is a pipe fed by the test: the tool is killed while it
    // waits for the rest of a large list, half-way through its conversion.
    // What it wrote must be a prefix of the full output made of whole
    // 4096-byte blocks (counted before CR LF).
    std::signal(SIGPIPE, SIG_IGN);
    const std::string point_list = generated_point_list(6 * 1024 * 1024);

    temp_dir complete_dir;
    write_bytes(complete_dir.path() / "cut.qOLT.txt", point_list);
    tool_process complete(complete_dir.path(), "cut\n");
    ASSERT_EQ(complete.wait(), 0);
    const std::string full_output = read_bytes(complete_dir.path() / "cut.wpt").value_or("");

    temp_dir dir;
    ASSERT_EQ(::mkfifo((dir.path() / "cut.qOLT.txt").c_str(), 0600), 0);
    tool_process tool(dir.path(), "cut\n");
    // Opening blocks until the tool opens the other end.
    const int feed = ::open((dir.path() / "cut.qOLT.txt").c_str(), O_WRONLY);
    ASSERT_GE(feed, 0);
    const std::string_view half = std::string_view(point_list).substr(0, point_list.size() / 2);
    for (std::size_t done = 0; done < half.size();) {
        const ssize_t count = ::write(feed, half.data() + done, half.size() - done);
        ASSERT_GT(count, 0) << "the tool stopped reading";
        done += static_cast<std::size_t>(count);
    }
    // Most of the half has been taken in; wait for a first block to be out.
    const fs::path output_path = dir.path() / "cut.wpt";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((!fs::exists(output_path) || fs::file_size(output_path) == 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    tool.kill();
    ::close(feed);

    const std::string written = read_bytes(output_path).value_or("");
    ASSERT_FALSE(written.empty());
    EXPECT_LT(written.size(), full_output.size());
    EXPECT_EQ((written.size() - count_lf(written)) % 4096, 0u) << written.size() << " bytes written";
    EXPECT_TRUE(full_output.compare(0, written.size(), written) == 0) << "not a prefix of the full output";
}

}  // namespace
