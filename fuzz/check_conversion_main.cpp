// Checks a converted waypoint file against its point list with the same
// checker as convert_fuzzer; used by the soak run on files of any size.
// Usage: check_conversion POINT_LIST WAYPOINT_FILE BASE_NAME
// Exit status: 0 when the file is right, 1 with the first fault on stderr,
// 2 when a file cannot be read.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "conversion_check.hpp"

namespace {

// The whole file, mapped: the page cache holds it, not this process's heap.
struct mapped_file {
    const char* bytes = nullptr;
    std::size_t size = 0;
    bool ok = false;
};

mapped_file map_file(const char* name) {
    mapped_file file;
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return file;
    struct stat status {};
    if (::fstat(fd, &status) == 0) {
        file.size = static_cast<std::size_t>(status.st_size);
        if (file.size == 0) {
            file.ok = true;
        } else {
            void* map = ::mmap(nullptr, file.size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                ::madvise(map, file.size, MADV_SEQUENTIAL);
                file.bytes = static_cast<const char*>(map);
                file.ok = true;
            }
        }
    }
    ::close(fd);
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s POINT_LIST WAYPOINT_FILE BASE_NAME\n", argv[0]);
        return 2;
    }
    const mapped_file input = map_file(argv[1]);
    const mapped_file output = map_file(argv[2]);
    if (!input.ok || !output.ok) {
        std::fprintf(stderr, "cannot read %s\n", input.ok ? argv[2] : argv[1]);
        return 2;
    }
    const std::string fault =
        qolt2wpt::check::check_conversion({input.bytes, input.size}, {output.bytes, output.size}, argv[3]);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 1;
    }
    std::printf("%zu bytes of point list, %zu bytes of waypoint file: correct\n", input.size, output.size);
    return 0;
}
