#include "analysis/memory_advice.h"

#include <cstdint>

#include "analysis/os.h"

namespace quill {

void adviseHugePages(void* data, std::size_t bytes) noexcept {
    // Only whole huge pages inside the block: the advice applies to every page it touches, and
    // the pages around the block belong to other allocations.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first) os::adviseHugePages(reinterpret_cast<void*>(first), last - first);
}

}  // namespace quill
