// The simulation thread: the one thread that owns the session, and with it
// the host and the module (which must only ever be called from one thread).
// It runs panel cycles at 18 a simulated second, times the chosen speed,
// while the session is not paused; between cycles it runs the work the
// request handlers queue for it, and hands back each result.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "bench/serve/api.h"
#include "bench/serve/session.h"

namespace serve {

class SimulationThread final : public SessionHolder {
public:
    // Starts the thread and the session on it; throws what the session's
    // start threw (a module that cannot be loaded).
    explicit SimulationThread(const ServeOptions& options);
    // Stops the thread; the session ends with it, unloading the module.
    ~SimulationThread() override;
    SimulationThread(const SimulationThread&) = delete;
    SimulationThread& operator=(const SimulationThread&) = delete;

    // Runs `work` on the simulation thread between panel cycles and returns
    // its result (RequestError when it refused, or failed). Gives up with
    // RequestError 503 when the thread does not get to it in time, and the
    // work is then never done. A refusal comes back as status and message,
    // not as the exception object, which would then be shared by the two
    // threads.
    template <class Work>
    auto call(Work work) -> decltype(work(std::declval<Session&>())) {
        using Result = decltype(work(std::declval<Session&>()));
        struct Outcome {
            std::optional<Result> value;
            int status = 0;
            std::string message;
        };
        Outcome outcome = answer<Outcome>([this, work = std::move(work)]() mutable {
            Outcome outcome;
            try {
                outcome.value.emplace(work(session()));
            } catch (const RequestError& e) {
                outcome.status = e.status;
                outcome.message = e.what();
            } catch (const std::exception& e) {
                outcome.status = 500;
                outcome.message = std::string("the simulation failed: ") + e.what();
            }
            return outcome;
        });
        if (outcome.status) throw RequestError(outcome.status, outcome.message);
        return std::move(*outcome.value);
    }

    // call() for work without a result.
    void run(std::function<void(Session&)> work) override {
        call([work = std::move(work)](Session& s) { work(s); return 0; });
    }

    // Ends the session and starts a new one from the same options, with the
    // document being edited as it now reads.
    void restart() override;
    PanelDocument relayout(std::function<PanelDocument(const Session&)> change) override;

    const ServeOptions& options() const override { return options_; }

private:
    // Queues `job` (which throws nothing) and returns what it returned. A
    // job the thread has not begun within options().answer_within is taken
    // back, never to run, and the answer is RequestError 503; one begun is
    // awaited, so that the answer tells what it did.
    template <class Outcome>
    Outcome answer(std::function<Outcome()> job) {
        enum : int { QUEUED, BEGUN, TAKEN_BACK };
        struct Ticket {
            std::atomic<int> state{QUEUED};
            std::promise<Outcome> done;
        };
        auto ticket = std::make_shared<Ticket>();
        std::future<Outcome> result = ticket->done.get_future();
        submit([ticket, job = std::move(job)] {
            int queued = QUEUED;
            if (!ticket->state.compare_exchange_strong(queued, BEGUN)) return;
            try {
                ticket->done.set_value(job());
            } catch (...) {
                ticket->done.set_exception(std::current_exception());
            }
        });
        int queued = QUEUED;
        if (result.wait_for(options_.answer_within) != std::future_status::ready &&
            ticket->state.compare_exchange_strong(queued, TAKEN_BACK))
            throw RequestError(503, "the simulation is not answering; try again (nothing was done)");
        return result.get();
    }

    Session& session();
    // The time between panel cycles at the session's speed.
    std::chrono::steady_clock::duration period() const;
    void submit(std::function<void()> job);
    void loop(std::promise<void>& started);
    // A new session in place of the old one, with the document `document_of`
    // makes from the old one (null when there is none); returns it.
    std::optional<PanelDocument> replace(std::function<std::optional<PanelDocument>(const Session*)> document_of);

    ServeOptions options_;
    std::unique_ptr<Session> session_;  // made, used and ended on the thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace serve
