#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/string_hash.h"

namespace quill {

/// An immutable UTF-8 string whose copies share one buffer.
///
/// Record texts repeat a lot (process names, a line's date that is the next line's previous
/// date, the labels of the series), and a loaded file holds millions of them. Sharing keeps a
/// copy at the size of a pointer and makes copying records cheap while they stay plain values:
/// nobody can change a text, so a copy behaves exactly like a deep copy.
///
/// Texts cross threads: a load decodes on several and hands the records to one. The count of
/// copies is atomic, so copies on different threads may come and go at the same time.
class Text {
public:
    Text() noexcept = default;
    explicit Text(std::string_view s);
    Text(const char* s) : Text(std::string_view(s)) {}  // NOLINT: texts read like string literals

    Text(const Text& other) noexcept : block_(other.block_) { retain(); }
    Text(Text&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    Text& operator=(const Text& other) noexcept;
    Text& operator=(Text&& other) noexcept;
    ~Text() {
        if (block_) release();  // moved-from texts are many: no call for them
    }

    std::string_view view() const noexcept {
        return block_ ? std::string_view(block_->chars(), block_->size) : std::string_view();
    }
    operator std::string_view() const noexcept { return view(); }  // NOLINT: a text is a view
    std::string str() const { return std::string(view()); }
    const char* data() const noexcept { return view().data(); }
    std::size_t size() const noexcept { return block_ ? block_->size : 0; }
    bool empty() const noexcept { return size() == 0; }
    bool contains(std::string_view needle) const noexcept {
        return view().find(needle) != std::string_view::npos;
    }
    /// Whether both texts share one buffer (the same interned or copied text).
    bool sharesBufferWith(const Text& other) const noexcept { return block_ == other.block_; }

    friend bool operator==(const Text& a, std::string_view b) noexcept { return a.view() == b; }

private:
    struct Block {
        std::atomic<std::uint32_t> refs;
        std::uint32_t size;
        char* chars() noexcept { return reinterpret_cast<char*>(this + 1); }
    };
    void retain() const noexcept;
    void release() noexcept;

    Block* block_ = nullptr;
};

/// Hands out one shared `Text` per distinct string, so that a file whose lines name the same
/// processes again and again holds each name once. Lives for one load, on one thread: each
/// thread of a load has a pool of its own.
///
/// An open-addressing table with the hashes stored beside the texts: a load interns every
/// process name of every line, and this lookup is most of what decoding costs beyond parsing.
/// The hash is seeded per pool so that no file can be crafted to make every name collide.
class TextPool {
public:
    Text intern(std::string_view s);
    std::size_t size() const noexcept { return count_; }
    void clear() noexcept;

private:
    struct Slot {
        std::uint64_t hash = 0;
        Text text;  ///< empty for a free slot: the empty string is never stored
    };
    std::uint64_t hash(std::string_view s) const noexcept;
    void grow();

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    SeededHash hash_;
};

}  // namespace quill
