// Numbers written with a fixed count of decimals, as the C library's "%.*f"
// writes them in the C locale (the exact binary value rounded to nearest,
// halfway cases to even, a minus sign on every negative value and on
// negative zero), without going through the formatted-output machinery:
// tables write millions of such numbers.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace npar {

// Room WriteFixedDecimals needs: a sign, the integer digits, the point and
// up to kMostFixedDecimals decimals.
constexpr int kMostFixedDecimals = 19;
constexpr size_t kFixedDecimalsRoom = 48;

// Writes value with decimals digits after the point (none and no point for
// 0) into out, which has kFixedDecimalsRoom bytes, and returns the end of the
// text. Null, with nothing written, for what it does not write: a value that
// is not finite or not below 2^63 in size, or decimals outside
// [0, kMostFixedDecimals]; the caller then uses the general conversion.
inline char* WriteFixedDecimals(char* out, double value, int decimals) {
    if (!std::isfinite(value) || decimals < 0 || decimals > kMostFixedDecimals) return nullptr;
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // |value| = mantissa * 2^exponent
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    // 2^63 and above go to the general conversion: the integer part must
    // fit in 64 bits.
    if (exponent > 10) return nullptr;

    std::uint64_t power = 1;  // 10^decimals, below 2^64 for up to 19 decimals
    for (int i = 0; i < decimals; ++i) power *= 10;

    std::uint64_t integer = 0;
    std::uint64_t fraction = 0;  // the decimals as a whole number below power
    if (exponent >= 0) {
        integer = mantissa << exponent;  // a whole number: the decimals are zeros
    } else {
        // value * 10^decimals = mantissa * power / 2^shift, rounded to the
        // nearest whole number, halfway cases to even. The product is below
        // 2^117, so that 128 bits hold it exactly.
        using Wide = unsigned __int128;
        const int shift = -exponent;
        const Wide scaled = static_cast<Wide>(mantissa) * power;
        Wide rounded = 0;
        if (shift < 128) {
            rounded = scaled >> shift;
            const Wide rest = scaled - (rounded << shift);
            const Wide half = static_cast<Wide>(1) << (shift - 1);
            if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
        }  // else scaled < 2^117 <= half: it rounds to zero
        if (rounded >> 64 == 0) {
            const auto narrow = static_cast<std::uint64_t>(rounded);
            integer = narrow / power;
            fraction = narrow % power;
        } else {
            integer = static_cast<std::uint64_t>(rounded / power);
            fraction = static_cast<std::uint64_t>(rounded % power);
        }
    }

    char* at = out;
    if (negative) *at++ = '-';
    at = std::to_chars(at, out + kFixedDecimalsRoom, integer).ptr;
    if (decimals > 0) {
        *at++ = '.';
        for (int i = decimals - 1; i >= 0; --i) {
            at[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        at += decimals;
    }
    return at;
}

}  // namespace npar
