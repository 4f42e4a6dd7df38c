// Writes a deterministic, realistic point list of about the given size:
// one Label line per 50 Data lines, labels with spaces and Shift_JIS text,
// coordinates with 6 to 9 decimals and both signs.
// Usage: generate_point_list SIZE_BYTES OUTPUT [lf|crlf]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SIZE_BYTES OUTPUT [lf|crlf]\n", argv[0]);
        return 2;
    }
    const unsigned long long target = std::strtoull(argv[1], nullptr, 10);
    const bool crlf = argc > 3 && std::strcmp(argv[3], "crlf") == 0;
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    const char* line_end = crlf ? "\r\n" : "\n";
    // Place names: ASCII with spaces, and Shift_JIS ("Tokyo Tower", "Mount Fuji").
    const char* names[] = {"Tokyo Station", "Shibuya Crossing", "Lake Ashi north shore",
                           "\x93\x8c\x8b\x9e\x83^\x83\x8f\x81[", "\x95\x78\x8e\x6d\x8e\x52 \x8c\xdc\x8d\x87\x96\xda",
                           "Trail head 7"};
    std::mt19937_64 random(42);
    unsigned long long written = 0;
    unsigned long long label_number = 0;
    char line[256];
    while (written < target) {
        int n = std::snprintf(line, sizeof line, "Label %s %llu%s", names[label_number % 6], label_number, line_end);
        std::fwrite(line, 1, static_cast<std::size_t>(n), out);
        written += static_cast<unsigned long long>(n);
        ++label_number;
        for (int i = 0; i < 50 && written < target; ++i) {
            const int lat_decimals = 6 + static_cast<int>(random() % 4);
            const int lon_decimals = 6 + static_cast<int>(random() % 4);
            const double lat = static_cast<double>(random() % 180'000'000'000ULL) / 1e9 - 90.0;
            const double lon = static_cast<double>(random() % 360'000'000'000ULL) / 1e9 - 180.0;
            n = std::snprintf(line, sizeof line, "Data = %.*f,%.*f)%s", lat_decimals, lat, lon_decimals, lon, line_end);
            std::fwrite(line, 1, static_cast<std::size_t>(n), out);
            written += static_cast<unsigned long long>(n);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
