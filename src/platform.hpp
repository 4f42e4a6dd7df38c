// The only place that touches the operating system: raw byte reads and
// writes on files, the standard streams, and terminal detection. Everything
// above it sees bytes, so the tool's own rules for line ends and Ctrl-Z hold
// the same on every platform, whatever the C runtime's text mode would do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qolt2wpt {

// An open file as the system knows it (a descriptor, or a handle on Windows).
struct platform_file {
    std::intptr_t handle;
};

enum class open_status {
    opened,        // the file is open and *file holds it
    failed,        // the system refused the name (missing, no access, too long, ...)
    is_directory,  // the name is a directory: it can be opened but never read to an end
};

// Opens an existing file for reading. `name` is NUL-terminated and goes to
// the system as bytes, exactly as typed.
open_status platform_open_for_reading(const char* name, platform_file* file);

// Creates the file, or empties it if it exists, for writing; the new file is
// readable and writable by everyone the process's umask allows.
open_status platform_open_for_writing(const char* name, platform_file* file);

// Reads up to `capacity` bytes. Returns the count read (> 0), 0 at the end of
// the file, or -1 on a read error. Interrupted reads are retried.
std::ptrdiff_t platform_read(platform_file file, unsigned char* buffer, std::size_t capacity);

// Writes all `length` bytes, retrying short and interrupted writes. Returns
// false as soon as the system reports an error or accepts no byte.
bool platform_write_all(platform_file file, const unsigned char* bytes, std::size_t length);

// Closes the file. Returns false when the system reports a failure.
bool platform_close(platform_file file);

platform_file platform_standard_input();
platform_file platform_standard_output();

// True when the file is an interactive terminal (a console on Windows).
bool platform_is_terminal(platform_file file);

}  // namespace qolt2wpt

namespace qolt2wpt {

// Adapters for the byte helpers, which take plain function pointers:
// `source` and `sink` point to a platform_file.
std::ptrdiff_t read_from_platform_file(void* source, unsigned char* buffer, std::size_t capacity);
bool write_to_platform_file(void* sink, const unsigned char* bytes, std::size_t length);

}  // namespace qolt2wpt
