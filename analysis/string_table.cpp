#include "analysis/string_table.h"

#include <stdexcept>

namespace quill {

StringTable::Id StringTable::add(std::string_view text) {
    // Ids are 32-bit, and the last one marks a free slot in an interner.
    if (ends_.size() >= 0xfffffffe) throw std::length_error("more than 2^32 - 2 distinct texts");
    bytes_.append(text.data(), text.size());
    ends_.push_back(bytes_.size());
    return static_cast<Id>(ends_.size() - 1);
}

void StringInterner::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 256 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.id == kFree) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].id != kFree) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

StringTable::Id StringInterner::intern(std::string_view text) {
    if (2 * (table_.size() + 1) > slots_.size()) grow();
    const std::uint64_t h = hash_(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.id == kFree) {
            slot = {h, table_.add(text)};
            return slot.id;
        }
        if (slot.hash == h && table_[slot.id] == text) return slot.id;
    }
}

StringTable StringInterner::take() {
    StringTable taken = std::move(table_);
    clear();
    return taken;
}

void StringInterner::clear() noexcept {
    // Kept at its size: a chunk's texts are about as many as the last one's.
    for (Slot& slot : slots_) slot.id = kFree;
    table_.clear();
}

}  // namespace quill
