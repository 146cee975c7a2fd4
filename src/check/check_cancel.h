#pragma once

// How a check running beside a window is stopped when the window no longer wants its findings
// (it closes, or another drawing opens): a flag the check reads between its steps and between
// parcels, and GEOS's interruption for the one long call that may be running when it is set.

#include <atomic>
#include <exception>

namespace plotaktar::check {

// Thrown by a check whose cancel flag became true; it has no findings.
class CheckCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "the check was cancelled"; }
};

// Throws CheckCancelled when `cancel` is given and true.
void StopIfCancelled(const std::atomic<bool>* cancel);

// While it lives, a GEOS call on this thread is interrupted at its next check for interruption
// after `cancel` (may be null: never) became true: the call fails, and the check then stops
// at its next StopIfCancelled. Other threads' GEOS calls are left alone.
class GeosInterruption {
  public:
    explicit GeosInterruption(const std::atomic<bool>* cancel);
    ~GeosInterruption();
    GeosInterruption(const GeosInterruption&) = delete;
    GeosInterruption& operator=(const GeosInterruption&) = delete;

  private:
    const std::atomic<bool>* outer_;
};

}  // namespace plotaktar::check
