#include "platform/test_hook.h"

namespace plotaktar::platform {

// The Windows build has no helper programs to stop; its tests use no hook.
void TestHookAt(std::string_view) {}

}  // namespace plotaktar::platform
