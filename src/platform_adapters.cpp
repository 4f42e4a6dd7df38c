#include "platform.hpp"

namespace qolt2wpt {

std::ptrdiff_t read_from_platform_file(void* source, unsigned char* buffer, std::size_t capacity) {
    return platform_read(*static_cast<platform_file*>(source), buffer, capacity);
}

bool write_to_platform_file(void* sink, const unsigned char* bytes, std::size_t length) {
    return platform_write_all(*static_cast<platform_file*>(sink), bytes, length);
}

}  // namespace qolt2wpt
