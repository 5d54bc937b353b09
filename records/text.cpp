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

namespace {}  // namespace

std::uint64_t TextPool::hash(std::string_view s) const noexcept {
    return hash_(s);
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
