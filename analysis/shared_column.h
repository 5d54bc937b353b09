#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

#include "analysis/memory_advice.h"

namespace quill {

/// A growable array of plain values whose copies share its storage: a copy sees the elements
/// there were when it was made, however the original grows afterwards. The original only ever
/// writes past the end of every copy, and moves to new storage when it runs out of room, the
/// copies keeping the old one. So a table can take in appended lines while any number of
/// threads read the copies handed out before, and a copy costs no more than a pointer.
///
/// Only one of a family of copies may grow: the others are read.
template <typename T>
class SharedColumn {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    SharedColumn() = default;
    SharedColumn(const SharedColumn&) = default;
    SharedColumn& operator=(const SharedColumn&) = default;
    SharedColumn(SharedColumn&& other) noexcept
        : storage_(std::move(other.storage_)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    SharedColumn& operator=(SharedColumn&& other) noexcept {
        storage_ = std::move(other.storage_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        return *this;
    }

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    std::size_t capacity() const noexcept { return capacity_; }
    const T* data() const noexcept { return storage_.get(); }
    const T* begin() const noexcept { return data(); }
    const T* end() const noexcept { return data() + size_; }
    const T& operator[](std::size_t i) const noexcept { return storage_[i]; }
    const T& back() const noexcept { return storage_[size_ - 1]; }
    operator std::span<const T>() const noexcept { return {data(), size_}; }

    void push_back(const T& value) {
        if (size_ == capacity_) grow(size_ + 1);
        storage_[size_++] = value;
    }
    void append(const T* values, std::size_t count) {
        if (count == 0) return;
        if (capacity_ - size_ < count) grow(size_ + count);
        std::memcpy(storage_.get() + size_, values, count * sizeof(T));
        size_ += count;
    }
    /// Makes room for `count` elements in all, in huge pages where the system has them.
    void reserve(std::size_t count) {
        if (count > capacity_) moveTo(count);
    }
    /// Empties the column, keeping its room when no copy shares it.
    void clear() noexcept {
        if (storage_.use_count() > 1) *this = SharedColumn();
        size_ = 0;
    }

private:
    void grow(std::size_t needed) { moveTo(std::max(needed, 2 * capacity_)); }
    void moveTo(std::size_t capacity) {
        // Left uninitialised: pages that no element reaches are never touched, and cost
        // address space only.
        std::shared_ptr<T[]> moved(capacity == 0 ? nullptr : new T[capacity]);
        if (size_ > 0) std::memcpy(moved.get(), storage_.get(), size_ * sizeof(T));
        if (capacity * sizeof(T) >= kHugeAdviceBytes)
            adviseHugePages(moved.get(), capacity * sizeof(T));
        storage_ = std::move(moved);
        capacity_ = capacity;
    }
    static constexpr std::size_t kHugeAdviceBytes = std::size_t{4} << 20;

    std::shared_ptr<T[]> storage_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace quill
