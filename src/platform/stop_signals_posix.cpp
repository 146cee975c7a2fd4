#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "platform/stop_signal_handlers.h"
#include "platform/stop_signals.h"
#include "platform/temporaries.h"

namespace plotaktar::platform {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The signal thread only waits and cleans up.
constexpr size_t kSignalThreadStack = 256 * 1024;

sigset_t TakenSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) {
            sigaddset(&set, signal);
        }
    }
    return set;
}

sigset_t gTaken;

void* WaitForSignals(void*) {
    for (;;) {
        int signal = 0;
        if (sigwait(&gTaken, &signal) != 0) {
            continue;
        }
        if (OfferStopSignal(signal)) {
            continue;
        }
        EndBySignal(signal);
    }
}

}  // namespace

void FailWritesPastFileSizeLimit() {
    // By default SIGXFSZ ends the program, its temporaries left behind.
    signal(SIGXFSZ, SIG_IGN);
}

void TakeStopSignals() {
    static bool taken = false;
    if (taken) {
        return;
    }
    taken = true;
    FailWritesPastFileSizeLimit();
    gTaken = TakenSignals();
    pthread_sigmask(SIG_BLOCK, &gTaken, nullptr);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kSignalThreadStack);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, WaitForSignals, nullptr) != 0) {
        pthread_sigmask(SIG_UNBLOCK, &gTaken, nullptr);
    }
    pthread_attr_destroy(&attributes);
}

int TakePendingStopSignal() {
    // Waits for a handler the signal thread is running.
    const std::unique_lock lock = HandlersLock();
    sigset_t pending;
    if (sigpending(&pending) != 0) {
        return 0;
    }
    for (int signal : kStopSignals) {
        if (sigismember(&pending, signal) == 1 && sigismember(&gTaken, signal) == 1) {
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, signal);
            const struct timespec now = {0, 0};
            if (sigtimedwait(&one, nullptr, &now) == signal) {
                return signal;
            }
        }
    }
    return 0;
}

void EndBySignal(int signal) {
    CleanUpAllLeftBehindForExit();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    // Blocked in the thread that takes the signals (and maybe in the caller): let it through
    // here, so that it ends the whole program.
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace plotaktar::platform
