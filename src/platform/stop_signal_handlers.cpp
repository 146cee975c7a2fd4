#include "platform/stop_signal_handlers.h"

#include <algorithm>
#include <vector>

#include "platform/stop_signals.h"

namespace plotaktar::platform {

namespace {

// Never destroyed: the signal thread may ask them while the program's statics are destroyed.
std::mutex& HandlersMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::vector<std::function<bool(int)>*>& Handlers() {
    static auto* handlers = new std::vector<std::function<bool(int)>*>;
    return *handlers;
}

}  // namespace

std::unique_lock<std::mutex> HandlersLock() {
    return std::unique_lock(HandlersMutex());
}

bool OfferStopSignal(int signal) {
    const std::unique_lock lock = HandlersLock();
    return !Handlers().empty() && (*Handlers().back())(signal);
}

StopSignalHandler::StopSignalHandler(std::function<bool(int)> handler)
    : handler_(std::move(handler)) {
    const std::unique_lock lock = HandlersLock();
    Handlers().push_back(&handler_);
}

StopSignalHandler::~StopSignalHandler() {
    const std::unique_lock lock = HandlersLock();
    auto& handlers = Handlers();
    handlers.erase(std::remove(handlers.begin(), handlers.end(), &handler_), handlers.end());
}

}  // namespace plotaktar::platform
