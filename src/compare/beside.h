#pragma once

// Work done on the second core while this one does other work.

#include <exception>
#include <functional>
#include <future>
#include <system_error>

namespace plotaktar::compare {

// Runs `work` on a thread of its own when the system gives one, otherwise here and now. The
// future's get() waits for it and throws what it threw; so does its end, without the throw, so
// that nothing `work` uses goes before it is done.
inline std::future<void> Beside(const std::function<void()>& work) {
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error&) {
    }
    std::promise<void> done;
    try {
        work();
        done.set_value();
    } catch (...) {
        done.set_exception(std::current_exception());
    }
    return done.get_future();
}

}  // namespace plotaktar::compare
