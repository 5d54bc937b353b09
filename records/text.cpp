#include "records/text.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace quill {

Text::Text(std::string_view s) {
    if (s.empty()) return;
    if (s.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text longer than 4 GiB");
    void* memory = std::malloc(sizeof(Block) + s.size());
    if (!memory) throw std::bad_alloc();
    block_ = new (memory) Block{{1}, static_cast<std::uint32_t>(s.size())};
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
    if (block_) block_->refs.fetch_add(1, std::memory_order_relaxed);
}

void Text::release() noexcept {
    if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block_->~Block();
        std::free(block_);
    }
    block_ = nullptr;
}

Text TextPool::intern(std::string_view s) {
    if (s.empty()) return {};
    if (auto it = texts_.find(s); it != texts_.end()) return it->second;
    Text text(s);
    texts_.emplace(text.view(), text);
    return text;
}

}  // namespace quill
