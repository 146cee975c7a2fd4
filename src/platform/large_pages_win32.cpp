#include "platform/large_pages.h"

namespace plotaktar::platform {

// Large pages on Windows need a privilege that users do not have; nothing to ask for.
void AdviseLargePages(void*, std::size_t) {}

// The Windows heap decommits freed blocks of this size by itself.
void ReturnFreedPages() {}

// The Windows heap keeps and reuses blocks of this size by itself.
void KeepFreedBuffers() {}

}  // namespace plotaktar::platform
