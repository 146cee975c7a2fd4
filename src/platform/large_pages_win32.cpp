#include "platform/large_pages.h"

namespace plotaktar::platform {

// Large pages on Windows need a privilege that users do not have; nothing to ask for.
void AdviseLargePages(void*, std::size_t) {}

}  // namespace plotaktar::platform
