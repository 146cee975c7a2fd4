#pragma once

// The StopSignalHandler objects alive, for the platform's own stop-signal code (stop_signals_*).

#include <mutex>

namespace plotaktar::platform {

// Gives `signal` to the handler made last. False when there is none or it says the program
// ends. Runs under HandlersLock.
bool OfferStopSignal(int signal);

// Held while a handler runs: taking it waits for one that is running.
std::unique_lock<std::mutex> HandlersLock();

}  // namespace plotaktar::platform
