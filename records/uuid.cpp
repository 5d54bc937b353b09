#include "records/uuid.h"

#include <cstring>
#include <random>

namespace quill {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) noexcept {
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) noexcept {
    return (x << k) | (x >> (64 - k));
}

std::uint64_t entropySeed() {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
}

}  // namespace

UuidGenerator::UuidGenerator() : UuidGenerator(entropySeed()) {}

UuidGenerator::UuidGenerator(std::uint64_t seed) {
    for (auto& word : state_) word = splitmix64(seed);
}

std::uint64_t UuidGenerator::nextWord() noexcept {
    auto& s = state_;
    const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

Uuid UuidGenerator::next() noexcept {
    Uuid id;
    const std::uint64_t words[2] = {nextWord(), nextWord()};
    std::memcpy(id.bytes.data(), words, sizeof words);
    id.bytes[6] = static_cast<std::uint8_t>((id.bytes[6] & 0x0f) | 0x40);  // version 4
    id.bytes[8] = static_cast<std::uint8_t>((id.bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    return id;
}

}  // namespace quill
