#pragma once

// Sharing a list of jobs among threads.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tavrik::detail {

// Calls job(i, state) for every i below count on up to `threads` threads, the calling one
// among them; each thread makes its own State and takes the next index whenever it finishes
// one. Returns once all have stopped; the first exception thrown is rethrown then, and no
// index is started after it. Where the system refuses a thread, fewer do the same work.
template <class State, class Job>
void forEachIndex(std::size_t count, unsigned threads, Job&& job) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto work = [&] {
        try {
            State state;
            for (std::size_t i = next++; i < count; i = next++) {
                job(i, state);
            }
        } catch (...) {
            next = count;
            const std::lock_guard lock(failureMutex);
            failure = failure ? failure : std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1U), count);
        for (std::size_t t = 1; t < wanted; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
        work();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace tavrik::detail
