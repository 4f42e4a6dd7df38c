#include "tool_test_support.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace qolt2wpt::testing_support {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string open_failure(std::string_view file_name) {
    return "\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x8a" "J\x82\xaf\x82\xdc\x82\xb9\x82\xf1("s + std::string(file_name) +
           ")\r\n";
}

std::string title_header(std::string_view base_name) { return "H  " + std::string(base_name) + ".WPT\r\n\r\n"; }

std::string record(std::string_view latitude, std::string_view longitude, std::string_view label) {
    return "W  _      N" + std::string(10 - std::min<std::size_t>(10, latitude.size()), ' ') + std::string(latitude) +
           " E" + std::string(11 - std::min<std::size_t>(11, longitude.size()), ' ') + std::string(longitude) +
           " 01-JAN-00 00:00:00     0 " + std::string(label) + "\r\n";
}

fs::path temp_root() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? fs::path(dir) : fs::path("/tmp");
}

temp_dir::temp_dir() {
    std::string pattern = (temp_root() / "qolt2wpt-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw fs::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
    }
    path_ = pattern;
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void write_bytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw fs::filesystem_error("cannot write", path, std::error_code());
}

std::optional<std::string> read_bytes(const fs::path& path) {
    if (!fs::is_regular_file(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> list_tree(const fs::path& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        names.push_back(fs::relative(entry.path(), dir).string() + (entry.is_symlink() ? " (link)" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int scratch_descriptor(std::string_view bytes) {
    std::string pattern = (temp_root() / "qolt2wpt-io-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw fs::filesystem_error("mkstemp", std::error_code(errno, std::generic_category()));
    ::unlink(pattern.c_str());
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count <= 0) throw fs::filesystem_error("write", std::error_code(errno, std::generic_category()));
        done += static_cast<std::size_t>(count);
    }
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

std::string descriptor_contents(int fd) {
    std::string bytes;
    char buffer[4096];
    ssize_t count;
    for (off_t offset = 0; (count = ::pread(fd, buffer, sizeof buffer, offset)) > 0; offset += count) {
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

}  // namespace qolt2wpt::testing_support
