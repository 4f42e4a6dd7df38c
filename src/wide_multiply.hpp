// The full 128-bit product of two 64-bit numbers.
#pragma once

#include <cstdint>

namespace qolt2wpt {

struct uint128 {
    std::uint64_t high;
    std::uint64_t low;
};

// From 32-bit halves: the same bits on every compiler.
constexpr uint128 multiply_64x64_portable(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a_low = a & 0xFFFFFFFF, a_high = a >> 32;
    const std::uint64_t b_low = b & 0xFFFFFFFF, b_high = b >> 32;
    const std::uint64_t low_low = a_low * b_low;
    const std::uint64_t high_low = a_high * b_low;
    const std::uint64_t low_high = a_low * b_high;
    // Sum of the three terms that meet at bit 32; it cannot overflow 64 bits.
    const std::uint64_t middle = (low_low >> 32) + (high_low & 0xFFFFFFFF) + (low_high & 0xFFFFFFFF);
    return {a_high * b_high + (high_low >> 32) + (low_high >> 32) + (middle >> 32),
            (middle << 32) | (low_low & 0xFFFFFFFF)};
}

// One multiply instruction where the compiler has a 128-bit type.
constexpr uint128 multiply_64x64(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    __extension__ using builtin_uint128 = unsigned __int128;
    const builtin_uint128 product = builtin_uint128{a} * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#else
    return multiply_64x64_portable(a, b);
#endif
}

}  // namespace qolt2wpt
