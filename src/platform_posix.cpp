#include "platform.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qolt2wpt {
namespace {

int descriptor_of(platform_file file) { return static_cast<int>(file.handle); }

}  // namespace

open_status platform_open_for_reading(const char* name, platform_file* file) {
    int fd;
    do {
        fd = ::open(name, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return open_status::failed;
    // A directory opens fine on POSIX, but every read of it fails, so the
    // line loop would never meet the end of the file.
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(fd);
        return open_status::is_directory;
    }
    file->handle = fd;
    return open_status::opened;
}

open_status platform_open_for_writing(const char* name, platform_file* file) {
    int fd;
    do {
        fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno == EISDIR ? open_status::is_directory : open_status::failed;
    file->handle = fd;
    return open_status::opened;
}

std::ptrdiff_t platform_read(platform_file file, unsigned char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t count = ::read(descriptor_of(file), buffer, capacity);
        if (count >= 0) return count;
        if (errno != EINTR) return -1;
    }
}

bool platform_write_all(platform_file file, const unsigned char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t count = ::write(descriptor_of(file), bytes, length);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        bytes += count;
        length -= static_cast<std::size_t>(count);
    }
    return true;
}

bool platform_close(platform_file file) {
    // POSIX leaves the descriptor closed even when close reports EINTR, so it
    // is never retried; any error means the last writes may be lost.
    return ::close(descriptor_of(file)) == 0;
}

platform_file platform_standard_input() { return platform_file{STDIN_FILENO}; }

platform_file platform_standard_output() { return platform_file{STDOUT_FILENO}; }

bool platform_is_terminal(platform_file file) { return ::isatty(descriptor_of(file)) == 1; }

}  // namespace qolt2wpt
