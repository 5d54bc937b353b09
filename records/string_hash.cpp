#include "records/string_hash.h"

#include <cstring>
#include <random>

#include "records/wide_int.h"

namespace quill {

namespace {

std::uint64_t mix(std::uint64_t a, std::uint64_t b) noexcept {
    const WideProduct product = multiplyWide(a, b);
    return product.low ^ product.high;
}

std::uint64_t load64(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

std::uint64_t loadTail(const char* p, std::size_t n) noexcept {
    if (n == 0) return 0;
    // Up to seven bytes: the first, middle and last say enough for short names.
    return (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
           (std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
           static_cast<unsigned char>(p[n - 1]);
}

constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kOther = 0xe7037ed1a0b428dbULL;

}  // namespace

SeededHash::SeededHash() {
    std::random_device device;
    seed_ = (std::uint64_t{device()} << 32 | device()) | 1;
}

std::uint64_t SeededHash::operator()(std::string_view s) const noexcept {
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t h = mix(seed_ ^ n, kMultiplier);
    if (n < 8) return mix(h ^ loadTail(p, n), kOther);
    // Both factors carry secret bits, so no input can make one of them zero and wipe out what
    // came before.
    const std::uint64_t secret = seed_ ^ kOther;
    while (n > 16) {
        h = mix(h ^ load64(p), secret ^ load64(p + 8));
        p += 16;
        n -= 16;
    }
    // The last sixteen (or eight to sixteen) bytes, overlapping what came before.
    const char* end = s.data() + s.size();
    const std::uint64_t last = load64(end - 8);
    const std::uint64_t before = s.size() >= 16 ? load64(end - 16) : load64(s.data());
    return mix(h ^ before, secret ^ last);
}

}  // namespace quill
