// Writes a random but valid point list of about the given size for the soak
// run: Label lines (ASCII and Shift_JIS, some empty, some 249 bytes long),
// Data lines with coordinates in every written form the number rule takes
// (signs, exponents with E/e/D/d, leading white space, many digits, ties,
// overflow), some other lines, LF or CR LF line ends, and now and then a line
// longer than 255 bytes.
// Usage: generate_soak_input SIZE_BYTES OUTPUT [SEED]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::mt19937_64 random_bits;

unsigned pick(unsigned low, unsigned high) { return std::uniform_int_distribution<unsigned>(low, high)(random_bits); }

std::string digits(unsigned count) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) text += static_cast<char>('0' + pick(0, 9));
    return text;
}

std::string number() {
    std::string text;
    if (pick(0, 9) == 0) text += pick(0, 1) == 0 ? " " : "\t ";
    const unsigned sign = pick(0, 3);
    if (sign == 0) text += '-';
    if (sign == 1) text += '+';
    switch (pick(0, 9)) {
        case 0:  // an exponent form
            text += digits(pick(1, 3)) + "." + digits(pick(0, 12));
            text += "EeDd"[pick(0, 3)];
            if (pick(0, 1) == 0) text += "+-"[pick(0, 1)];
            text += std::to_string(pick(0, 330));
            break;
        case 1:  // many digits
            text += digits(pick(1, 25)) + "." + digits(pick(1, 40));
            break;
        case 2:  // a tie at the 8th decimal, or a short one
            text += std::to_string(pick(0, 180)) + "." + (pick(0, 1) == 0 ? digits(7) + "5" : digits(pick(0, 3)));
            break;
        default:  // a usual coordinate
            text += std::to_string(pick(0, 180)) + "." + digits(pick(6, 9));
    }
    return text;
}

std::string label_text() {
    static const char* const names[] = {"Tokyo Tower",  "\x93\x8c\x8b\x9e\x83^\x83\x8f\x81[",
                                        "Lake\rAshi",   "\x95\x78\x8e\x6d\x8e\x52 \x8c\xdc\x8d\x87\x96\xda",
                                        "Trail head 7", ""};
    if (pick(0, 49) == 0) return std::string(249, static_cast<char>('A' + pick(0, 25)));
    return std::string(names[pick(0, 5)]) + (pick(0, 1) == 0 ? " " + std::to_string(pick(0, 99999)) : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SIZE_BYTES OUTPUT [SEED]\n", argv[0]);
        return 2;
    }
    const unsigned long long target = std::strtoull(argv[1], nullptr, 10);
    random_bits.seed(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    unsigned long long written = 0;
    std::string line;
    while (written < target) {
        const unsigned kind = pick(0, 99);
        if (kind < 4) {
            line = "Label " + label_text();
        } else if (kind < 90) {
            line = "Data = " + number() + "," + number() + ")";
        } else if (kind < 95) {
            line = pick(0, 1) == 0 ? "" : "# a remark line";
        } else if (kind < 97) {
            // Longer than a line read: it arrives in 255-byte pieces.
            line = "Label long " + std::string(pick(250, 700), 'x') + "Data = 1.25,2.5)";
        } else {
            line = "  Data = " + number() + ",,)) " + number() + ") trailing";
        }
        line += pick(0, 1) == 0 ? "\n" : "\r\n";
        std::fwrite(line.data(), 1, line.size(), out);
        written += line.size();
    }
    // The last line ends in a line end, so nothing is cut off at the end.
    return std::fclose(out) == 0 ? 0 : 1;
}
