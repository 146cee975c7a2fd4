#include "platform/large_pages.h"

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

void ReturnFreedPages() {
#if defined(__GLIBC__)
    malloc_trim(0);
    // Freeing big blocks has raised the size from which glibc maps a block of its own: the
    // buffers of a plot file written next would come out of the heap and keep their pages
    // after use. Its first value again, now fixed.
    constexpr int kOwnMappingFrom = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}

void KeepFreedBuffers() {
#if defined(__GLIBC__)
    // glibc's largest threshold (32 MiB on 64-bit systems): a drawing of a million records
    // still maps its file pages of its own and gives them back when done.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

}  // namespace plotaktar::platform
