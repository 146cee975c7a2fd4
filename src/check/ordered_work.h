#pragma once

// Work on the parcels over both cores with findings in the order one thread would give them:
// the items are cut into chunks, chunk c always done by thread c % threads (so that whatever a
// thread makes of an item stays that thread's, as GEOS requires of the geometries a context
// made), and the calling thread hands each chunk's result on in chunk order while the others
// work. No thread runs more than a few chunks ahead of what was handed on, so the results
// waiting are a few chunks' worth, never a copy of all findings.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "check/check_cancel.h"

namespace plotaktar::check {

// How many threads the parcels' work takes for `items` items in chunks of `chunk`: two on a
// machine of two cores or more, one for fewer than two chunks.
inline unsigned WorkThreads(size_t items, size_t chunk) {
    return items >= 2 * chunk && std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

// The thread that does item i when `threads` threads work in chunks of `chunk`.
inline unsigned OwnerOf(size_t item, size_t chunk, unsigned threads) {
    return static_cast<unsigned>(item / chunk % threads);
}

// Calls work(thread, begin, end, result, inOrder) for every chunk [begin, end) of [0, items),
// inOrder true when everything before the chunk is handed on and the chunk is done on the
// calling thread, so that its work may hand on its own findings as it makes them; chunk c on
// thread c % threads (thread 0 is the caller), then emit(begin, end, result) on the calling
// thread for each chunk in order. A thread that cannot be started (an address-space limit)
// leaves its chunks to the caller's thread, which does them beside its own under the same
// thread number. Every thread stops at its next chunk once another threw, and once `cancel` (may be
// null) is true; the first exception is rethrown here, after every thread has ended. Each
// started thread interrupts its GEOS calls once `cancel` is true (GeosInterruption).
template <class Result, class Work, class Emit>
void RunInOrder(size_t items, size_t chunk, unsigned threads, const std::atomic<bool>* cancel,
                Work&& work, Emit&& emit) {
    const size_t chunks = (items + chunk - 1) / chunk;
    const size_t ahead = 8 * threads;  // chunks a thread may run ahead of those handed on
    std::vector<Result> results(chunks);
    std::vector<char> ready(chunks);
    std::mutex mutex;
    std::condition_variable changed;
    size_t emitted = 0;  // chunks handed on
    bool stop = false;
    std::exception_ptr failure;

    auto fail = [&](std::exception_ptr e) {
        std::lock_guard lock(mutex);
        if (!failure) {
            failure = e;
        }
        stop = true;
        changed.notify_all();
    };
    // Does chunk c on thread t and marks it ready; false when it threw.
    auto doChunk = [&](unsigned t, size_t c, bool inOrder) {
        try {
            StopIfCancelled(cancel);
            Result result{};
            work(t, c * chunk, std::min(items, (c + 1) * chunk), result, inOrder);
            std::lock_guard lock(mutex);
            results[c] = std::move(result);
            ready[c] = 1;
            changed.notify_all();
            return true;
        } catch (...) {
            fail(std::current_exception());
            return false;
        }
    };
    // Thread t's chunks, on a thread of its own, waiting while it is too far ahead.
    auto run = [&](unsigned t) {
        for (size_t c = t; c < chunks; c += threads) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || c < emitted + ahead; });
                if (stop) {
                    return;
                }
            }
            if (!doChunk(t, c, false)) {
                return;
            }
        }
    };
    // Hands on the chunks that are ready, in order, waiting for the next one while `until` is
    // beyond it. False once a thread failed.
    auto handOn = [&](size_t until) {
        while (emitted < chunks) {
            {
                std::unique_lock lock(mutex);
                if (emitted >= until && !ready[emitted]) {
                    break;
                }
                changed.wait(lock, [&] { return stop || ready[emitted]; });
                if (stop) {
                    return false;
                }
            }
            const size_t c = emitted;
            emit(c * chunk, std::min(items, (c + 1) * chunk), results[c]);
            results[c] = Result{};
            std::lock_guard lock(mutex);
            ++emitted;
            changed.notify_all();
        }
        return true;
    };

    std::vector<std::thread> started;
    std::vector<unsigned> leftToCaller;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            started.emplace_back([&, t] {
                const GeosInterruption interruption(cancel);
                run(t);
            });
        } catch (const std::system_error&) {
            leftToCaller.push_back(t);
        }
    }
    try {
        bool going = true;
        for (size_t c = 0; going && c < chunks; c += threads) {
            // The caller's chunk c, once the chunks more than `ahead` before it are handed on;
            // then those of threads that could not be started.
            going = handOn(c > ahead ? c - ahead : 0) && doChunk(0, c, emitted == c);
            for (unsigned t : leftToCaller) {
                going = going && (c + t >= chunks || doChunk(t, c + t, false));
            }
        }
        if (going) {
            handOn(chunks);
        }
    } catch (...) {
        fail(std::current_exception());
    }
    for (std::thread& thread : started) {
        thread.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace plotaktar::check
