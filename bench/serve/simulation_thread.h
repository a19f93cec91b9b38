// The simulation thread: the one thread that owns the session, and with it
// the host and the module (which must only ever be called from one thread).
// It runs panel cycles at 18 a simulated second, times the chosen speed,
// while the session is not paused; between cycles it runs the work the
// request handlers queue for it, and hands back each result.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/serve/session.h"

namespace serve {

class SimulationThread {
public:
    // Starts the thread and the session on it; throws what the session's
    // start threw (a module that cannot be loaded).
    explicit SimulationThread(const ServeOptions& options);
    // Stops the thread; the session ends with it, unloading the module.
    ~SimulationThread();
    SimulationThread(const SimulationThread&) = delete;
    SimulationThread& operator=(const SimulationThread&) = delete;

    // Runs `work` on the simulation thread between panel cycles and returns
    // its result (or throws what it threw). Gives up with RequestError 503
    // when the thread does not get to it in time.
    template <class Work>
    auto call(Work work) -> decltype(work(std::declval<Session&>())) {
        using Result = decltype(work(std::declval<Session&>()));
        auto task = std::make_shared<std::packaged_task<Result()>>(
            [this, work = std::move(work)]() mutable { return work(session()); });
        std::future<Result> result = task->get_future();
        submit([task] { (*task)(); });
        if (result.wait_for(TIMEOUT) != std::future_status::ready)
            throw RequestError(503, "the simulation is not answering; try again");
        return result.get();
    }

    // Ends the session and starts a new one from the same options.
    void restart();

    const ServeOptions& options() const { return options_; }

    static constexpr std::chrono::seconds TIMEOUT{10};

private:
    Session& session();
    // The time between panel cycles at the session's speed.
    std::chrono::steady_clock::duration period() const;
    void submit(std::function<void()> job);
    void loop(std::promise<void>& started);

    ServeOptions options_;
    std::unique_ptr<Session> session_;  // made, used and ended on the thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace serve
