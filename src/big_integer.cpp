#include "big_integer.hpp"

namespace qolt2wpt {
namespace {

void add_u32(big_integer& value, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::size_t i = 0; i < value.used && carry != 0; ++i) {
        const std::uint64_t sum = std::uint64_t{value.limbs[i]} + carry;
        value.limbs[i] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
    }
    if (carry == 0) return;
    if (value.used == big_integer_limbs) {
        value.overflowed = true;
        return;
    }
    value.limbs[value.used++] = static_cast<std::uint32_t>(carry);
}

}  // namespace

big_integer big_integer_from_u64(std::uint64_t value) {
    big_integer result{};
    while (value != 0) {
        result.limbs[result.used++] = static_cast<std::uint32_t>(value);
        value >>= 32;
    }
    return result;
}

big_integer big_integer_from_digits(const char* digits, std::size_t count) {
    big_integer result{};
    // Nine digits at a time: 10^9 fits a limb.
    while (count > 0 && !result.overflowed) {
        const std::size_t chunk = count < 9 ? count : 9;
        std::uint32_t chunk_value = 0;
        std::uint32_t scale = 1;
        for (std::size_t i = 0; i < chunk; ++i) {
            chunk_value = chunk_value * 10 + static_cast<std::uint32_t>(digits[i] - '0');
            scale *= 10;
        }
        multiply_by_u32(result, scale);
        add_u32(result, chunk_value);
        digits += chunk;
        count -= chunk;
    }
    return result;
}

void multiply_by_u32(big_integer& value, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < value.used; ++i) {
        const std::uint64_t product = std::uint64_t{value.limbs[i]} * factor + carry;
        value.limbs[i] = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry == 0) return;
    if (value.used == big_integer_limbs) {
        value.overflowed = true;
        return;
    }
    value.limbs[value.used++] = static_cast<std::uint32_t>(carry);
}

void multiply_by_power_of_5(big_integer& value, unsigned exponent) {
    constexpr std::uint32_t five_to_13 = 1220703125;  // the largest power of 5 below 2^32
    for (; exponent >= 13 && !value.overflowed; exponent -= 13) multiply_by_u32(value, five_to_13);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 5;
    multiply_by_u32(value, rest);
}

void multiply_by_power_of_10(big_integer& value, unsigned exponent) {
    multiply_by_power_of_5(value, exponent);
    multiply_by_power_of_2(value, exponent);
}

void multiply_by_power_of_2(big_integer& value, unsigned exponent) {
    if (value.used == 0 || value.overflowed) return;
    const std::size_t limb_shift = exponent / 32;
    const unsigned bit_shift = exponent % 32;
    const std::size_t needed = value.used + limb_shift + 1;
    if (needed > big_integer_limbs + 1 ||
        (needed == big_integer_limbs + 1 && bit_shift != 0 &&
         (value.limbs[value.used - 1] >> (32 - bit_shift)) != 0)) {
        value.overflowed = true;
        return;
    }
    std::uint32_t top = bit_shift == 0 ? 0 : value.limbs[value.used - 1] >> (32 - bit_shift);
    for (std::size_t i = value.used; i-- > 0;) {
        const std::uint32_t low = i > 0 && bit_shift != 0 ? value.limbs[i - 1] >> (32 - bit_shift) : 0;
        value.limbs[i + limb_shift] = (value.limbs[i] << bit_shift) | low;
    }
    for (std::size_t i = 0; i < limb_shift; ++i) value.limbs[i] = 0;
    value.used += limb_shift;
    if (top != 0) value.limbs[value.used++] = top;
}

bool big_integers_equal(const big_integer& a, const big_integer& b) {
    if (a.overflowed || b.overflowed || a.used != b.used) return false;
    for (std::size_t i = 0; i < a.used; ++i) {
        if (a.limbs[i] != b.limbs[i]) return false;
    }
    return true;
}

}  // namespace qolt2wpt
