#pragma once

#include <compare>
#include <cstdint>
#include <limits>
#include <type_traits>

// Arithmetic past 64 bits: the compiler's own 128-bit integer and overflow checks where it has
// them, and plain 64-bit code giving the same results where it has not. Define
// QUILL_PORTABLE_INT to take the plain code anyway, as the tests do to keep it honest.

namespace quill {

/// The 128-bit product of two 64-bit factors, in halves.
struct WideProduct {
    std::uint64_t high;
    std::uint64_t low;
};

namespace portable {

constexpr WideProduct multiplyWide(std::uint64_t a, std::uint64_t b) noexcept {
    constexpr std::uint64_t kHalf = 0xffffffffu;
    const std::uint64_t lowLow = (a & kHalf) * (b & kHalf);
    const std::uint64_t lowHigh = (a & kHalf) * (b >> 32);
    const std::uint64_t highLow = (a >> 32) * (b & kHalf);
    const std::uint64_t highHigh = (a >> 32) * (b >> 32);
    // Three numbers below 2^32 each: the sum cannot carry out of 64 bits.
    const std::uint64_t middle = (lowLow >> 32) + (lowHigh & kHalf) + (highLow & kHalf);
    return {highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32),
            (middle << 32) | (lowLow & kHalf)};
}

/// `a - b` into `out`; true, with `out` wrapped, where the difference does not fit.
constexpr bool subtractOverflows(std::int64_t a, std::int64_t b, std::int64_t* out) noexcept {
    *out = static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
    return b < 0 ? a > std::numeric_limits<std::int64_t>::max() + b
                 : a < std::numeric_limits<std::int64_t>::min() + b;
}

/// A signed 128-bit integer in two's complement, with only the operations the exact figures
/// need. Division truncates toward zero and the remainder takes the dividend's sign, as for the
/// built-in integers; like theirs, dividing by zero or the smallest value by -1 is an error.
class Int128 {
public:
    constexpr Int128() noexcept = default;
    // Implicit, as the built-in type converts: code written for one compiles with the other.
    constexpr Int128(std::int64_t value) noexcept
        : high_(value < 0 ? ~std::uint64_t{0} : 0), low_(static_cast<std::uint64_t>(value)) {}

    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr explicit operator T() const noexcept {
        return static_cast<T>(low_);
    }

    friend constexpr Int128 operator+(const Int128& a, const Int128& b) noexcept {
        const std::uint64_t low = a.low_ + b.low_;
        return Int128(a.high_ + b.high_ + std::uint64_t{low < a.low_}, low);
    }
    constexpr Int128& operator+=(const Int128& b) noexcept { return *this = *this + b; }
    friend constexpr Int128 operator-(const Int128& a) noexcept { return Int128() - a; }
    friend constexpr Int128 operator-(const Int128& a, const Int128& b) noexcept {
        return Int128(a.high_ - b.high_ - std::uint64_t{a.low_ < b.low_}, a.low_ - b.low_);
    }
    friend constexpr Int128 operator/(const Int128& a, const Int128& b) noexcept {
        return divide(a, b, false);
    }
    friend constexpr Int128 operator%(const Int128& a, const Int128& b) noexcept {
        return divide(a, b, true);
    }
    constexpr Int128& operator/=(const Int128& b) noexcept { return *this = *this / b; }

    friend constexpr bool operator==(const Int128&, const Int128&) noexcept = default;
    friend constexpr std::strong_ordering operator<=>(const Int128& a, const Int128& b) noexcept {
        if (a.high_ != b.high_)
            return static_cast<std::int64_t>(a.high_) <=> static_cast<std::int64_t>(b.high_);
        return a.low_ <=> b.low_;
    }

private:
    constexpr Int128(std::uint64_t high, std::uint64_t low) noexcept : high_(high), low_(low) {}

    constexpr bool negative() const noexcept { return (high_ >> 63) != 0; }

    /// Bit by bit on the magnitudes, which fit unsigned 128 bits; only the rare figures past
    /// 64 bits come here, so speed does not matter.
    static constexpr Int128 divide(const Int128& a, const Int128& b, bool remainder) noexcept {
        const Int128 dividend = a.negative() ? -a : a;
        const Int128 divisor = b.negative() ? -b : b;
        auto atLeast = [](const Int128& x, const Int128& y) {
            return x.high_ != y.high_ ? x.high_ > y.high_ : x.low_ >= y.low_;
        };
        Int128 quotient;
        Int128 rest;
        for (int bit = 127; bit >= 0; --bit) {
            // rest < divisor <= 2^127 before the shift, so it stays within 128 bits.
            const std::uint64_t next =
                (bit >= 64 ? dividend.high_ >> (bit - 64) : dividend.low_ >> bit) & 1;
            rest = Int128((rest.high_ << 1) | (rest.low_ >> 63), (rest.low_ << 1) | next);
            if (atLeast(rest, divisor)) {
                rest = rest - divisor;
                if (bit >= 64)
                    quotient.high_ |= std::uint64_t{1} << (bit - 64);
                else
                    quotient.low_ |= std::uint64_t{1} << bit;
            }
        }
        if (remainder) return a.negative() ? -rest : rest;
        return a.negative() != b.negative() ? -quotient : quotient;
    }

    std::uint64_t high_ = 0;
    std::uint64_t low_ = 0;
};

}  // namespace portable

// The choice lives in an inline namespace so that code built both ways in one program, as in
// the tests, keeps two sets of these functions apart instead of mixing them.
#if defined(__SIZEOF_INT128__) && !defined(QUILL_PORTABLE_INT)
inline namespace builtin_int {

__extension__ using Int128 = __int128;

inline WideProduct multiplyWide(std::uint64_t a, std::uint64_t b) noexcept {
    __extension__ using Uint128 = unsigned __int128;
    const Uint128 product = Uint128{a} * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
}

inline bool subtractOverflows(std::int64_t a, std::int64_t b, std::int64_t* out) noexcept {
    return __builtin_sub_overflow(a, b, out);
}

}  // namespace builtin_int
#else
inline namespace portable_int {

using portable::Int128;
using portable::multiplyWide;
using portable::subtractOverflows;

}  // namespace portable_int
#endif

}  // namespace quill
