// Raw file and console access through Win32, with no C runtime stream and so
// no text mode in between: the bytes read and written are exactly those in the
// file, on the console or in the pipe.
#include "platform.hpp"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qolt2wpt {
namespace {

HANDLE handle_of(platform_file file) { return reinterpret_cast<HANDLE>(file.handle); }

platform_file file_of(HANDLE handle) { return platform_file{reinterpret_cast<std::intptr_t>(handle)}; }

// Others may read, write, rename or delete the file while the tool has it
// open, as they may on POSIX.
constexpr DWORD share_everything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile take a DWORD count; larger requests go in pieces.
constexpr std::size_t largest_transfer = std::size_t{1} << 30;

DWORD transfer_size(std::size_t length) {
    return static_cast<DWORD>(length < largest_transfer ? length : largest_transfer);
}

// CreateFile refuses a directory with ERROR_ACCESS_DENIED, the same code as
// for a file without permission; the attributes tell the two apart.
open_status failure_status(const char* name) {
    if (GetLastError() != ERROR_ACCESS_DENIED) return open_status::failed;
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return open_status::is_directory;
    }
    return open_status::failed;
}

}  // namespace

// The "A" functions: the typed bytes go to the system unchanged, as a name in
// the ANSI code page (Shift_JIS on a Japanese Windows, as typed at its console).
open_status platform_open_for_reading(const char* name, platform_file* file) {
    const HANDLE handle =
        CreateFileA(name, GENERIC_READ, share_everything, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failure_status(name);
    *file = file_of(handle);
    return open_status::opened;
}

open_status platform_open_for_writing(const char* name, platform_file* file) {
    const HANDLE handle =
        CreateFileA(name, GENERIC_WRITE, share_everything, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failure_status(name);
    *file = file_of(handle);
    return open_status::opened;
}

std::ptrdiff_t platform_read(platform_file file, unsigned char* buffer, std::size_t capacity) {
    DWORD count = 0;
    if (ReadFile(handle_of(file), buffer, transfer_size(capacity), &count, nullptr)) return count;
    // A pipe whose writer has closed its end reports that as an error; for the
    // reader it is the end of the input, as a POSIX read returning 0.
    if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return -1;
}

bool platform_write_all(platform_file file, const unsigned char* bytes, std::size_t length) {
    while (length > 0) {
        DWORD count = 0;
        if (!WriteFile(handle_of(file), bytes, transfer_size(length), &count, nullptr) || count == 0) return false;
        bytes += count;
        length -= count;
    }
    return true;
}

bool platform_close(platform_file file) { return CloseHandle(handle_of(file)) != 0; }

// A missing standard handle (NULL or INVALID_HANDLE_VALUE) needs no special
// case: every read or write on it fails, as on a closed POSIX descriptor.
platform_file platform_standard_input() { return file_of(GetStdHandle(STD_INPUT_HANDLE)); }

platform_file platform_standard_output() { return file_of(GetStdHandle(STD_OUTPUT_HANDLE)); }

// Only a console has a console mode: a file, a pipe or NUL has none.
bool platform_is_terminal(platform_file file) {
    DWORD mode = 0;
    return GetConsoleMode(handle_of(file), &mode) != 0;
}

}  // namespace qolt2wpt
