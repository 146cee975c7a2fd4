// windows.h first: the other system headers build on it.
#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "platform/stop_signal_handlers.h"
#include "platform/stop_signals.h"
#include "platform/temporaries.h"

namespace plotaktar::platform {

namespace {

// Ctrl+C and Ctrl+Break as SIGINT, a closed console or a log-off as SIGTERM; the system calls
// this on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    if (OfferStopSignal(signal)) {
        return TRUE;
    }
    CleanUpAllLeftBehindForExit();
    return FALSE;  // the system's own handling ends the program
}

}  // namespace

// Windows has no file size limit's signal: a write past a quota already fails.
void FailWritesPastFileSizeLimit() {}

void TakeStopSignals() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
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
