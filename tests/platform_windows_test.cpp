// The Win32 file layer: exact bytes both ways, the open rules, sharing, pipes
// and consoles. Built for Windows only; run under Wine by the Windows suite.
#include "platform.hpp"

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qolt2wpt {
namespace {

using namespace std::string_literals;

// Every byte the C runtime's text mode would change: CR LF, a lone LF or CR,
// Ctrl-Z, NUL, and bytes from 0x80 up.
const std::string awkward_bytes = "a\r\nb\nc\rd\x1a" "e\0f\x82\xa0\xff\r\n"s;

// A fresh directory under the system's temporary directory, removed with its
// contents at the end of the test.
struct scratch_directory {
    std::string path;
    scratch_directory() {
        static unsigned count = 0;
        char temp[MAX_PATH + 1];
        const DWORD length = GetTempPathA(sizeof temp, temp);
        path = std::string(temp, length) + "qolt2wpt-platform-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++count);
        if (!CreateDirectoryA(path.c_str(), nullptr)) ADD_FAILURE() << "cannot create " << path;
    }
    ~scratch_directory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    scratch_directory(const scratch_directory&) = delete;
    scratch_directory& operator=(const scratch_directory&) = delete;
    std::string operator/(std::string_view name) const { return path + "\\" + std::string(name); }
};

// Writes and reads files with plain Win32 calls, independently of the layer
// under test.
void write_file(const std::string& name, std::string_view bytes) {
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << name;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
    CloseHandle(handle);
}

std::optional<std::string> read_file(const std::string& name) {
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &count, nullptr) && count > 0) bytes.append(buffer, count);
    CloseHandle(handle);
    return bytes;
}

// Everything platform_read hands out, in reads of at most `capacity` bytes,
// and how the reading stopped: 0 at the end, -1 on an error.
struct read_result {
    std::string bytes;
    std::ptrdiff_t last;
};

read_result read_all(platform_file file, std::size_t capacity) {
    read_result result;
    unsigned char buffer[4096];
    for (;;) {
        result.last = platform_read(file, buffer, capacity);
        if (result.last <= 0) return result;
        result.bytes.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(result.last));
    }
}

bool write_text(platform_file file, std::string_view bytes) {
    return platform_write_all(file, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(PlatformWindows, OpenForReadingTellsMissingNamesAndDirectories) {
    scratch_directory dir;
    write_file(dir / "points.qOLT.txt", "Label A\r\n");
    ASSERT_TRUE(CreateDirectoryA((dir / "folder.qOLT.txt").c_str(), nullptr));
    const struct {
        std::string name;
        open_status status;
    } cases[] = {
        {dir / "points.qOLT.txt", open_status::opened},
        {dir.path + "/points.qOLT.txt", open_status::opened},  // a typed '/' separates as well
        {dir / "absent.qOLT.txt", open_status::failed},
        {dir / "nowhere\\points.qOLT.txt", open_status::failed},
        {dir / "folder.qOLT.txt", open_status::is_directory},
        {dir / std::string(5000, 'L'), open_status::failed},  // longer than any path
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 200));
        platform_file file{};
        EXPECT_EQ(platform_open_for_reading(c.name.c_str(), &file), c.status);
        if (c.status == open_status::opened) {
            EXPECT_TRUE(platform_close(file));
        }
    }
}

