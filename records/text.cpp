#include "records/text.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <stdexcept>

namespace quill {

Text::Text(std::string_view s) {
    if (s.empty()) return;
    if (s.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text longer than 4 GiB");
    void* memory = std::malloc(sizeof(Block) + s.size());
    if (!memory) throw std::bad_alloc();
    block_ = new (memory) Block{1, static_cast<std::uint32_t>(s.size())};
    std::memcpy(block_->chars(), s.data(), s.size());
}

Text& Text::operator=(const Text& other) noexcept {
    Block* const kept = other.block_;  // read before release(): `other` may be this text
    other.retain();
    release();
    block_ = kept;
    return *this;
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        release();
        block_ = other.block_;
        other.block_ = nullptr;
    }
    return *this;
}

void Text::retain() const noexcept {
    // A new copy is made from one that holds a count already: nothing to order against.
    if (block_) block_->refs.fetch_add(1, std::memory_order_relaxed);
}

void Text::release() noexcept {
    // The last release must see every write made through the other copies before it frees.
    if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block_->~Block();
        std::free(block_);
    }
    block_ = nullptr;
}

namespace {

__extension__ using Uint128 = unsigned __int128;

std::uint64_t mix(std::uint64_t a, std::uint64_t b) noexcept {
    const Uint128 product = Uint128{a} * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t load64(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

std::uint64_t loadTail(const char* p, std::size_t n) noexcept {
    // Up to seven bytes: the first, middle and last say enough for short names.
    return (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
           (std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8) |
           static_cast<unsigned char>(p[n - 1]);
}

constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kOther = 0xe7037ed1a0b428dbULL;

}  // namespace

TextPool::TextPool() {
    std::random_device device;
    seed_ = (std::uint64_t{device()} << 32 | device()) | 1;
}

std::uint64_t TextPool::hash(std::string_view s) const noexcept {
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t h = mix(seed_ ^ n, kMultiplier);
    if (n < 8) return mix(h ^ loadTail(p, n), kOther);
    // Sixteen bytes a step, one multiply each. Both factors carry secret bits, so no input can
    // make one of them zero and wipe out what came before.
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

void TextPool::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 256 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (Slot& slot : old) {
        if (slot.text.empty()) continue;
        std::size_t i = slot.hash & mask;
        while (!slots_[i].text.empty()) i = (i + 1) & mask;
        slots_[i] = std::move(slot);
    }
}

Text TextPool::intern(std::string_view s) {
    if (s.empty()) return {};
    if (2 * (count_ + 1) > slots_.size()) grow();
    const std::uint64_t h = hash(s);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.text.empty()) {
            slot.hash = h;
            slot.text = Text(s);
            ++count_;
            return slot.text;
        }
        if (slot.hash == h && slot.text.view() == s) return slot.text;
    }
}

void TextPool::clear() noexcept {
    slots_.clear();
    count_ = 0;
}

}  // namespace quill
