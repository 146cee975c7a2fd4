#include "model/second_thread.h"

#include <atomic>

#include "platform/program.h"

namespace plotaktar {

namespace {

std::atomic<bool> g_allowed{true};

}  // namespace

bool SecondThreadAllowed() {
    return g_allowed.load() && platform::UsableCores() > 1;
}

void AllowSecondThread(bool allowed) {
    g_allowed.store(allowed);
}

}  // namespace plotaktar
