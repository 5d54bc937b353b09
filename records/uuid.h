#pragma once

#include <array>
#include <cstdint>

namespace quill {

/// A version 4 (random) UUID.
struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    friend bool operator==(const Uuid&, const Uuid&) = default;
};

/// Makes random UUIDs. Seeded once from the system's entropy source, then a fast generator
/// (xoshiro256**): a load makes millions of ids, and reading the entropy device for each would
/// dominate it. 122 random bits per id keep every id of a run distinct in practice.
class UuidGenerator {
public:
    UuidGenerator();
    explicit UuidGenerator(std::uint64_t seed);
    Uuid next() noexcept;

private:
    std::uint64_t nextWord() noexcept;
    std::array<std::uint64_t, 4> state_{};
};

}  // namespace quill
