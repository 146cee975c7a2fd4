#pragma once

// The signals that ask a command-line program to stop: SIGINT (Ctrl+C), SIGTERM (timeout, a
// service stop) and SIGHUP (the terminal closed). By default each ends the program as before,
// but only once what it left beside its outputs is cleaned up (temporaries.h). A program can
// take them itself for a while (StopSignalHandler): plotaktar-cli waiting for a program it
// started, batch letting running drawings finish.

#include <functional>

namespace plotaktar::platform {

// Call at the start of main, before any thread is started: from then on the stop signals are
// received by a thread of their own, which cleans up and ends the program by the same signal
// (so that its parent sees how it ended). A signal ignored at the start (nohup) stays ignored.
// Programs started later get the signals as usual. Without threads (an address-space limit),
// the signals keep their default action. Calls FailWritesPastFileSizeLimit.
void TakeStopSignals();

// From then on a write beyond a file size limit (ulimit -f) fails (EFBIG, "Disk full") as on a
// full disk, and is cleaned up as such, instead of ending the program (POSIX: SIGXFSZ ignored).
// For the windows too, whose save would otherwise end the session.
void FailWritesPastFileSizeLimit();

// While one lives, a stop signal is given to `handler` (on the signal thread) instead; it
// returns true when the program goes on, false to end it as without the handler. The last
// one made is asked.
class StopSignalHandler {
  public:
    explicit StopSignalHandler(std::function<bool(int signal)> handler);
    ~StopSignalHandler();
    StopSignalHandler(const StopSignalHandler&) = delete;
    StopSignalHandler& operator=(const StopSignalHandler&) = delete;

  private:
    std::function<bool(int)> handler_;
};

// A stop signal that has come but is not handled yet, taken (so it is handled no more); 0 when
// none. For a program that is about to end otherwise, so that a signal sent to its whole
// process group is not lost to the race with the end of what it waited for.
int TakePendingStopSignal();

// Cleans up what this program left beside its outputs and ends it by `signal`.
[[noreturn]] void EndBySignal(int signal);

}  // namespace plotaktar::platform
