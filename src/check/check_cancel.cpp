#include "check/check_cancel.h"

#include <geos_c.h>

#include <mutex>

namespace plotaktar::check {

namespace {

// The flag of the check running on this thread; GEOS calls its interruption callback on the
// thread of the call it would interrupt, so the request is made for that call only.
thread_local const std::atomic<bool>* runningCancel = nullptr;
GEOSInterruptCallback* otherCallback = nullptr;

void RequestWhenCancelled() {
    if (runningCancel != nullptr && runningCancel->load(std::memory_order_relaxed)) {
        GEOS_interruptRequest();
    }
    if (otherCallback != nullptr) {
        otherCallback();
    }
}

}  // namespace

void StopIfCancelled(const std::atomic<bool>* cancel) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
        throw CheckCancelled();
    }
}

GeosInterruption::GeosInterruption(const std::atomic<bool>* cancel) : outer_(runningCancel) {
    static std::once_flag registered;
    std::call_once(registered,
                   [] { otherCallback = GEOS_interruptRegisterCallback(&RequestWhenCancelled); });
    runningCancel = cancel;
}

GeosInterruption::~GeosInterruption() {
    runningCancel = outer_;
}

}  // namespace plotaktar::check
