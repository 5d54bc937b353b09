#pragma once

#include <cstdint>
#include <string_view>

namespace quill {

/// A fast hash of byte strings with a secret seed drawn per instance, so that no file can be
/// crafted to make the names of a load collide. Sixteen bytes a step, one multiply each.
class SeededHash {
public:
    SeededHash();
    explicit SeededHash(std::uint64_t seed) noexcept : seed_(seed | 1) {}

    std::uint64_t operator()(std::string_view s) const noexcept;

private:
    std::uint64_t seed_;
};

}  // namespace quill
