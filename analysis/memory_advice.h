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

namespace quill {

/// Starts the program again, once, with the C library's allocator set to back its heaps with
/// transparent huge pages, grown in steps of 32 MiB: a load of a large file then costs a few
/// hundred page faults instead of tens of thousands, which on a virtual machine is a third of
/// its time. Call it first thing in main(), before any thread or state exists. Returns, and
/// changes nothing, where the C library or the system has no such setting, where the user set
/// the allocator's huge-page tunable already (either way), under a sanitizer, or if the restart
/// fails.
void restartWithHugePageHeap(char** argv) noexcept;

}  // namespace quill
