#pragma once
// Independent pieces of work spread over the processor's cores.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace icoforge {

// How many threads work for a batch of `count` pieces: the cores, never more than pieces.
inline unsigned WorkersFor(std::size_t count) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(cores, std::max<std::size_t>(count, 1)));
}

// Calls work(i), or work(i, worker), once for every i below count, on `workers` threads
// (the caller's among them), each taking the next index, and returns when all are done.
// `worker` numbers the thread from 0 (the caller) up, so that each may keep scratch memory
// of its own. The first exception thrown is thrown again here, after every thread has stopped.
template <class Work>
void ForEachIndex(std::size_t count, unsigned workers, Work&& work) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failure_lock;
    const auto take = [&](unsigned worker) {
        try {
            for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
                if constexpr (std::is_invocable_v<Work&, std::size_t, unsigned>) {
                    work(i, worker);
                } else {
                    work(i);
                }
            }
        } catch (...) {
            next.store(count);
            const std::lock_guard lock(failure_lock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < workers && t < count; ++t) helpers.emplace_back(take, t);
    take(0u);
    for (auto& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

// Calls make(i) for every i below count on `workers` threads (the caller's among them)
// and take(i) on the caller's thread in the order of i, each as soon as it is made: what
// must happen in order (naming files, writing them into one folder, reporting) overlaps
// the making of what comes after. The caller makes a piece only while the one it is to
// take next is not ready, so that it never sleeps while there is work, and no more
// threads than workers share the cores. At most `most_ahead` pieces, of at most
// `most_weight` in all (by weight(i); one piece always), are being made or waiting to be
// taken, which bounds the memory they hold. The first exception thrown by make or take
// is thrown again here, after every thread has stopped, and nothing is taken after it.
template <class Weight, class Make, class Take>
void MakeInOrder(std::size_t count, unsigned workers, std::size_t most_ahead, std::uint64_t most_weight,
                 Weight&& weight, Make&& make, Take&& take) {
    std::mutex lock;
    std::condition_variable made_one, taken_one;
    std::vector<char> made(count, 0);
    std::size_t next = 0, taken = 0;
    std::uint64_t held = 0;  // the weight of what is being made or waits to be taken
    bool taker_waits = false, stop = false;
    unsigned makers_waiting = 0;
    std::exception_ptr failure;
    const auto fail = [&] {
        const std::lock_guard guard(lock);
        if (!failure) failure = std::current_exception();
        stop = true;
        made_one.notify_all();
        taken_one.notify_all();
    };
    // Whether the next piece may be started now (or there is nothing left to start).
    const auto may_start = [&] {
        return stop || next == count ||
               (next - taken < most_ahead && (next == taken || held + weight(next) <= most_weight));
    };
    // Starts the next piece and makes it, without the lock, which `guard` holds before and after.
    const auto make_next = [&](std::unique_lock<std::mutex>& guard) {
        const std::size_t i = next++;
        held += weight(i);
        guard.unlock();
        make(i);
        guard.lock();
        made[i] = 1;
        return i;
    };
    const auto work = [&] {
        try {
            std::unique_lock guard(lock);
            for (;;) {
                if (!may_start()) {
                    ++makers_waiting;
                    taken_one.wait(guard, may_start);
                    --makers_waiting;
                }
                if (stop || next == count) return;
                // Only the piece the caller waits for is worth waking it.
                if (make_next(guard) == taken && taker_waits) made_one.notify_one();
            }
        } catch (...) {
            fail();
        }
    };
    std::vector<std::thread> makers;
    for (unsigned t = 1; t < workers && t < count; ++t) makers.emplace_back(work);
    try {
        for (std::size_t i = 0; i < count; ++i) {
            {
                std::unique_lock guard(lock);
                while (!stop && made[i] == 0) {
                    if (next < count && may_start()) {
                        make_next(guard);
                        continue;
                    }
                    taker_waits = true;
                    made_one.wait(guard, [&] { return stop || made[i] != 0; });
                    taker_waits = false;
                }
                if (stop) break;
            }
            take(i);
            const std::lock_guard guard(lock);
            ++taken;
            held -= weight(i);
            if (makers_waiting > 0) taken_one.notify_all();
        }
    } catch (...) {
        fail();
    }
    for (auto& maker : makers) maker.join();
    if (failure) std::rethrow_exception(failure);
}

// The same, bounded by the count of pieces alone.
template <class Make, class Take>
void MakeInOrder(std::size_t count, unsigned workers, std::size_t most_ahead, Make&& make, Take&& take) {
    MakeInOrder(count, workers, most_ahead, 0, [](std::size_t) { return std::uint64_t{0}; }, make, take);
}

}  // namespace icoforge
