#include "platform/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace plotaktar::platform {

void AdviseLargePages(void* block, std::size_t size) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = (first + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (first + size) & ~(kLargePage - 1);
    if (end > start) {
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
}

}  // namespace plotaktar::platform
