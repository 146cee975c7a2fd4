#include "model/second_thread.h"

#include <atomic>
#include <thread>

namespace plotaktar {

namespace {

std::atomic<bool> g_allowed{true};

}  // namespace

bool SecondThreadAllowed() {
    return g_allowed.load() && std::thread::hardware_concurrency() > 1;
}

void AllowSecondThread(bool allowed) {
    g_allowed.store(allowed);
}

}  // namespace plotaktar
