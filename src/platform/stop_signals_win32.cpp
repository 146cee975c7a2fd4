// windows.h first: the other system headers build on it.
#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/stop_signals.h"
#include "platform/temporaries.h"

namespace plotaktar::platform {

namespace {

std::mutex& HandlersMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<std::function<bool(int)>*>& Handlers() {
    static std::vector<std::function<bool(int)>*> handlers;
    return handlers;
}

// Ctrl+C and Ctrl+Break as SIGINT, a closed console or a log-off as SIGTERM; the system calls
// this on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    {
        std::lock_guard lock(HandlersMutex());
        if (!Handlers().empty() && (*Handlers().back())(signal)) {
            return TRUE;
        }
    }
    CleanUpAllLeftBehindForExit();
    return FALSE;  // the system's own handling ends the program
}

}  // namespace

void TakeStopSignals() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignalHandler::StopSignalHandler(std::function<bool(int)> handler)
    : handler_(std::move(handler)) {
    std::lock_guard lock(HandlersMutex());
    Handlers().push_back(&handler_);
}

StopSignalHandler::~StopSignalHandler() {
    std::lock_guard lock(HandlersMutex());
    auto& handlers = Handlers();
    handlers.erase(std::remove(handlers.begin(), handlers.end(), &handler_), handlers.end());
}

// The console's events come on a thread of their own, handled at once: none is ever pending.
int TakePendingStopSignal() {
    return 0;
}

void EndBySignal(int signal) {
    CleanUpAllLeftBehindForExit();
    std::_Exit(128 + signal);
}

}  // namespace plotaktar::platform
