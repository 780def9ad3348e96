#pragma once
// Independent pieces of work spread over the processor's cores.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace icoforge {

// How many threads work for a batch of `count` pieces: the cores, never more than pieces.
inline unsigned WorkersFor(std::size_t count) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(cores, std::max<std::size_t>(count, 1)));
}

// Calls work(i) once for every i below count, on `workers` threads (the caller's among
// them), each taking the next index, and returns when all are done. The first exception
// thrown is thrown again here, after every thread has stopped.
template <class Work>
void ForEachIndex(std::size_t count, unsigned workers, Work&& work) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failure_lock;
    const auto take = [&] {
        try {
            for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) work(i);
        } catch (...) {
            next.store(count);
            const std::lock_guard lock(failure_lock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < workers && t < count; ++t) helpers.emplace_back(take);
    take();
    for (auto& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace icoforge
