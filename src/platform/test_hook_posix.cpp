#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/test_hook.h"

namespace plotaktar::platform {

void TestHookAt(std::string_view moment) {
    const char* value = std::getenv(kTestHookVariable);
    if (value == nullptr) {
        return;
    }
    const std::string_view hook(value);
    if (!hook.starts_with(moment) || hook.size() <= moment.size() || hook[moment.size()] != ' ') {
        return;
    }
    const std::string_view action = hook.substr(moment.size() + 1);
    if (action == "SIGKILL") {
        raise(SIGKILL);
    }
    for (const auto& [name, signal] : {std::pair{"SIGTERM", SIGTERM}, std::pair{"SIGINT", SIGINT},
                                       std::pair{"SIGHUP", SIGHUP}}) {
        if (action == name) {
            kill(0, signal);
            for (int waited = 0; waited < 30; ++waited) {
                usleep(100000);
            }
            return;
        }
    }
    if (action.starts_with("truncate ")) {
        (void)truncate(std::string(action.substr(9)).c_str(), 0);
        return;
    }
    if (action.starts_with("pause ")) {
        const std::string file(action.substr(6));
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
        }
        usleep(2000000);
    }
}

}  // namespace plotaktar::platform
