#pragma once

#include <cstddef>
#include <vector>

namespace quill {

/// Asks the system to back [data, data + bytes) with huge pages where it can. A loaded model
/// is hundreds of megabytes written once, and on a virtual machine the faults of first touching
/// it page by page cost as much as decoding it.
void adviseHugePages(void* data, std::size_t bytes) noexcept;

/// Reserves room for `count` elements in `list`, in huge pages where the system has them.
template <typename T>
void reserveLarge(std::vector<T>& list, std::size_t count) {
    if (count <= list.capacity()) return;
    list.reserve(count);
    adviseHugePages(list.data(), list.capacity() * sizeof(T));
}

}  // namespace quill
