// A fixed-capacity unsigned integer, just enough to decide exactly whether a
// decimal number equals the midpoint between two neighbouring doubles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qolt2wpt {

// The largest value ever built is a midpoint's odd 54-bit mantissa times
// 5^1075 (the deepest subnormal midpoint lies at 2^-1075), about 2551 bits,
// or a decimal text of up to 768 significant digits (2552 bits) to compare
// with it. 84 limbs of 32 bits hold 2688 bits.
constexpr std::size_t big_integer_limbs = 84;

struct big_integer {
    std::uint32_t limbs[big_integer_limbs];  // least significant first
    std::size_t used;                        // limbs in use; no leading zero limb
    bool overflowed;                         // a result did not fit; the value is meaningless
};

big_integer big_integer_from_u64(std::uint64_t value);

// The value of a string of decimal digits ('0'..'9' only).
big_integer big_integer_from_digits(const char* digits, std::size_t count);

void multiply_by_u32(big_integer& value, std::uint32_t factor);
void multiply_by_power_of_5(big_integer& value, unsigned exponent);
void multiply_by_power_of_10(big_integer& value, unsigned exponent);
void multiply_by_power_of_2(big_integer& value, unsigned exponent);

// True when both hold the same value; an overflowed operand equals nothing.
bool big_integers_equal(const big_integer& a, const big_integer& b);

}  // namespace qolt2wpt
