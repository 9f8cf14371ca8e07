// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

namespace kelodi {

// Calls into a MIDI server (a JACK server above all) wait for its answer, and
// a server that is stopped or hung never gives one: the caller would freeze
// with it. Such calls run on a thread of their own, and the caller waits for
// them a bounded time only.

// Calls that nobody waits for any more and that have not yet returned (a
// server that is stopped may hold them for good).
inline std::atomic<int>& backgroundServerCalls()
{
    static std::atomic<int> count{0};
    return count;
}

// Runs work() on a thread of its own without waiting for it; it is counted in
// backgroundServerCalls() until it returns.
template <typename Work>
void callInBackground(Work work)
{
    backgroundServerCalls().fetch_add(1);
    try {
        std::thread([work = std::move(work)]() mutable {
            work();
            backgroundServerCalls().fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        backgroundServerCalls().fetch_sub(1);
    }
}

// Runs work() on a thread of its own and waits at most `limit` for it. Its
// result when it returned in time; otherwise std::nullopt, and the work goes
// on in the background until it returns (or forever). Its result is then
// destroyed on that thread: a port that opened too late closes there.
template <typename Work>
std::optional<std::invoke_result_t<Work&>> callWithin(std::chrono::milliseconds limit, Work work)
{
    using Result = std::invoke_result_t<Work&>;
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
        bool finished = false;
        bool abandoned = false;
    };
    auto shared = std::make_shared<Shared>();
    try {
        std::thread([shared, work = std::move(work)]() mutable {
            std::optional<Result> result(work());
            {
                std::lock_guard lock(shared->mutex);
                shared->finished = true;
                if (!shared->abandoned) {
                    shared->result = std::move(result);
                    shared->done.notify_one();
                    return;
                }
            }
            result.reset();
            backgroundServerCalls().fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt;  // no thread to be had: as good as no answer
    }
    std::unique_lock lock(shared->mutex);
    if (!shared->done.wait_for(lock, limit, [&] { return shared->finished; })) {
        shared->abandoned = true;
        backgroundServerCalls().fetch_add(1);
        return std::nullopt;
    }
    return std::move(shared->result);
}

}  // namespace kelodi
