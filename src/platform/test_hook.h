#pragma once

// A test hook: lets the tests stop a program at an exact moment of its work, to see what a
// signal or a kill at that moment leaves behind. Nothing happens unless the environment
// variable PLOTAKTAR_TEST_HOOK is set to "MOMENT ACTION", where ACTION is
//   SIGKILL              the program kills itself,
//   SIGTERM|SIGINT|SIGHUP the signal goes to the program's process group (as `timeout` or
//                        Ctrl+C send it), and the program waits up to 3 s to be ended (a step
//                        that puts files in place goes on after, and the signal then ends it),
//   pause FILE           FILE is created, then the program waits 2 s and goes on,
//   truncate FILE        FILE is cut to 0 bytes (as another program saving it would), and the
//                        program goes on.

#include <string_view>

namespace plotaktar::platform {

inline constexpr const char* kTestHookVariable = "PLOTAKTAR_TEST_HOOK";

// Acts when PLOTAKTAR_TEST_HOOK names `moment`.
void TestHookAt(std::string_view moment);

}  // namespace plotaktar::platform
