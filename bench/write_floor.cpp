// The floor for a converter whose output goes out in 4096-byte blocks on one
// thread: write SIZE bytes (the real output's size, CRs included) to OUTPUT in
// blocks that hold 4096 bytes of text plus their CRs, and nothing else.
// Usage: write_floor SIZE_BYTES LF_COUNT OUTPUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SIZE_BYTES LF_COUNT OUTPUT\n", argv[0]);
        return 2;
    }
    const unsigned long long size = std::strtoull(argv[1], nullptr, 10);
    const unsigned long long lfs = std::strtoull(argv[2], nullptr, 10);
    // Each LF became CR LF: the text had size - lfs bytes, so a block of 4096
    // text bytes is this many bytes on disk.
    const unsigned long long text = size - lfs;
    const std::size_t block = text == 0 ? 4096 : static_cast<std::size_t>(4096.0 * static_cast<double>(size) / static_cast<double>(text));
    std::vector<unsigned char> bytes(block, 'x');
    const int fd = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return 1;
    for (unsigned long long left = size; left > 0;) {
        const std::size_t n = left < block ? static_cast<std::size_t>(left) : block;
        if (::write(fd, bytes.data(), n) != static_cast<ssize_t>(n)) return 1;
        left -= n;
    }
    return ::close(fd) == 0 ? 0 : 1;
}
