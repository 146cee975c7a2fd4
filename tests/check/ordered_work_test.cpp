// The parcels' work over two threads: every chunk done once, by the thread that owns it, and
// handed on in order on the calling thread; a failure or a cancel on either thread stops both
// and reaches the caller. A hang (a thread waiting for a chunk that never comes) is caught by
// ctest's TIMEOUT.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "check/ordered_work.h"

namespace plotaktar::check {
namespace {

TEST(RunInOrder, HandsOnEveryChunkOnceInOrderFromTheThreadThatOwnsIt) {
    struct Row {
        const char* what;
        size_t items, chunk;
        unsigned threads;
        int failAt;    // the chunk whose work throws; -1: none
        int cancelAt;  // the chunk whose work sets the cancel flag; -1: none
    };
    const Row rows[] = {
        {"no items", 0, 4, 2, -1, -1},
        {"one thread", 10, 4, 1, -1, -1},
        {"two threads, a short last chunk", 1001, 8, 2, -1, -1},
        {"two threads, many chunks ahead", 4000, 1, 2, -1, -1},
        {"the other thread fails", 400, 4, 2, 37, -1},
        {"the caller fails", 400, 4, 2, 36, -1},
        {"cancelled on the other thread", 400, 4, 2, -1, 51},
        {"cancelled on the caller", 400, 4, 2, -1, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<bool> cancel{false};
        std::mutex mutex;
        std::vector<int> doneBy(row.items, -1);
        bool wrongThread = false;
        std::vector<size_t> handedOn;  // the items, as emitted
        bool outOfOrderDirect = false;
        size_t emittedUpTo = 0;
        auto run = [&] {
            RunInOrder<std::vector<size_t>>(
                row.items, row.chunk, row.threads, &cancel,
                [&](unsigned t, size_t begin, size_t end, std::vector<size_t>& out, bool inOrder) {
                    const size_t c = begin / row.chunk;
                    {
                        std::lock_guard lock(mutex);
                        wrongThread = wrongThread || t != c % row.threads ||
                                      (t == 0) != (std::this_thread::get_id() == caller);
                        outOfOrderDirect = outOfOrderDirect || (inOrder && emittedUpTo != begin);
                    }
                    if (static_cast<int>(c) == row.failAt) {
                        throw std::runtime_error("chunk failed");
                    }
                    if (static_cast<int>(c) == row.cancelAt) {
                        cancel = true;
                    }
                    for (size_t i = begin; i < end; ++i) {
                        std::lock_guard lock(mutex);
                        ++doneBy[i];
                        out.push_back(i);
                    }
                },
                [&](size_t begin, size_t end, std::vector<size_t>& out) {
                    std::lock_guard lock(mutex);
                    EXPECT_EQ(out.size(), end - begin);
                    handedOn.insert(handedOn.end(), out.begin(), out.end());
                    emittedUpTo = end;
                });
        };
        if (row.failAt >= 0) {
            EXPECT_THROW(run(), std::runtime_error);
        } else if (row.cancelAt >= 0) {
            EXPECT_THROW(run(), CheckCancelled);
        } else {
            run();
        }
        EXPECT_FALSE(wrongThread);
        EXPECT_FALSE(outOfOrderDirect);
        for (size_t i = 0; i < handedOn.size(); ++i) {
            ASSERT_EQ(handedOn[i], i);
        }
        if (row.failAt < 0 && row.cancelAt < 0) {
            EXPECT_EQ(handedOn.size(), row.items);
            for (size_t i = 0; i < row.items; ++i) {
                ASSERT_EQ(doneBy[i], 0) << "item " << i;
            }
        } else if (row.failAt >= 0) {
            EXPECT_LE(handedOn.size(), static_cast<size_t>(row.failAt) * row.chunk);
        }
    }
}

}  // namespace
}  // namespace plotaktar::check
