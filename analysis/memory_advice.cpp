#include "analysis/memory_advice.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quill {

void adviseHugePages(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the block: the advice applies to every page it touches, and
    // the pages around the block belong to other allocations.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    // Advice is a hint: where it is refused, the memory works as before.
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace quill

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QUILL_SANITIZED 1
#endif
#endif

namespace quill {

namespace {

#if defined(__linux__) && defined(__GLIBC__) && !defined(QUILL_SANITIZED)
constexpr const char* kTunablesVariable = "GLIBC_TUNABLES";
constexpr const char* kHugePageTunables = "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=33554432";

/// Whether the kernel hands out transparent huge pages to memory that asks for them.
bool hugePagesOnRequest() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    return modes.find("[always]") != std::string::npos ||
           modes.find("[madvise]") != std::string::npos;
}
#endif

}  // namespace

void restartWithHugePageHeap(char** argv) noexcept {
#if defined(__linux__) && defined(__GLIBC__) && !defined(QUILL_SANITIZED)
    try {
        const char* current = std::getenv(kTunablesVariable);
        // Set already: by the restart itself, or by a user who chose otherwise.
        if (current && std::strstr(current, "glibc.malloc.hugetlb")) return;
        if (!argv || !argv[0] || !hugePagesOnRequest()) return;
        const std::string previous = current ? current : "";
        const std::string value =
            previous.empty() ? kHugePageTunables : previous + ":" + kHugePageTunables;
        if (::setenv(kTunablesVariable, value.c_str(), 1) != 0) return;
        ::execv("/proc/self/exe", argv);
        // Still here: the restart failed, and the program goes on as it started.
        if (current)
            ::setenv(kTunablesVariable, previous.c_str(), 1);
        else
            ::unsetenv(kTunablesVariable);
    } catch (...) {
        // Out of memory at start-up: going on without the setting is the least surprise.
    }
#else
    (void)argv;
#endif
}

}  // namespace quill
