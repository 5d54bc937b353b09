#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/shared_column.h"
#include "records/string_hash.h"

namespace quill {

/// Texts laid end to end in one buffer, each named by a 32-bit id in order of arrival. A copy
/// shares the buffer, and keeps the texts there were when it was made.
class StringTable {
public:
    using Id = std::uint32_t;

    std::size_t size() const noexcept { return ends_.size(); }
    std::string_view operator[](Id id) const noexcept {
        const std::size_t begin = id == 0 ? 0 : ends_[id - 1];
        return {bytes_.data() + begin, static_cast<std::size_t>(ends_[id] - begin)};
    }
    /// Adds `text` under the next id.
    Id add(std::string_view text);
    std::size_t bytes() const noexcept {
        return bytes_.capacity() + ends_.capacity() * sizeof(std::uint64_t);
    }
    void clear() noexcept {
        bytes_.clear();
        ends_.clear();
    }

private:
    SharedColumn<char> bytes_;
    SharedColumn<std::uint64_t> ends_;
};

/// Numbers distinct texts: the same text always gets the same id, in a table of each text
/// once. An open-addressing table of ids with their hashes beside them.
class StringInterner {
public:
    StringInterner() = default;
    explicit StringInterner(const SeededHash& hash) : hash_(hash) {}

    StringTable::Id intern(std::string_view text);
    const StringTable& table() const noexcept { return table_; }
    /// Hands the table over and starts again empty.
    StringTable take();
    void clear() noexcept;

private:
    struct Slot {
        std::uint64_t hash = 0;
        StringTable::Id id = kFree;
    };
    static constexpr StringTable::Id kFree = 0xffffffff;
    void grow();

    SeededHash hash_;
    std::vector<Slot> slots_;
    StringTable table_;
};

}  // namespace quill