TEST(PlatformWindows, OpenForWritingCreatesOrEmpties) {
    scratch_directory dir;
    write_file(dir / "longer.wpt", std::string(400, 'X'));
    ASSERT_TRUE(CreateDirectoryA((dir / "taken.wpt").c_str(), nullptr));
    const struct {
        std::string name;
        open_status status;
    } cases[] = {
        {dir / "new.wpt", open_status::opened},
        {dir / "longer.wpt", open_status::opened},
        {dir / "taken.wpt", open_status::is_directory},
        {dir / "nowhere\\new.wpt", open_status::failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform_file file{};
        ASSERT_EQ(platform_open_for_writing(c.name.c_str(), &file), c.status);
        if (c.status != open_status::opened) {
            EXPECT_EQ(read_file(c.name), std::nullopt);  // nothing was made in its place
            continue;
        }
        EXPECT_EQ(read_file(c.name), "");  // empty while open, before any write
        EXPECT_TRUE(write_text(file, "W\n"));
        EXPECT_TRUE(platform_close(file));
        EXPECT_EQ(read_file(c.name), "W\n");
    }
}

TEST(PlatformWindows, FilesKeepEveryByteBothWays) {
    scratch_directory dir;
    const std::string name = dir / "bytes.bin";
    platform_file out{};
    ASSERT_EQ(platform_open_for_writing(name.c_str(), &out), open_status::opened);
    // Written in two pieces, then a block larger than any read buffer.
    const std::string large(70000, '\n');
    EXPECT_TRUE(write_text(out, awkward_bytes.substr(0, 5)));
    EXPECT_TRUE(write_text(out, awkward_bytes.substr(5)));
    EXPECT_TRUE(write_text(out, large));
    EXPECT_TRUE(platform_close(out));
    EXPECT_EQ(read_file(name), awkward_bytes + large);

    for (const std::size_t capacity : {1u, 7u, 4096u}) {
        SCOPED_TRACE(capacity);
        platform_file in{};
        ASSERT_EQ(platform_open_for_reading(name.c_str(), &in), open_status::opened);
        const read_result result = read_all(in, capacity);
        EXPECT_EQ(result.last, 0);  // the end of the file, not an error
        EXPECT_EQ(result.bytes, awkward_bytes + large);
        EXPECT_TRUE(platform_close(in));
    }
}

TEST(PlatformWindows, OpenFilesAreSharedWithOtherProcesses) {
    // Another program may read, replace or delete the point list while the
    // tool reads it, and read the waypoint file while the tool writes it, as
    // on POSIX.
    scratch_directory dir;
    const std::string input_name = dir / "shared.qOLT.txt";
    write_file(input_name, "Label A\n");
    platform_file in{};
    ASSERT_EQ(platform_open_for_reading(input_name.c_str(), &in), open_status::opened);
    EXPECT_EQ(read_file(input_name), "Label A\n");
    const HANDLE writer = CreateFileA(input_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_TRUE(DeleteFileA(input_name.c_str()));
    EXPECT_TRUE(platform_close(in));

    const std::string output_name = dir / "shared.wpt";
    platform_file out{};
    ASSERT_EQ(platform_open_for_writing(output_name.c_str(), &out), open_status::opened);
    EXPECT_TRUE(write_text(out, "H\n"));
    EXPECT_EQ(read_file(output_name), "H\n");
    EXPECT_TRUE(platform_close(out));
}

TEST(PlatformWindows, ReadErrorIsMinusOne) {
    scratch_directory dir;
    const std::string name = dir / "write-only.wpt";
    platform_file out{};
    ASSERT_EQ(platform_open_for_writing(name.c_str(), &out), open_status::opened);
    unsigned char buffer[16];
    EXPECT_EQ(platform_read(out, buffer, sizeof buffer), -1);
    EXPECT_TRUE(platform_close(out));
}

TEST(PlatformWindows, PipeWhoseWriterClosedEndsTheInput) {
    // The typed name often comes through a pipe ("echo name | qolt2wpt"):
    // Windows reports the closed writer as ERROR_BROKEN_PIPE, which must read
    // as the end of the input, not as a read error.
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    const platform_file writer{reinterpret_cast<std::intptr_t>(write_end)};
    EXPECT_TRUE(write_text(writer, awkward_bytes));
    EXPECT_TRUE(platform_close(writer));

    const platform_file reader{reinterpret_cast<std::intptr_t>(read_end)};
    const read_result result = read_all(reader, 4096);
    EXPECT_EQ(result.bytes, awkward_bytes);
    EXPECT_EQ(result.last, 0);
    EXPECT_TRUE(platform_close(reader));
}

TEST(PlatformWindows, WriteToPipeWithoutReaderFails) {
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    CloseHandle(read_end);
    const platform_file writer{reinterpret_cast<std::intptr_t>(write_end)};
    EXPECT_FALSE(write_text(writer, "lost\n"));
    EXPECT_TRUE(platform_close(writer));
}

TEST(PlatformWindows, OnlyAConsoleIsATerminal) {
    scratch_directory dir;
    const std::string name = dir / "plain.wpt";
    platform_file file{};
    ASSERT_EQ(platform_open_for_writing(name.c_str(), &file), open_status::opened);
    EXPECT_FALSE(platform_is_terminal(file));
    EXPECT_TRUE(platform_close(file));

    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    EXPECT_FALSE(platform_is_terminal(platform_file{reinterpret_cast<std::intptr_t>(write_end)}));
    CloseHandle(read_end);
    CloseHandle(write_end);

    const HANDLE null_device = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(null_device, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform_is_terminal(platform_file{reinterpret_cast<std::intptr_t>(null_device)}));
    CloseHandle(null_device);
}

TEST(PlatformWindows, ConsoleIsATerminal) {
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE && AllocConsole()) {
        console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    }
    if (console == INVALID_HANDLE_VALUE) {
        // The Windows suite also runs this test on a pseudo-terminal, where
        // Wine makes a console, and sets QOLT2WPT_CONSOLE_EXPECTED there.
        if (std::getenv("QOLT2WPT_CONSOLE_EXPECTED") != nullptr) FAIL() << "no console on a terminal";
        GTEST_SKIP() << "no console to be had: Wine without a display gives none to a program started without one";
    }
    EXPECT_TRUE(platform_is_terminal(platform_file{reinterpret_cast<std::intptr_t>(console)}));
    CloseHandle(console);
}

TEST(PlatformWindows, StandardStreamsAreTheProcessHandles) {
    // Redirected to a pipe, standard input and output are read and written
    // through the layer byte for byte.
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    const HANDLE saved_input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE saved_output = GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_TRUE(SetStdHandle(STD_INPUT_HANDLE, read_end));
    ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, write_end));

    const bool written = write_text(platform_standard_output(), awkward_bytes);
    const bool output_is_terminal = platform_is_terminal(platform_standard_output());
    CloseHandle(write_end);
    const read_result result = read_all(platform_standard_input(), 4096);

    SetStdHandle(STD_INPUT_HANDLE, saved_input);
    SetStdHandle(STD_OUTPUT_HANDLE, saved_output);
    CloseHandle(read_end);
    EXPECT_TRUE(written);
    EXPECT_FALSE(output_is_terminal);
    EXPECT_EQ(result.bytes, awkward_bytes);
    EXPECT_EQ(result.last, 0);
}

}  // namespace
}  // namespace qolt2wpt
